#include "cli/check_args.h"

#include <QCommandLineParser>
#include <vector>

#include "check/run_option_table.h"
#include "cli/option_table.h"

namespace zandrel {
namespace {

const char kCheckUsageHead[] =
    "Usage: zandrel-cli check TORRENT DIR [options]\n"
    "\n"
    "Checks the download in DIR against TORRENT and writes a report.\n"
    "\n"
    "DIR is the folder that holds the torrent's files as the torrent lists them. For a single-file\n"
    "torrent that is the folder the file is in. For a multi-file torrent it is the torrent's own\n"
    "folder (DIR/<file paths>), not the folder above it that torrent clients ask for; when DIR\n"
    "holds none of the files but a folder named like the torrent, the check refuses to run.\n"
    "\n"
    "Options take their value as the next argument or after '=' (--report=FILE); '--' ends the\n"
    "options, so that a TORRENT or DIR may begin with '-'.\n"
    "\n";

const char kCheckUsageTail[] =
    "\n"
    "The report is created before anything is checked; when it cannot be, nothing is done.\n"
    "Prints the report path, then the final status.\n"
    "\n"
    "Exit status:\n"
    "  0    the check was successful: no problem found\n"
    "  1    the run finished and found problems that are not all fixed; also when missing files\n"
    "       were rebuilt, since a rebuilt file is only known to be right after a hash check\n"
    "  2    usage error, unreadable torrent, DIR or report; nothing was done\n"
    "  3    problems were found and all of them fixed: every wrong-sized file was longer\n"
    "       than the torrent says and was trimmed; no file is missing, none is smaller,\n"
    "       no piece failed (the final status then reads that files were trimmed)\n"
    "  130  cancelled by SIGINT or SIGTERM (the report ends with the cancel line)\n";

// An option of the command line other than a run switch, with what it does.
struct CheckOption {
  OptionRow row;
  void (*apply)(CheckCommandLine&, const QStringList& values);
};

const CheckOption kOptions[] = {
    {{"v2", nullptr,
      "with --hash-check, verify a hybrid (v1 and v2) torrent by its\n"
      "v2 hash trees instead of its v1 pieces"},
     [](CheckCommandLine& line, const QStringList&) { line.verify_v2 = true; }},
    {{"backup-dir", "DIR",
      "keep backups (and look for rebuild sources) in DIR\n"
      "instead of the download directory"},
     [](CheckCommandLine& line, const QStringList& values) { line.options.BackupDir = values.last(); }},
    {{"ignore", "PATH",
      "PATH (relative to DIR, or a bare file name) is never reported\n"
      "as unneeded, deleted or moved as unneeded, nor used as a\n"
      "repair source; repeatable. A file of the torrent on PATH is\n"
      "still checked, and trimmed or deleted when its size is wrong\n"
      "and --trim-padded-files or --delete-wrong-sized-files is given"},
     [](CheckCommandLine& line, const QStringList& values) { line.ignore_paths = values; }},
    {{"ignore-torrent", "FILE", "the same for every path of another torrent; repeatable"},
     [](CheckCommandLine& line, const QStringList& values) { line.ignore_torrents = values; }},
    {{"dry-run", nullptr,
      "decide everything as a real run would and report it, each\n"
      "trim, delete, move, backup and repair marked as not done;\n"
      "nothing on disk changes except the report"},
     [](CheckCommandLine& line, const QStringList&) { line.dry_run = true; }},
    {{"json", nullptr,
      "print one JSON object with the whole outcome on stdout\n"
      "instead of the report path and status"},
     [](CheckCommandLine& line, const QStringList&) { line.json = true; }},
    {{"report", "FILE",
      "write the report to FILE instead of the logs folder; with\n"
      "'-' the report goes to stdout and the status to stderr"},
     [](CheckCommandLine& line, const QStringList& values) { line.report = values.last(); }},
    {{"language", "NAME",
      "use NAME.lng for report texts (from ./lang, else the\n"
      "program's own language folder)"},
     [](CheckCommandLine& line, const QStringList& values) { line.language = values.last(); }},
    {{"quiet", nullptr, "no progress line"},
     [](CheckCommandLine& line, const QStringList&) { line.quiet = true; }},
};

// The run switches the command line sets, then its own options: the help lists them in this order.
std::vector<OptionRow> Rows() {
  std::vector<OptionRow> rows;
  for (const RunOptionRow& row : kRunOptionTable) {
    if (row.cli_flag) rows.push_back({row.cli_flag, nullptr, row.cli_help});
  }
  for (const CheckOption& option : kOptions) rows.push_back(option.row);
  return rows;
}

}  // namespace

std::string CheckUsage() { return kCheckUsageHead + OptionsHelp(Rows()) + kCheckUsageTail; }

QString ParseCheckArgs(const QStringList& args, CheckCommandLine& line) {
  line.options.OpenReport = 0;  // a command line never opens the report
  QCommandLineParser parser;
  QString error, unknown;
  if (!ParseOptions(Rows(), args, parser, &error, &unknown)) {
    return unknown.isEmpty() ? error : error + u' ' + unknown;
  }
  if (parser.isSet(QStringLiteral("help"))) {
    line.help = true;
    return QString();
  }
  for (const RunOptionRow& row : kRunOptionTable) {
    if (row.cli_flag && parser.isSet(QString::fromLatin1(row.cli_flag))) line.options.*row.member = row.cli_value;
  }
  for (const CheckOption& option : kOptions) {
    const QString name = QString::fromLatin1(option.row.name);
    if (parser.isSet(name)) option.apply(line, option.row.value_name ? parser.values(name) : QStringList());
  }
  const QStringList positional = parser.positionalArguments();
  if (positional.size() > 2) {
    return QStringLiteral("surplus argument '%1' (TORRENT and DIR are given)").arg(positional[2]);
  }
  if (positional.size() < 2) return QStringLiteral("check needs a TORRENT and a DIR");
  if (line.json && line.ReportToStdout()) return QStringLiteral("--json and --report - both write to stdout");
  line.torrent = positional[0];
  line.dir = positional[1];
  return QString();
}

}  // namespace zandrel
