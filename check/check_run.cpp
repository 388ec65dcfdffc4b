#include "check/check_run.h"

#include "check/disk_actions.h"
#include "check/piece_verifier.h"
#include "check/stages.h"
#include "messages/text.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

// A row of the final status table: its text's key, whether "See report." follows, and whether the
// text tells of a change on disk (which a dry run did not make).
struct StatusRow {
  const char16_t* key = nullptr;
  bool see_report = true;
  bool tells_of_change = false;
};

StatusRow ChooseStatus(const RunCounters& c) {
  // A file that could not be read is not known to be there: no outcome may claim it is.
  const bool missing = c.MissingFilesFlag || c.UnreadableSeen;
  if (c.FixedFiles > 0) return {u"Status_FixedFiles", false, true};
  if (c.TrimFailed) return {u"Status_TrimSpace"};
  // An unneeded item that was to go and stayed is a failure, never a success.
  if (!missing && !c.TrimDone && !c.SmallerSeen && !c.WrongSizeSeen && !c.PieceFailed)
    return c.UnneededFailed ? StatusRow{u"Status_UnneededFailed"} : StatusRow{u"Status_Successful", false};
  if ((missing || c.WrongSizeSeen || c.PieceFailed) && !c.TrimDone && !c.SmallerSeen) {
    // The hash check failed only when it read what it hashed: a piece that failed because a file
    // could not be read says nothing about the download's bytes.
    if (!c.PieceFailed || (c.UnreadableFiles > 0 && !c.ReadPieceFailed)) return {u"Status_Unsuccessful"};
    return {u"Status_SHA1Failed", false};  // or SHA-256, with the percentage
  }
  // Failed pieces and unneeded items left behind are problems as much as missing files are; and
  // a run that deleted wrong-sized files (deleting wins over trimming) trimmed none.
  const bool problems = missing || c.SmallerSeen || c.PieceFailed || c.UnneededFailed;
  if (c.DeletedWrongSized > 0 && c.TrimmedFiles == 0)
    return {problems ? u"Status_DeletedProblems" : u"Status_DeletedFiles", true, true};
  if (c.TrimDone && !problems) return {u"Status_TrimOK", true, true};
  if (c.TrimDone && problems) return {u"Status_TrimProblems", true, true};
  if (!c.TrimDone && c.SmallerSeen) return {u"Status_NotTrimmed"};
  return {};  // no row: the status line keeps its text
}

// Creates the report at the path the user named, or under a fresh name in the logs folder; `path`
// becomes where it went (or was meant to go, when it could not be written).
bool OpenReport(const CheckInputs& inputs, ReportWriter& writer, QString& path) {
  if (!inputs.report_path.isEmpty()) {
    path = inputs.report_path;
    return writer.Create(path);
  }
  CreateDirectories(inputs.logs_folder);
  path = WithTrailingSeparator(inputs.logs_folder) +
         ReportFileName(inputs.torrent_path, QDate::currentDate(), QTime::currentTime());
  // Two runs within one second name the same report: the later one takes a name beside it.
  const std::optional<QString> taken = writer.CreateNew(path);
  if (taken) path = *taken;
  return taken.has_value();
}

void StartWindow(const RunContext& context, WindowOperations& window) {
  window.SetCheckButtonCaption(context.Text(u"Button_Cancel"));
  window.ShowProgressBar(true);
  int64_t maximum = static_cast<int64_t>(context.Files().size());
  if (context.options.HashCheck == 1) maximum += VerifiedPieceCount(context);
  window.SetProgressMaximum(maximum);
}

// The stages in order; each one after the first only when the ones before it let it run.
FileCheckOutcome RunStages(StageRun& run, const RunCounters& counters) {
  const RunOptions& options = run.options;
  FileCheckOutcome files = RunFileCheck(run);
  bool cancelled = files.result == StepResult::kCancelled;
  if (options.HashCheck == 1 && !cancelled) cancelled = RunHashCheck(run, files).result == StepResult::kCancelled;
  run.window.SettleWait();
  const bool wanting = counters.MissingFilesFlag || counters.WrongSizeSeen || counters.SmallerSeen;
  if (options.FixMissing == 1 && !cancelled && wanting) {
    cancelled = RunRepairStage(run, files).result == StepResult::kCancelled;
  }
  if (options.CheckUnneededFiles == 1 && !cancelled) {
    cancelled = RunUnneededStage(run, files, counters).result == StepResult::kCancelled;
  }
  if (cancelled) run.Emit(RunCancelled{});
  return files;
}

// The status line the run ends with, a report cut short included.
QString EndStatus(const RunContext& context, const RunCounters& counters, const ReportWriter& writer, bool written) {
  QString status = FinalStatusText(context, counters, context.inputs.open_report_ticked);
  if (written && !writer.Complete()) {
    // A report cut short must never pass for the whole story, whatever the check found.
    const QString incomplete =
        FillPlaceholders(context.Text(u"Status_ReportIncomplete"), {{u"%reason%", writer.LastError()}});
    status = status.isEmpty() ? incomplete : status + u' ' + incomplete;
  }
  return status;
}

void EndWindow(const RunContext& context, const CheckResult& result, WindowOperations& window) {
  window.ShowProgressBar(false);
  window.SetIdle();
  window.StageChanged(RunStage::kDone);
  if (!result.status_text.isEmpty()) window.SetStatusText(result.status_text);
  if (!result.counters.Cancelled && context.options.OpenReport == 1) window.OpenWithAssociatedProgram(result.report_path);
  window.ShowStatusLine(true);
  window.SetCheckButtonCaption(context.Text(u"Button_CheckTorrent"));
}

}  // namespace

// The final status line: the first row of the table whose condition holds, then what the row
// cannot say itself: a dry run's mark on a change it did not make, and the files that could not
// be read.
QString FinalStatusText(const RunContext& run, const RunCounters& c, bool open_report_ticked) {
  if (c.Cancelled) return run.Text(u"Status_Cancelled");
  const StatusRow row = ChooseStatus(c);
  if (row.key == nullptr) return QString();
  QString text = run.Text(row.key);
  if (QStringView(row.key) == u"Status_SHA1Failed") {
    const QString percent = QString::number(double(c.PercentComplete), 'f', 1) + u'%';
    text = FillPlaceholders(run.Text(VerifiesByV2Trees(run) ? u"Status_SHA256Failed" : u"Status_SHA1Failed"),
                            {{u"%percent%", percent}});
  }
  if (row.tells_of_change && run.DryRun()) text += kNotDoneMark;
  if (c.UnreadableFiles > 0) {
    text += u' ' + FillPlaceholders(run.Text(u"Status_FilesUnreadable"),
                                    {{u"%count%", QString::number(c.UnreadableFiles)}});
  }
  return row.see_report && !open_report_ticked ? text + u' ' + run.Text(u"Status_SeeReport") : text;
}

CheckResult RunCheck(EngineState& engine, const CheckInputs& inputs, WindowOperations& window, EventSink* listener) {
  ReportWriter writer;
  CheckResult result;
  result.report_written = OpenReport(inputs, writer, result.report_path);
  const RunContext context(engine, inputs, result.report_written ? result.report_path : QString());
  engine.cancel_flag.store(0);
  RunReport report(context, writer);
  CounterSink counters;
  EventFanOut events;
  events.Add(counters);
  events.Add(report);
  if (listener) events.Add(*listener);
  DiskActions disk(inputs.dry_run);
  disk.before_change = inputs.before_each_change;
  StageRun run(context, disk, window, events);

  StartWindow(context, window);
  run.Emit(RunStarted{context.Files().size()});
  result.found = RunStages(run, counters.counters).found;
  writer.Close();
  result.counters = counters.counters;
  result.status_text = EndStatus(context, result.counters, writer, result.report_written);
  result.report_complete = result.report_written && writer.Complete();
  EndWindow(context, result, window);
  return result;
}

}  // namespace zandrel
