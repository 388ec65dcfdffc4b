#include "cli/check_args.h"

namespace zandrel {

const char kCheckUsage[] =
    "Usage: zandrel-cli check TORRENT DIR [options]\n"
    "\n"
    "Checks the download in DIR against TORRENT and writes a report.\n"
    "\n"
    "DIR is the folder that holds the torrent's files as the torrent lists them. For a single-file\n"
    "torrent that is the folder the file is in. For a multi-file torrent it is the torrent's own\n"
    "folder (DIR/<file paths>), not the folder above it that torrent clients ask for; when DIR\n"
    "holds none of the files but a folder named like the torrent, the check refuses to run.\n"
    "\n"
    "  --log-found-files          list correct files in the report too\n"
    "  --hash-check               verify every piece with SHA-1\n"
    "  --no-check-unneeded        skip the scan for files the torrent does not list\n"
    "  --delete-unneeded          delete (or back up) everything in DIR that the torrent does\n"
    "                             not list (files and folders), unless it is ignored\n"
    "  --delete-when-incomplete   allow that deletion also when files are missing\n"
    "  --trim-padded-files        trim files that are longer than the torrent says\n"
    "  --delete-wrong-sized-files delete (or back up) files of the wrong size\n"
    "  --fix-missing              rebuild missing files from same-sized files\n"
    "  --no-backups               do not move replaced files to the backup folder first\n"
    "  --backup-dir DIR           keep backups (and look for rebuild sources) in DIR\n"
    "                             instead of the download directory\n"
    "  --ignore PATH              PATH (relative to DIR, or a bare file name) is never reported\n"
    "                             as unneeded, deleted or moved as unneeded, nor used as a\n"
    "                             repair source; repeatable. A file of the torrent on PATH is\n"
    "                             still checked, and trimmed or deleted when its size is wrong\n"
    "                             and --trim-padded-files or --delete-wrong-sized-files is given\n"
    "  --ignore-torrent FILE      the same for every path of another torrent; repeatable\n"
    "  --dry-run                  decide everything as a real run would and report it, each\n"
    "                             trim, delete, move, backup and repair marked as not done;\n"
    "                             nothing on disk changes except the report\n"
    "  --json                     print one JSON object with the whole outcome on stdout\n"
    "                             instead of the report path and status\n"
    "  --report FILE              write the report to FILE instead of the logs folder; with\n"
    "                             '-' the report goes to stdout and the status to stderr\n"
    "  --language NAME            use NAME.lng for report texts (from ./lang, else the\n"
    "                             program's own language folder)\n"
    "  --quiet                    no progress line\n"
    "\n"
    "The report is created before anything is checked; when it cannot be, nothing is done.\n"
    "Prints the report path, then the final status.\n"
    "\n"
    "Exit status:\n"
    "  0    the check was successful: no problem found\n"
    "  1    the run finished and found problems that are not all fixed\n"
    "  2    usage error, unreadable torrent, DIR or report; nothing was done\n"
    "  3    problems were found and all of them fixed: every wrong-sized file was longer\n"
    "       than the torrent says and was trimmed; no file is missing, none is smaller,\n"
    "       no piece failed (the final status then reads that files were trimmed)\n"
    "  130  cancelled by SIGINT or SIGTERM (the report ends with the cancel line)\n";

namespace {

struct FlagOption {
  const char* name;
  int RunOptions::*field;
  int value;
};

const FlagOption kFlags[] = {
    {"--log-found-files", &RunOptions::LogFoundFiles, 1},
    {"--hash-check", &RunOptions::HashCheck, 1},
    {"--no-check-unneeded", &RunOptions::CheckUnneededFiles, 0},
    {"--delete-unneeded", &RunOptions::DelUnneededFiles, 1},
    {"--delete-when-incomplete", &RunOptions::DelOnlyWhenComplete, 0},
    {"--trim-padded-files", &RunOptions::TrimPaddedFiles, 1},
    {"--delete-wrong-sized-files", &RunOptions::DeleteWrongSizedFiles, 1},
    {"--fix-missing", &RunOptions::FixMissing, 1},
    {"--no-backups", &RunOptions::CreateBackups, 0},
};

bool SwitchOption(const QString& arg, CheckCommandLine& line) {
  for (const FlagOption& flag : kFlags) {
    if (arg == QLatin1String(flag.name)) {
      line.options.*flag.field = flag.value;
      return true;
    }
  }
  if (arg == QLatin1String("--quiet")) line.quiet = true;
  else if (arg == QLatin1String("--json")) line.json = true;
  else if (arg == QLatin1String("--dry-run")) line.dry_run = true;
  else return false;
  return true;
}

QString* ValueField(const QString& arg, CheckCommandLine& line, QString& scratch) {
  if (arg == QLatin1String("--backup-dir")) return &line.options.BackupDir;
  if (arg == QLatin1String("--report")) return &line.report;
  if (arg == QLatin1String("--language")) return &line.language;
  if (arg == QLatin1String("--ignore") || arg == QLatin1String("--ignore-torrent")) return &scratch;
  return nullptr;
}

}  // namespace

QString ParseCheckArgs(const QStringList& args, CheckCommandLine& line) {
  line.options.OpenReport = 0;  // a command line never opens the report
  QStringList positional;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      line.help = true;
      return QString();
    }
    if (SwitchOption(arg, line)) continue;
    QString scratch;
    if (QString* field = ValueField(arg, line, scratch)) {
      if (i + 1 >= args.size()) return QStringLiteral("option %1 needs a value").arg(arg);
      *field = args[++i];
      if (arg == QLatin1String("--ignore")) line.ignore_paths << scratch;
      if (arg == QLatin1String("--ignore-torrent")) line.ignore_torrents << scratch;
      continue;
    }
    if (arg.startsWith(u'-') && arg.size() > 1) return QStringLiteral("unknown option %1").arg(arg);
    if (positional.size() == 2) return QStringLiteral("surplus argument '%1' (TORRENT and DIR are given)").arg(arg);
    positional << arg;
  }
  if (positional.size() < 2) return QStringLiteral("check needs a TORRENT and a DIR");
  if (line.json && line.ReportToStdout()) return QStringLiteral("--json and --report - both write to stdout");
  line.torrent = positional[0];
  line.dir = positional[1];
  return QString();
}

}  // namespace zandrel
