// One check run: its stages in order, the readers of its events, and what it hands back.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "check/disk_actions.h"
#include "check/engine_state.h"
#include "check/run_context.h"
#include "check/run_counters.h"
#include "check/run_events.h"
#include "check/run_inputs.h"
#include "check/run_report.h"
#include "check/window_operations.h"

namespace zandrel {

struct CheckResult {
  QString status_text;  // the final status line; empty when the line keeps its text
  QString report_path;
  bool report_written = false;
  bool report_complete = false;  // every line reached the disk, the close included
  RunCounters counters;
  // Per torrent entry, in torrent order: 1 when the file check found it with the right size.
  std::vector<uint8_t> found;
};

// The whole run on the calling thread (the front end starts it on a worker thread). `listener`,
// when given, reads every event of the run after the run's own readers.
CheckResult RunCheck(EngineState& engine, const CheckInputs& inputs, WindowOperations& window,
                     EventSink* listener = nullptr);

// The final status line: the first of the ordered outcomes whose condition holds; empty when the
// status line keeps its text.
QString FinalStatusText(const RunContext& run, const RunCounters& counters, bool open_report_ticked);

}  // namespace zandrel
