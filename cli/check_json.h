// `check --json`: the whole outcome of one run as one JSON object (keys documented in the README
// and in docs/check.schema.json).
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "check/check_run.h"
#include "check/run_record.h"
#include "cli/check_args.h"

namespace zandrel {

struct CheckOutcome {
  const CheckCommandLine& line;
  const CheckInputs& inputs;
  const TorrentModel& model;
  const RunRecord& record;
  const CheckResult& result;
  QString status;
  int exit_status = 0;
};

std::string CheckJson(const CheckOutcome& outcome);

}  // namespace zandrel
