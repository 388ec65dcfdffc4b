// The command line of `zandrel-cli check`: its options and their help text.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "check/run_setup.h"

namespace zandrel {

// The request of the run (its report "-" for standard output) and what only the command line has.
struct CheckCommandLine : RunRequest {
  bool quiet = false;
  bool json = false;
  bool dry_run = false;
  bool help = false;

  bool ReportToStdout() const { return report == QLatin1String("-"); }
};

// Fills `line`; returns the message of a usage error.
QString ParseCheckArgs(const QStringList& args, CheckCommandLine& line);

// The help text of `check`, exit statuses included.
std::string CheckUsage();

}  // namespace zandrel
