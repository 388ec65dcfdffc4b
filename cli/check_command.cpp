#include <QDir>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <unistd.h>

#include "app/run_setup.h"
#include "check/check_thread.h"
#include "cli/cli.h"
#include "cli/progress_window.h"
#include "platform/data_folder.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

const char kCheckUsage[] =
    "Usage: zandrel-cli check TORRENT DIR [options]\n"
    "\n"
    "Checks the download in DIR against TORRENT and writes a report.\n"
    "\n"
    "  --log-found-files          list correct files in the report too\n"
    "  --hash-check               verify every piece with SHA-1\n"
    "  --no-check-unneeded        skip the scan for files the torrent does not list\n"
    "  --delete-unneeded          delete (or back up) unneeded files and folders\n"
    "  --delete-when-incomplete   allow that deletion also when files are missing\n"
    "  --trim-padded-files        trim files that are longer than the torrent says\n"
    "  --delete-wrong-sized-files delete (or back up) files of the wrong size\n"
    "  --fix-missing              rebuild missing files from same-sized files\n"
    "  --no-backups               do not move replaced files to the backup folder first\n"
    "  --backup-dir DIR           keep backups (and look for rebuild sources) in DIR\n"
    "                             instead of the download directory\n"
    "  --ignore PATH              leave PATH (relative path or bare file name) alone;\n"
    "                             may be given several times\n"
    "  --ignore-torrent FILE      leave every path of another torrent alone; repeatable\n"
    "  --report FILE              write the report to FILE instead of the logs folder\n"
    "  --language NAME            use lang/NAME.lng for report texts\n"
    "  --quiet                    no progress line\n"
    "\n"
    "Prints the report path, then the final status. Exit status: 0 when the check\n"
    "was successful, 1 for any other finished run, 2 for a usage error or an\n"
    "unreadable torrent, 130 when cancelled by SIGINT or SIGTERM.\n";

struct CheckCommandLine : RunRequest {
  bool quiet = false;
  bool help = false;
};

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

// Fills `line`; returns an error message for a usage error.
QString ParseCheckArgs(const QStringList& args, CheckCommandLine& line) {
  line.options.OpenReport = 0;  // a command line never opens the report
  QStringList positional;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      line.help = true;
      return QString();
    }
    bool matched = false;
    for (const FlagOption& flag : kFlags) {
      if (arg == QLatin1String(flag.name)) {
        line.options.*flag.field = flag.value;
        matched = true;
      }
    }
    if (matched) continue;
    if (arg == QLatin1String("--quiet")) {
      line.quiet = true;
      continue;
    }
    static const char* kWithValue[] = {"--backup-dir", "--ignore", "--ignore-torrent", "--report", "--language"};
    for (const char* name : kWithValue) {
      if (arg != QLatin1String(name)) continue;
      if (i + 1 >= args.size()) return QStringLiteral("option %1 needs a value").arg(arg);
      const QString value = args[++i];
      if (arg == QLatin1String("--backup-dir")) line.options.BackupDir = value;
      if (arg == QLatin1String("--ignore")) line.ignore_paths << value;
      if (arg == QLatin1String("--ignore-torrent")) line.ignore_torrents << value;
      if (arg == QLatin1String("--report")) line.report = value;
      if (arg == QLatin1String("--language")) line.language = value;
      matched = true;
    }
    if (matched) continue;
    if (arg.startsWith(u'-') && arg.size() > 1) return QStringLiteral("unknown option %1").arg(arg);
    positional << arg;
  }
  if (positional.size() != 2) return QStringLiteral("check needs a TORRENT and a DIR");
  line.torrent = positional[0];
  line.dir = positional[1];
  return QString();
}

int UsageError(const QString& message) {
  std::fprintf(stderr, "zandrel-cli: %s\n\n%s", qPrintable(message), kCheckUsage);
  return 2;
}

int InputError(const QString& message) {
  std::fprintf(stderr, "zandrel-cli: %s\n", qPrintable(message));
  return 2;
}

// Runs the check on its own thread while this thread turns SIGINT and SIGTERM into a cancel. The
// run's thread wakes this one with SIGUSR1 when it ends, so no time is lost polling.
bool RunUntilDone(EngineState& engine, const CheckInputs& inputs, WindowOperations& window, CheckThread& thread) {
  sigset_t signal_set;
  sigemptyset(&signal_set);
  sigaddset(&signal_set, SIGINT);
  sigaddset(&signal_set, SIGTERM);
  sigaddset(&signal_set, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signal_set, nullptr);  // the worker inherits the mask
  const pthread_t waiting = pthread_self();
  thread.Start(engine, inputs, window, [waiting] { pthread_kill(waiting, SIGUSR1); });
  bool cancelled_by_signal = false;
  const timespec tick{0, 200 * 1000 * 1000};
  while (thread.Running()) {
    const int received = sigtimedwait(&signal_set, nullptr, &tick);
    if (received == SIGINT || received == SIGTERM) cancelled_by_signal = true;
    // Repeated because the run clears the flag when it starts.
    if (cancelled_by_signal) engine.cancel_flag.store(1);
  }
  thread.Wait();
  // A wake-up that arrived after the last look must not stay pending.
  const timespec none{0, 0};
  while (sigtimedwait(&signal_set, nullptr, &none) > 0) {
  }
  pthread_sigmask(SIG_UNBLOCK, &signal_set, nullptr);
  return cancelled_by_signal;
}

}  // namespace

int RunCheckCommand(const QStringList& args) {
  CheckCommandLine line;
  const QString error = ParseCheckArgs(args, line);
  if (!error.isEmpty()) return UsageError(error);
  if (line.help) {
    std::fputs(kCheckUsage, stdout);
    return 0;
  }
  if (FileSize(line.dir) != -2) return InputError(line.dir + QStringLiteral(": not a directory"));
  MessageTable messages;
  EngineState engine(messages);
  const QString problem = PrepareEngine(line, engine);
  if (!problem.isEmpty()) return InputError(problem);

  const CheckInputs inputs = MakeInputs(line, SettleDataFolder(QDir::currentPath(), PerUserFolder()).logs_path);
  ProgressWindow window(!line.quiet && isatty(STDERR_FILENO), engine.model.PieceLength,
                        static_cast<int64_t>(engine.model.TorrentFiles.size()));
  CheckThread thread;
  const bool signalled = RunUntilDone(engine, inputs, window, thread);
  const CheckResult& result = thread.Wait();

  std::printf("%s\n", qPrintable(QDir::toNativeSeparators(result.report_path)));
  const QString status = result.status_text.isEmpty() ? window.LastStatusText() : result.status_text;
  std::printf("%s\n", qPrintable(status));
  std::fflush(stdout);
  if (result.counters.Cancelled && signalled) return 130;
  return status == messages.MessageText(u"Status_Successful") ? 0 : 1;
}

}  // namespace zandrel
