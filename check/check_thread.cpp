#include "check/check_thread.h"

namespace zandrel {

void CheckThread::Start(EngineState& engine, const CheckInputs& inputs, WindowOperations& window,
                        std::function<void()> on_finished, EventSink* listener) {
  Wait();
  running_.store(true);
  CheckInputs run_inputs = inputs;
  if (!run_inputs.ignore_list) {
    // Adding to the copy makes it a list of its own here, so the run never shares the front end's
    // list data, which the front end goes on changing.
    run_inputs.ignore_list = engine.ignore_list;
    run_inputs.ignore_list->Add(kBackupMarker);
  }
  thread_ = std::thread([this, &engine, inputs = std::move(run_inputs), &window, on_finished = std::move(on_finished),
                         listener] {
    result_ = RunCheck(engine, inputs, window, listener);
    running_.store(false);
    if (on_finished) on_finished();
  });
}

const CheckResult& CheckThread::Wait() {
  if (thread_.joinable()) thread_.join();
  return result_;
}

}  // namespace zandrel
