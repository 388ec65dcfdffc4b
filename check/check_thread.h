// Runs a check on its own thread. The front end polls Running() and collects the result.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "check/check_run.h"

namespace zandrel {

class CheckThread {
 public:
  CheckThread() = default;
  CheckThread(const CheckThread&) = delete;
  CheckThread& operator=(const CheckThread&) = delete;
  ~CheckThread() { Wait(); }

  // The inputs are copied: the run works on a snapshot taken now. on_finished, when set, is
  // called on the run's thread as its very last act, so a waiting front end can wake at once.
  // `listener`, when given, reads the run's events on the run's thread.
  void Start(EngineState& engine, const CheckInputs& inputs, WindowOperations& window,
             std::function<void()> on_finished = {}, EventSink* listener = nullptr);
  // True from Start until the run has handed back its result.
  bool Running() const { return running_.load(); }
  // Joins the thread; the result of the last run.
  const CheckResult& Wait();

 private:
  std::thread thread_;
  std::atomic<bool> running_{false};
  CheckResult result_;
};

}  // namespace zandrel
