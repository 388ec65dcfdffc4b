#include "check/check_thread.h"

namespace zandrel {

void CheckThread::Start(EngineState& engine, const CheckInputs& inputs, WindowOperations& window) {
  Wait();
  running_.store(true);
  thread_ = std::thread([this, &engine, inputs, &window] {
    result_ = RunCheck(engine, inputs, window);
    running_.store(false);  // the run's last act
  });
}

const CheckResult& CheckThread::Wait() {
  if (thread_.joinable()) thread_.join();
  return result_;
}

}  // namespace zandrel
