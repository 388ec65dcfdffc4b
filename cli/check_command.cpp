#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QTemporaryDir>
#include <QTime>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <unistd.h>

#include "messages/language_folder.h"
#include "check/run_setup.h"
#include "check/check_thread.h"
#include "cli/check_args.h"
#include "cli/check_json.h"
#include "cli/cli.h"
#include "check/preflight.h"
#include "cli/language_choice.h"
#include "cli/option_table.h"
#include "cli/progress_window.h"
#include "messages/failure_text.h"
#include "messages/text.h"
#include "platform/data_folder.h"
#include "platform/file_identity.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

int UsageError(const QString& message) {
  std::fprintf(stderr, "zandrel-cli: %s\n\n%s", Bytes(message).c_str(), CheckUsage().c_str());
  return 2;
}

int InputError(const QString& message) {
  std::fprintf(stderr, "zandrel-cli: %s\n", Bytes(message).c_str());
  return 2;
}

// Runs the check on its own thread while this thread turns SIGINT and SIGTERM into a cancel. The
// run's thread wakes this one with SIGUSR1 when it ends, so no time is lost polling.
bool RunUntilDone(EngineState& engine, const CheckInputs& inputs, WindowOperations& window, CheckThread& thread,
                  EventSink& listener) {
  sigset_t signal_set;
  sigemptyset(&signal_set);
  sigaddset(&signal_set, SIGINT);
  sigaddset(&signal_set, SIGTERM);
  sigaddset(&signal_set, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signal_set, nullptr);  // the worker inherits the mask
  const pthread_t waiting = pthread_self();
  thread.Start(engine, inputs, window, [waiting] { pthread_kill(waiting, SIGUSR1); }, &listener);
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

// Refusals that need only the command line and the torrent file.
QString InputProblem(const CheckCommandLine& line, const MessageTable& messages) {
  if (const Status usable = TorrentFileRefusal(line.torrent); !usable) return FailureText(usable.Why(), messages);
  if (const Status usable = DownloadDirRefusal(line.dir); !usable) return FailureText(usable.Why(), messages);
  return QString();
}

// 3 when every problem the run found was fixed: the only wrong-sized files were padded ones and
// all of them were trimmed. The final status cannot tell this: "trimmed successfully" is also
// shown when pieces failed. A file that could not be read is a problem left as it was.
bool AllProblemsFixed(const RunCounters& c) {
  return c.TrimDone && !c.TrimFailed && !c.MissingFilesFlag && !c.SmallerSeen && !c.PieceFailed && !c.UnneededFailed &&
         !c.UnreadableSeen && c.FixedFiles == 0 && c.DeletedWrongSized == 0 && c.TrimmedFiles == c.WrongSizedFiles;
}

// A dry run fixes nothing, so it never claims to have fixed everything.
int ExitStatus(const CheckResult& result, bool signalled, bool successful, bool dry_run) {
  if (result.counters.Cancelled && signalled) return 130;
  if (successful) return 0;
  return !dry_run && !result.counters.Cancelled && AllProblemsFixed(result.counters) ? 3 : 1;
}

// Why standard output did not take everything written to it; none when it did.
std::optional<QString> FlushStdout() {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return std::nullopt;
  const int error = errno;
  return QString::fromLocal8Bit(std::strerror(error != 0 ? error : EIO));
}

// Copies the report to standard output; why it did not arrive whole, or none when it did.
std::optional<QString> CopyToStdout(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return file.errorString();
  while (!file.atEnd()) {
    const QByteArray block = file.read(1 << 20);
    if (block.isEmpty()) {
      if (file.error() != QFileDevice::NoError) return file.errorString();
      break;
    }
    errno = 0;
    if (std::fwrite(block.constData(), 1, static_cast<size_t>(block.size()), stdout) != static_cast<size_t>(block.size())) {
      const int error = errno;
      return QString::fromLocal8Bit(std::strerror(error != 0 ? error : EIO));
    }
  }
  errno = 0;
  return FlushStdout();
}

// The data folder is settled (and made) only when the report goes there, and not at all when it
// would lie in the download: the preflight refuses that before anything is made.
QString LogsFolder(const CheckCommandLine& line) {
  if (!line.report.isEmpty()) return QString();
  const QString per_user = PerUserFolder();
  const bool portable = FileSize(WithTrailingSeparator(QDir::currentPath()) + kSettingsFileName) >= 0;
  if (!portable && IsSameOrInside(per_user, line.dir)) return per_user + kLogsFolderName;
  return SettleDataFolder(QDir::currentPath(), per_user).logs_path;
}

ProgressTotals TotalsOf(const TorrentModel& model) {
  ProgressTotals totals;
  totals.entries = static_cast<int64_t>(model.TorrentFiles.size());
  totals.piece_length = model.PieceLength;
  totals.total_bytes = model.PadBefore;
  for (const TorrentFileEntry& entry : model.TorrentFiles) {
    const int64_t add = entry.Length + entry.PadAfter;
    totals.total_bytes = add > INT64_MAX - totals.total_bytes ? INT64_MAX : totals.total_bytes + add;
  }
  return totals;
}

}  // namespace

int RunCheckCommand(const QStringList& args) {
  CheckCommandLine line;
  const QString error = ParseCheckArgs(args, line);
  if (!error.isEmpty()) return UsageError(error);
  if (line.help) {
    std::fputs(CheckUsage().c_str(), stdout);
    return 0;
  }
  QString lang_dir = LanguageFolder(QDir::currentPath(), QCoreApplication::applicationDirPath());
  QString problem;
  if (!line.language.isEmpty()) {
    lang_dir = FolderWithLanguage(line.language, QDir::currentPath(), QCoreApplication::applicationDirPath(), &problem);
    if (lang_dir.isEmpty()) return InputError(problem);
  }
  MessageTable messages(lang_dir);
  problem = InputProblem(line, messages);
  if (!problem.isEmpty()) return InputError(problem);
  EngineState engine(messages);
  if (const Status prepared = PrepareEngine(line, engine); !prepared)
    return InputError(FailureText(prepared.Why(), engine.messages));
  const QString logs_folder = LogsFolder(line);
  CheckInputs inputs = MakeInputs(line, logs_folder);
  const QTemporaryDir scratch;
  if (line.ReportToStdout()) {
    if (!scratch.isValid()) return InputError(QStringLiteral("report: cannot create a temporary folder for the report"));
    inputs.report_path = scratch.filePath(QStringLiteral("report.log"));
  }
  // Held until the run has ended: a second run of these folders is refused before it changes anything.
  RunLocks locks;
  if (const Status passed = RunPreflight(engine.model, inputs, locks); !passed)
    return InputError(FailureText(passed.Why(), messages));

  RunRecord record;
  inputs.dry_run = line.dry_run;
  const auto failures = [&record](RunStage stage) {
    return stage == RunStage::kHashCheck ? record.PieceFailures() : record.EntryProblems();
  };
  const ProgressTotals totals = TotalsOf(engine.model);
  ProgressWindow window(!line.quiet && isatty(STDERR_FILENO), totals, failures);
  CheckThread thread;
  const bool signalled = RunUntilDone(engine, inputs, window, thread, record);
  const CheckResult& result = thread.Wait();
  const QString status = result.status_text.isEmpty() ? window.LastStatusText() : result.status_text;
  int exit_status = ExitStatus(result, signalled, status == messages.MessageText(u"Status_Successful"), line.dry_run);
  if (!result.report_written) {
    std::fprintf(stderr, "zandrel-cli: the report %s could not be written\n", Bytes(result.report_path).c_str());
    if (exit_status != 130) exit_status = 1;
  } else if (!result.report_complete) {
    std::fprintf(stderr, "zandrel-cli: the report %s is incomplete: %s\n", Bytes(result.report_path).c_str(),
                 qPrintable(status));
    if (exit_status != 130) exit_status = 1;
  }
  // Whatever standard output does not take is said on stderr, and the run does not pass for a
  // whole one (a cancel by signal keeps its own status).
  const int failed_status = exit_status == 130 ? 130 : 1;
  if (line.json) {
    const std::string json = CheckJson({line, inputs, engine.model, record, result, status, exit_status});
    errno = 0;
    std::fwrite(json.data(), 1, json.size(), stdout);
    if (const std::optional<QString> why = FlushStdout()) {
      std::fprintf(stderr, "zandrel-cli: the JSON outcome could not be written to standard output: %s\n", qPrintable(*why));
      std::fprintf(stderr, "%s\n%s\n", Bytes(QDir::toNativeSeparators(result.report_path)).c_str(), qPrintable(status));
      return failed_status;
    }
  } else if (line.ReportToStdout()) {
    QString shown = status;
    if (const std::optional<QString> why = CopyToStdout(result.report_path)) {
      std::fprintf(stderr, "zandrel-cli: the report could not be written to standard output: %s\n", qPrintable(*why));
      // A report already cut short says so in the status; this one was whole until it met stdout.
      if (result.report_complete) {
        shown += u' ' + FillPlaceholders(messages.MessageText(u"Status_ReportIncomplete"), {{u"%reason%", *why}});
      }
      exit_status = failed_status;
    }
    std::fprintf(stderr, "%s\n", qPrintable(shown));
  } else {
    errno = 0;
    std::printf("%s\n", Bytes(QDir::toNativeSeparators(result.report_path)).c_str());
    std::printf("%s\n", qPrintable(status));
    if (const std::optional<QString> why = FlushStdout()) {
      std::fprintf(stderr, "zandrel-cli: standard output could not be written: %s\n", qPrintable(*why));
      std::fprintf(stderr, "%s\n%s\n", Bytes(QDir::toNativeSeparators(result.report_path)).c_str(), qPrintable(status));
      return failed_status;
    }
  }
  return exit_status;
}

}  // namespace zandrel
