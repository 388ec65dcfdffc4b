#include "check/check_run.h"

#include <QDate>
#include <QDir>
#include <QTime>
#include <algorithm>

#include "check/piece_verifier.h"
#include "check/stage_paths.h"
#include "check/stages.h"
#include "messages/text.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

// "BackupDir" for the run always ends with the backup marker and a separator.
QString NormalisedBackupDir(const QString& backup_dir) {
  QString dir = WithTrailingSeparator(backup_dir);
  const QString marker_end = kBackupMarker + QChar(kSeparator);
  if (!dir.endsWith(marker_end, Qt::CaseInsensitive)) dir += marker_end;
  return dir;
}

void WriteHeader(CheckRun& run) {
  const QString header = FillPlaceholders(run.Text(u"Log_Header"), {{u"%ver%", run.inputs.version}});
  run.WriteReportLine(header);
  run.WriteReportLine(QString(header.size(), u'-'));
  run.WriteReportLine(QString());
  run.WriteReportLine(run.Text(u"Log_FileCheck"));
  run.WriteReportLine(QString());
}

// A missing entry whose client keeps its data in "<name>.part" until it is complete: the line
// follows the entry's own, and the later stages read the entry from it and leave it alone.
void NotePartialFile(CheckRun& run, size_t index) {
  const TorrentFileEntry& entry = run.Files()[index];
  if (run.found[index] != 0 || entry.IsSymlink) return;
  const QString full_path = run.download_dir + entry.RelativePath();
  const QString partial = full_path + kPartialSuffix;
  const int64_t size = run.disk.FileSize(partial);
  if (run.disk.FileSize(full_path) != kNoFile || size < 0 || IsSymLink(partial)) return;
  if (run.partial_files.empty()) run.partial_files.resize(run.Files().size());
  run.partial_files[index] = partial;
  run.partial_paths.Add(entry.RelativePath() + kPartialSuffix);
  run.WriteReportLine(FillPlaceholders(run.Text(u"Log_PartialDownload"),
                                       {{u"%file%", Quoted(partial)},
                                        {u"%size%", QString::number(size)},
                                        {u"%length%", QString::number(entry.Length)}}));
}

// An empty entry proves nothing: an empty file of that name may stand in any folder.
bool NoFileOfTorrentFound(const CheckRun& run) {
  if (run.counters.WrongSizedFiles > 0) return false;
  for (size_t i = 0; i < run.Files().size(); ++i) {
    const bool partial = i < run.partial_files.size() && !run.partial_files[i].isEmpty();
    if ((run.found[i] != 0 && run.Files()[i].Length > 0) || !run.unreadable[i].isEmpty() || partial) return false;
  }
  return true;
}

StepResult RunFileCheck(CheckRun& run) {
  run.window.StageChanged(RunStage::kFileCheck);
  const auto& files = run.Files();
  for (size_t i = 0; i < files.size(); ++i) {
    if (CheckEntry(run, i) == StepResult::kCancelled) return StepResult::kCancelled;
    NotePartialFile(run, i);
    run.window.SetProgressValue(static_cast<int64_t>(i) + 1);
    if (run.CancelRequested()) return StepResult::kCancelled;
  }
  return StepResult::kDone;
}

void WriteFileCheckSummary(CheckRun& run) {
  const RunCounters& c = run.counters;
  const int64_t entries = static_cast<int64_t>(run.Files().size());
  if (c.FileLinesWritten) run.WriteReportLine(QString());
  const QString summary = FillPlaceholders(run.Text(u"Log_CorrectFiles"),
                                           {{u"%okfiles%", CountOfTotal(c.CorrectFiles, entries)},
                                            {u"%missingfiles%", CountOfTotal(c.MissingFiles, entries)},
                                            {u"%wrongsizedfiles%", QString::number(c.WrongSizedFiles)},
                                            {u"%trimmedfiles%", CountOfTotal(c.TrimmedFiles, c.PaddedFiles)},
                                            {u"%deletedfiles%", CountOfTotal(c.DeletedWrongSized, c.WrongSizedFiles)}});
  // A dry run trimmed and deleted nothing: counts of such changes carry the lines' mark.
  run.WriteReportLine(c.TrimmedFiles > 0 || c.DeletedWrongSized > 0 ? run.Done(summary) : summary);
  // Files that could not be read are neither correct nor missing nor of a wrong size.
  if (c.UnreadableFiles > 0) {
    run.WriteReportLine(FillPlaceholders(run.Text(u"Log_UnreadableFiles"),
                                         {{u"%unreadablefiles%", CountOfTotal(c.UnreadableFiles, entries)}}));
  }
}

StepResult RunIntegrityStage(CheckRun& run) {
  run.window.StageChanged(RunStage::kHashCheck);
  run.WriteReportLine(QString());
  run.WriteReportLine(run.Text(u"Log_FileIntegrityCheck"));
  run.WriteReportLine(QString());
  run.WriteReportLine(FillPlaceholders(run.Text(u"Log_Pieces"),
                                       {{u"%pieces%", QString::number(VerifiedPieceCount(run))},
                                        {u"%piecesize%", QString::number(run.model.PieceLength)}}));
  run.WriteReportLine(QString());
  const StepResult verified = VerifyPieces(run);
  run.counters.PiecesVerified = verified == StepResult::kDone;
  return verified;
}

void AddUnneededCounts(RunCounters& c, const UnneededCounts& counts) {
  c.UnneededFiles = counts.files;
  c.UnneededDirs = counts.dirs;
  c.DeletedFiles = counts.deleted_files;
  c.DeletedDirs = counts.deleted_dirs;
  if (counts.failed) c.UnneededFailed = true;
}

QString WithSeeReport(CheckRun& run, const QString& text, bool open_report_ticked) {
  return open_report_ticked ? text : text + u' ' + run.Text(u"Status_SeeReport");
}

}  // namespace

CheckRun::CheckRun(EngineState& engine_state, const CheckInputs& run_inputs, WindowOperations& win)
    : engine(engine_state),
      model(engine_state.model),
      texts(engine_state.messages),
      inputs(run_inputs),
      options(inputs.options),
      backup_marker_folder(NormalisedBackupDir(run_inputs.options.BackupDir)),
      window(win),
      ignore_list(run_inputs.ignore_list ? *run_inputs.ignore_list : engine_state.ignore_list),
      found(engine_state.model.TorrentFiles.size(), 0),
      record(run_inputs.record ? *run_inputs.record : own_record),
      disk(run_inputs.dry_run) {
  download_dir = WithTrailingSeparator(inputs.download_dir);
  files = EntriesAsOnDisk(model.TorrentFiles, download_dir);
  unreadable.resize(files.size());
  disk.before_change = inputs.before_each_change;
  ignore_list.Add(kBackupMarker);
  RebuildNeededPaths();
  KeepFile(inputs.torrent_path);
  for (const QString& kept : inputs.kept_files) KeepFile(kept);
}

void CheckRun::KeepFile(const QString& path) {
  if (const std::optional<FileIdentity> identity = IdentityOf(path)) kept_identities.push_back(*identity);
}

void CheckRun::RebuildNeededPaths() {
  needed_paths.Clear();
  needed_sorted.clear();
  needed_sorted.reserve(files.size());
  for (const TorrentFileEntry& entry : files) {
    needed_paths.Add(entry.Dir + entry.Name);
    if (!entry.Dir.isEmpty()) needed_paths.Add(entry.Dir.chopped(1));
    needed_sorted.push_back(needed_paths.KeyOf(entry.Dir + entry.Name));
  }
  // A file under the name the torrent writes is a file of the torrent even beside the cleaned one.
  for (const TorrentFileEntry& entry : model.TorrentFiles) {
    if (entry.AsWritten.isEmpty()) continue;
    needed_paths.Add(entry.AsWritten);
    for (qsizetype cut = entry.AsWritten.indexOf(QChar(kSeparator)); cut > 0;
         cut = entry.AsWritten.indexOf(QChar(kSeparator), cut + 1)) {
      needed_paths.Add(entry.AsWritten.left(cut));
    }
  }
  // Padding files are needed wherever a client wrote them, and never required on disk.
  for (const QString& padding : model.PaddingPaths) {
    needed_paths.Add(padding);
    needed_sorted.push_back(needed_paths.KeyOf(padding));
  }
  std::sort(needed_sorted.begin(), needed_sorted.end());
}

// Every folder on the way to a file of the torrent is needed, however deep: a link standing for
// one (part of a download kept on another disk) is left alone, and so are the folders above it.
// Looked up in the sorted paths rather than stored for each folder, which a torrent of 100,000
// nested components would turn into gigabytes.
bool CheckRun::HoldsNeededPath(const QString& relative_dir) const {
  const QString prefix = needed_paths.KeyOf(relative_dir) + QChar(kSeparator);
  const auto it = std::lower_bound(needed_sorted.begin(), needed_sorted.end(), prefix);
  return it != needed_sorted.end() && it->startsWith(prefix);
}

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

}  // namespace

// The final status line: the first row of the table whose condition holds, then what the row
// cannot say itself: a dry run's mark on a change it did not make, and the files that could not
// be read.
QString FinalStatusText(CheckRun& run, bool open_report_ticked) {
  const RunCounters& c = run.counters;
  if (c.Cancelled) return run.Text(u"Status_Cancelled");
  const StatusRow row = ChooseStatus(c);
  if (row.key == nullptr) return QString();
  QString text = run.Text(row.key);
  if (QStringView(row.key) == u"Status_SHA1Failed") {
    const QString percent = QString::number(double(c.PercentComplete), 'f', 1) + u'%';
    text = FillPlaceholders(run.Text(VerifiesByV2Trees(run) ? u"Status_SHA256Failed" : u"Status_SHA1Failed"),
                            {{u"%percent%", percent}});
  }
  if (row.tells_of_change) text = run.Done(text);
  if (c.UnreadableFiles > 0) {
    text += u' ' + FillPlaceholders(run.Text(u"Status_FilesUnreadable"),
                                    {{u"%count%", QString::number(c.UnreadableFiles)}});
  }
  return row.see_report ? WithSeeReport(run, text, open_report_ticked) : text;
}

CheckResult RunCheck(EngineState& engine, const CheckInputs& inputs, WindowOperations& window) {
  CheckRun run(engine, inputs, window);
  CheckResult result;
  if (inputs.report_path.isEmpty()) {
    CreateDirectories(inputs.logs_folder);
    run.report_path = WithTrailingSeparator(inputs.logs_folder) +
                      ReportFileName(inputs.torrent_path, QDate::currentDate(), QTime::currentTime());
    // Two runs within one second name the same report: the later one takes a name beside it.
    const std::optional<QString> taken = run.report.CreateNew(run.report_path);
    result.report_written = taken.has_value();
    if (taken) run.report_path = *taken;
  } else {
    run.report_path = inputs.report_path;
    result.report_written = run.report.Create(run.report_path);
  }
  if (result.report_written) run.KeepFile(run.report_path);
  engine.cancel_flag.store(0);
  if (inputs.record) run.record.Start(run.Files().size());

  window.SetCheckButtonCaption(run.Text(u"Button_Cancel"));
  window.ShowProgressBar(true);
  int64_t maximum = static_cast<int64_t>(run.Files().size());
  if (run.options.HashCheck == 1) maximum += VerifiedPieceCount(run);
  window.SetProgressMaximum(maximum);

  WriteHeader(run);
  if (RunFileCheck(run) == StepResult::kCancelled) run.counters.Cancelled = true;
  run.counters.NothingFound = NoFileOfTorrentFound(run);
  WriteFileCheckSummary(run);
  if (run.options.HashCheck == 1 && !run.counters.Cancelled && RunIntegrityStage(run) == StepResult::kCancelled)
    run.counters.Cancelled = true;
  window.SettleWait();
  const RunCounters& c = run.counters;
  if (run.options.FixMissing == 1 && !c.Cancelled && (c.MissingFilesFlag || c.WrongSizeSeen || c.SmallerSeen)) {
    window.StageChanged(RunStage::kRepair);
    if (RunRepairStage(run) == StepResult::kCancelled) run.counters.Cancelled = true;
  }
  if (run.options.CheckUnneededFiles == 1 && !run.counters.Cancelled) {
    window.StageChanged(RunStage::kUnneeded);
    const UnneededOutcome unneeded = RunUnneededStage(run);
    AddUnneededCounts(run.counters, unneeded.counts);
    if (unneeded.result == StepResult::kCancelled) run.counters.Cancelled = true;
  }
  if (run.counters.Cancelled) run.WriteReportLine(run.Text(u"Log_ZandrelCancelled"));
  run.report.Close();
  window.ShowProgressBar(false);
  window.SetIdle();
  window.StageChanged(RunStage::kDone);

  result.status_text = FinalStatusText(run, inputs.open_report_ticked);
  result.report_complete = result.report_written && run.report.Complete();
  if (result.report_written && !result.report_complete) {
    // A report cut short must never pass for the whole story, whatever the check found.
    const QString incomplete = FillPlaceholders(run.Text(u"Status_ReportIncomplete"), {{u"%reason%", run.report.LastError()}});
    result.status_text = result.status_text.isEmpty() ? incomplete : result.status_text + u' ' + incomplete;
  }
  if (!result.status_text.isEmpty()) window.SetStatusText(result.status_text);
  if (!run.counters.Cancelled && run.options.OpenReport == 1) window.OpenWithAssociatedProgram(run.report_path);
  window.ShowStatusLine(true);
  window.SetCheckButtonCaption(run.Text(u"Button_CheckTorrent"));
  result.backup_dir = inputs.backup_field_text;
  result.report_path = run.report_path;
  result.counters = run.counters;
  result.found = std::move(run.found);
  return result;
}

}  // namespace zandrel
