// The outcome of one step of work that the user may cancel: a copy, a file judged, a stage.
#pragma once

namespace zandrel {

enum class StepResult { kDone, kFailed, kCancelled };

}  // namespace zandrel
