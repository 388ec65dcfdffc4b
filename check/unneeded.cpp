// Unneeded files stage: finds what in the download directory belongs neither to the torrent nor to
// the ignore list, reports it, and deletes it or moves it into the backup location when allowed.
#include "check/stage_paths.h"
#include "check/stages.h"
#include "messages/text.h"
#include "platform/directory_walk.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

QString Line(const CheckRun& run, QStringView key, QStringView placeholder, const QString& path) {
  return FillPlaceholders(run.Text(key), {{placeholder, Quoted(path)}});
}

// The folder of a single-file torrent is the folder the file was saved in, which other downloads
// share: what else lies there is listed, never deleted or moved.
bool Permitted(const CheckRun& run) {
  if (run.model.SingleFile || run.counters.NothingFound) return false;
  // A file of the torrent that could not be read is not known to be complete.
  if (run.options.DelOnlyWhenComplete == 1 && run.counters.UnreadableSeen) return false;
  return run.DeletionPermitted();
}

QString DirectoryPart(const QString& relative) {
  return relative.left(relative.lastIndexOf(QChar(kSeparator)) + 1);
}

// Without a backup location the folder name may be left from another download, so nothing is
// created or moved below it.
bool PrepareFailed(CheckRun& run) {
  return PrepareBackupLocation(run, run.options.TorrentDir) == StepResult::kFailed;
}

// The file goes below the backup folder at its relative path, beside anything already there.
bool MoveToBackup(CheckRun& run, const QString& path, const QString& relative) {
  bool moved = false;
  if (!PrepareFailed(run)) {
    CreateDirectoryPath(run, relative, kBackupRelative);
    // An earlier backup at the same path stays: this one takes a free name beside it. A file of
    // the torrent there (a download once checked here and shared again lists the backup folder),
    // or the file itself, takes none.
    const QString wanted = BackupFolder(run, relative);
    moved = !PrepareFailed(run) && BackupFoldersAreReal(run, DirectoryPart(relative)) &&
            !IsNeededPath(run, wanted) && !SamePlace(wanted, path) &&
            run.disk.MoveFile(path, FreeNameBeside(run.disk, wanted));
  }
  if (moved) {
    const QString folder = BackupFolder(run, DirectoryPart(relative));
    run.WriteReportLine(run.Done(FillPlaceholders(run.Text(u"Log_MovedUnneededFile"),
                                                  {{u"%file%", Quoted(path)}, {u"%backupdir%", Quoted(folder)}})));
    run.record.Unneeded(path, false, UnneededAction::kMoved, folder);
    return true;
  }
  run.WriteReportLine(Line(run, u"Log_UnableToMoveFile", u"%file%", path));
  if (run.disk.SourceChanged()) run.WriteReportLine(SourceChangedLine(run, path));
  run.record.Unneeded(path, false, UnneededAction::kMoveFailed);
  return false;
}

// Deletes or backs up one unneeded file; true when it is gone from its place, which a file that was
// to go and stayed fails the stage.
bool RemoveFile(CheckRun& run, const QString& path, const QString& relative) {
  bool removed = false;
  if (run.options.CreateBackups == 1) {
    removed = MoveToBackup(run, path, relative);
  } else {
    removed = run.disk.DeleteFile(path);
    const QString line = Line(run, removed ? u"Log_DeletedFile" : u"Log_UnableToDeleteFile", u"%file%", path);
    run.WriteReportLine(removed ? run.Done(line) : line);
    run.record.Unneeded(path, false, removed ? UnneededAction::kDeleted : UnneededAction::kDeleteFailed);
  }
  return removed;
}

bool NeededOrIgnored(const CheckRun& run, const QString& relative) {
  return run.needed_paths.IsPresent(relative) || run.HoldsNeededPath(relative) || IgnoredDirectory(run, relative);
}

// Every directory above a needed or ignored one is needed too. The scan judges a directory only
// after everything below it, so its ancestors are marked before their turn comes.
void MarkAncestorsNeeded(CheckRun& run, const QString& relative) {
  for (qsizetype pos = relative.indexOf(QChar(kSeparator)); pos > 0;
       pos = relative.indexOf(QChar(kSeparator), pos + 1)) {
    run.needed_paths.Add(relative.left(pos));
  }
}

// Re-creates an unneeded directory below the backup folder, so that even an empty one is kept.
StepResult MirrorInBackup(CheckRun& run, const QString& relative) {
  if (PrepareFailed(run)) return StepResult::kFailed;
  if (run.disk.FileSize(BackupFolder(run, relative)) >= 0) return StepResult::kDone;
  return CreateDirectoryPath(run, relative + QChar(kSeparator), kBackupRelative);
}

struct Contents {
  bool listed = false;
  bool any = false;           // a file or a directory
  bool ignored_file = false;  // a file the ignore list keeps
};

Contents ReadContents(const CheckRun& run, const QString& path, const QString& relative) {
  Contents contents;
  const auto entries = run.disk.ListDirectory(path);
  if (!entries) return contents;
  contents.listed = true;
  for (const DirEntry& entry : *entries) {
    if (entry.kind == EntryKind::kOther) continue;
    contents.any = true;
    // The run's own report counts like an ignored file: the directory that holds it stays.
    if (entry.kind == EntryKind::kFile && (IgnoredFile(run, relative + QChar(kSeparator) + entry.name) ||
                                           IsKeptFile(run, path + QChar(kSeparator) + entry.name))) {
      contents.ignored_file = true;
    }
  }
  return contents;
}

// With backups off the files left directly in the directory go with it; ignored and needed files
// never do. Sub-directories are not entered. Succeeds when the directory is gone.
bool DeleteDirectory(CheckRun& run, const QString& path, const QString& relative) {
  const QChar sep(kSeparator);
  if (run.options.CreateBackups != 1) {
    for (const DirEntry& entry : run.disk.ListDirectory(path).value_or(std::vector<DirEntry>())) {
      const QString entry_relative = relative + sep + entry.name;
      if (entry.kind != EntryKind::kFile || IgnoredFile(run, entry_relative) ||
          run.needed_paths.IsPresent(entry_relative) || IsKeptFile(run, path + sep + entry.name)) {
        continue;
      }
      run.disk.DeleteFile(path + sep + entry.name);
    }
  }
  run.disk.RemoveDirectory(path);
  return !run.disk.PathEntryExists(path);
}

// Judges a directory whose contents have all been handled; returns the status text to show.
QString JudgeDirectory(CheckRun& run, const QString& path, const QString& relative, const QString& name,
                       const QString& status, UnneededCounts& counts) {
  const bool backups = run.options.CreateBackups == 1;
  const bool permitted = Permitted(run);
  if (NeededOrIgnored(run, relative)) {
    MarkAncestorsNeeded(run, relative);
    return status;
  }
  const StepResult mirrored = backups && permitted ? MirrorInBackup(run, relative) : StepResult::kDone;
  const Contents contents = ReadContents(run, path, relative);
  if (!contents.listed) return status;
  counts.dirs++;
  const QString shown = path + QChar(kSeparator);
  if (!permitted) {
    run.WriteReportLine(Line(run, u"Log_UnneededDirectory", u"%dir%", shown));
    run.record.Unneeded(shown, true, UnneededAction::kReported);
    return status;
  }
  // With backups off a directory counts as empty unless it keeps an ignored file. One that could
  // not be mirrored in the backup folder stays: deleting it would lose it.
  const bool has_content = backups ? contents.any : contents.ignored_file;
  if (has_content || mirrored == StepResult::kFailed) {
    run.record.Unneeded(shown, true, UnneededAction::kKept);
    return status;
  }
  if (!DeleteDirectory(run, path, relative)) {
    run.WriteReportLine(Line(run, u"Log_UnableToDeleteDirectory", u"%dir%", shown));
    run.record.Unneeded(shown, true, UnneededAction::kDeleteFailed);
    counts.failed = true;
    return QString();
  }
  run.WriteReportLine(run.Done(Line(run, u"Log_DeletedDirectory", u"%dir%", shown)));
  run.record.Unneeded(shown, true, UnneededAction::kDeleted);
  counts.deleted_dirs++;
  return FillPlaceholders(run.Text(u"Status_DeletingDirectory"), {{u"%dir%", Quoted(name)}});
}

// A folder the scan cannot judge: another file system mounted in the download, or one that cannot
// be read. It gets its line and, like a needed folder, is never deleted or moved, nor its parents.
void KeepUnjudged(CheckRun& run, const QString& path, const QString& relative, FolderOutcome outcome,
                  const QString& why) {
  const QString shown = path + QChar(kSeparator);
  run.WriteReportLine(outcome == FolderOutcome::kOtherFileSystem
                          ? Line(run, u"Log_OtherFileSystem", u"%dir%", shown)
                          : FillPlaceholders(run.Text(u"Log_DirectoryUnreadable"),
                                             {{u"%dir%", Quoted(shown)}, {u"%reason%", why}}));
  run.record.Unneeded(shown, true, UnneededAction::kKept);
  MarkAncestorsNeeded(run, relative);
}

// Files are judged as they come; a directory after everything inside it, so that one which held
// only unneeded files can go in the same pass. Ignored directories are judged without being entered.
class UnneededScan : public WalkVisitor {
 public:
  UnneededScan(CheckRun& run, UnneededCounts& counts) : run_(run), counts_(counts) {}
  bool File(const WalkEntry& entry) override {
    return entry.kind != EntryKind::kFile || CheckUnneededFile(run_, entry.path, counts_) != StepResult::kCancelled;
  }
  bool Enter(const WalkEntry& folder) override { return !IgnoredDirectory(run_, Relative(folder)); }
  bool Leave(const WalkEntry& folder, FolderOutcome outcome, const QString& why) override {
    QString status = FillPlaceholders(run_.Text(u"Status_CheckingDirectory"), {{u"%dir%", Quoted(folder.name)}});
    if (outcome == FolderOutcome::kOtherFileSystem || outcome == FolderOutcome::kUnreadable) {
      KeepUnjudged(run_, folder.path, Relative(folder), outcome, why);
    } else if (outcome != FolderOutcome::kStopped) {
      // A directory whose scan a cancel cut short is left alone: its remaining files were never
      // judged, and deleting it would take them along after the user asked to stop.
      status = JudgeDirectory(run_, folder.path, Relative(folder), folder.name, status, counts_);
    }
    run_.window.SetStatusText(status);
    return !run_.CancelRequested();
  }

 private:
  QString Relative(const WalkEntry& folder) const { return folder.path.mid(run_.download_dir.size()); }

  CheckRun& run_;
  UnneededCounts& counts_;
};

void WriteSummary(CheckRun& run, const UnneededCounts& c) {
  if (c.files > 0 || c.dirs > 0) run.WriteReportLine(QString());
  const QString summary = FillPlaceholders(run.Text(u"Log_UnneededFiles"),
                                           {{u"%unneededfiles%", QString::number(c.files)},
                                            {u"%unneededdirs%", QString::number(c.dirs)},
                                            {u"%deletedfiles%", CountOfTotal(c.deleted_files, c.files)},
                                            {u"%deleteddirs%", CountOfTotal(c.deleted_dirs, c.dirs)}});
  // A dry run deleted nothing: its counts carry the lines' mark.
  run.WriteReportLine(c.deleted_files > 0 || c.deleted_dirs > 0 ? run.Done(summary) : summary);
}

}  // namespace

StepResult CheckUnneededFile(CheckRun& run, const QString& path, UnneededCounts& counts) {
  const QString relative = path.mid(run.download_dir.size());
  const QString name = FileNamePart(relative);
  QString status = FillPlaceholders(run.Text(u"Status_CheckingFile"), {{u"%file%", Quoted(name)}});
  // A link where the torrent has a folder is as needed as the folder.
  const bool needed =
      run.needed_paths.IsPresent(relative) || run.HoldsNeededPath(relative) || run.IsPartialFile(relative);
  if (!needed && !IgnoredFile(run, relative) && !IsKeptFile(run, path)) {
    counts.files++;
    if (!Permitted(run)) {
      run.WriteReportLine(Line(run, u"Log_UnneededFile", u"%file%", path));
      run.record.Unneeded(path, false, UnneededAction::kReported);
    } else if (RemoveFile(run, path, relative)) {
      counts.deleted_files++;
      status = FillPlaceholders(run.Text(u"Status_DeletingFile"), {{u"%file%", Quoted(name)}});
    } else {
      counts.failed = true;
    }
  }
  run.window.SetStatusText(status);
  return run.CancelRequested() ? StepResult::kCancelled : StepResult::kDone;
}

StepResult ScanDirectory(CheckRun& run, const QString& dir, UnneededCounts& counts) {
  UnneededScan scan(run, counts);
  return run.disk.Walk(dir, scan) == StepResult::kCancelled ? StepResult::kCancelled : StepResult::kDone;
}

UnneededOutcome RunUnneededStage(CheckRun& run) {
  UnneededOutcome outcome;
  run.WriteReportLine(QString());
  run.WriteReportLine(run.Text(u"Log_UnneededFilesCheck"));
  run.WriteReportLine(QString());
  run.window.ShowProgressBar(false);
  run.window.SetStatusText(QString());
  run.window.ShowStatusLine(true);
  if (run.model.SingleFile && run.DeletionPermitted()) {
    run.WriteReportLine(run.Text(u"Log_SingleFileKept"));
  } else if (run.counters.NothingFound && run.DeletionPermitted()) {
    run.WriteReportLine(run.Text(u"Log_NothingFoundKept"));
  }
  outcome.result = ScanDirectory(run, run.download_dir, outcome.counts);
  WriteSummary(run, outcome.counts);
  return outcome;
}

}  // namespace zandrel
