// Unneeded files stage: finds what in the download directory belongs neither to the torrent nor to
// the ignore list, tells of it, and deletes it or moves it into the backup location when allowed.
#include "check/stage_paths.h"
#include "check/stages.h"
#include "messages/text.h"
#include "platform/directory_walk.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

// What the scan knows besides the run: what came before it, and the folders it has found needed
// on its way (every folder above a needed or ignored one).
struct UnneededScanState {
  StageRun& run;
  const FileCheckOutcome& found;
  const RunCounters& before;
  PathMap marked_needed;
};

// The folder of a single-file torrent is the folder the file was saved in, which other downloads
// share: what else lies there is listed, never deleted or moved.
bool Permitted(const UnneededScanState& scan) {
  const RunCounters& c = scan.before;
  if (scan.run.model.SingleFile || c.NothingFound) return false;
  // A file of the torrent that could not be read is not known to be complete.
  if (scan.run.options.DelOnlyWhenComplete == 1 && c.UnreadableSeen) return false;
  return c.DeletionPermitted(scan.run.context);
}

QString DirectoryPart(const QString& relative) {
  return relative.left(relative.lastIndexOf(QChar(kSeparator)) + 1);
}

// Without a backup location the folder name may be left from another download, so nothing is
// created or moved below it.
bool PrepareFailed(StageRun& run) { return PrepareBackupLocation(run) == StepResult::kFailed; }

// The file goes below the backup folder at its relative path, beside anything already there.
bool MoveToBackup(StageRun& run, const QString& path, const QString& relative) {
  bool moved = false;
  if (!PrepareFailed(run)) {
    CreateDirectoryPath(run, relative, kBackupRelative);
    // An earlier backup at the same path stays: this one takes a free name beside it. A file of
    // the torrent there (a download once checked here and shared again lists the backup folder),
    // or the file itself, takes none.
    const QString wanted = BackupFolder(run.context, relative);
    moved = !PrepareFailed(run) && BackupFoldersAreReal(run.context, DirectoryPart(relative)) &&
            !IsNeededPath(run.context, wanted) && !SamePlace(wanted, path) &&
            run.disk.MoveFile(path, FreeNameBeside(run.disk, wanted));
  }
  if (moved) {
    run.Emit(UnneededHandled{.path = path, .action = UnneededAction::kMoved,
                             .moved_to = BackupFolder(run.context, DirectoryPart(relative))});
    return true;
  }
  run.Emit(UnneededHandled{.path = path, .action = UnneededAction::kMoveFailed, .source_changed = run.disk.SourceChanged()});
  return false;
}

// Deletes or backs up one unneeded file; true when it is gone from its place, which a file that was
// to go and stayed fails the stage.
bool RemoveFile(StageRun& run, const QString& path, const QString& relative) {
  if (run.options.CreateBackups == 1) return MoveToBackup(run, path, relative);
  const bool removed = run.disk.DeleteFile(path);
  run.Emit(UnneededHandled{.path = path, .action = removed ? UnneededAction::kDeleted : UnneededAction::kDeleteFailed});
  return removed;
}

bool NeededOrIgnored(const UnneededScanState& scan, const QString& relative) {
  const RunContext& run = scan.run.context;
  return run.needed.IsPresent(relative) || scan.marked_needed.IsPresent(relative) ||
         run.needed.HoldsNeededPath(relative) || IgnoredDirectory(run, relative);
}

// Every directory above a needed or ignored one is needed too. The scan judges a directory only
// after everything below it, so its ancestors are marked before their turn comes.
void MarkAncestorsNeeded(UnneededScanState& scan, const QString& relative) {
  for (qsizetype pos = relative.indexOf(QChar(kSeparator)); pos > 0;
       pos = relative.indexOf(QChar(kSeparator), pos + 1)) {
    scan.marked_needed.Add(relative.left(pos));
  }
}

// Re-creates an unneeded directory below the backup folder, so that even an empty one is kept.
StepResult MirrorInBackup(StageRun& run, const QString& relative) {
  if (PrepareFailed(run)) return StepResult::kFailed;
  if (run.disk.FileSize(BackupFolder(run.context, relative)) >= 0) return StepResult::kDone;
  return CreateDirectoryPath(run, relative + QChar(kSeparator), kBackupRelative);
}

struct Contents {
  bool listed = false;
  bool any = false;           // a file or a directory
  bool ignored_file = false;  // a file the ignore list keeps
};

Contents ReadContents(const StageRun& run, const QString& path, const QString& relative) {
  Contents contents;
  const auto entries = run.disk.ListDirectory(path);
  if (!entries) return contents;
  contents.listed = true;
  for (const DirEntry& entry : *entries) {
    if (entry.kind == EntryKind::kOther) continue;
    contents.any = true;
    // The run's own report counts like an ignored file: the directory that holds it stays.
    if (entry.kind == EntryKind::kFile && (IgnoredFile(run.context, relative + QChar(kSeparator) + entry.name) ||
                                           IsKeptFile(run.context, path + QChar(kSeparator) + entry.name))) {
      contents.ignored_file = true;
    }
  }
  return contents;
}

// With backups off the files left directly in the directory go with it; ignored and needed files
// never do. Sub-directories are not entered. Succeeds when the directory is gone.
bool DeleteDirectory(StageRun& run, const QString& path, const QString& relative) {
  const QChar sep(kSeparator);
  if (run.options.CreateBackups != 1) {
    for (const DirEntry& entry : run.disk.ListDirectory(path).value_or(std::vector<DirEntry>())) {
      const QString entry_relative = relative + sep + entry.name;
      if (entry.kind != EntryKind::kFile || IgnoredFile(run.context, entry_relative) ||
          run.context.needed.IsPresent(entry_relative) || IsKeptFile(run.context, path + sep + entry.name)) {
        continue;
      }
      run.disk.DeleteFile(path + sep + entry.name);
    }
  }
  run.disk.RemoveDirectory(path);
  return !run.disk.PathEntryExists(path);
}

// Judges a directory whose contents have all been handled; returns the status text to show.
QString JudgeDirectory(UnneededScanState& scan, const QString& path, const QString& relative, const QString& name,
                       const QString& status) {
  StageRun& run = scan.run;
  const bool backups = run.options.CreateBackups == 1;
  const bool permitted = Permitted(scan);
  if (NeededOrIgnored(scan, relative)) {
    MarkAncestorsNeeded(scan, relative);
    return status;
  }
  const StepResult mirrored = backups && permitted ? MirrorInBackup(run, relative) : StepResult::kDone;
  const Contents contents = ReadContents(run, path, relative);
  if (!contents.listed) return status;
  UnneededHandled handled{.path = path + QChar(kSeparator), .directory = true, .action = UnneededAction::kReported};
  QString shown_status = status;
  // With backups off a directory counts as empty unless it keeps an ignored file. One that could
  // not be mirrored in the backup folder stays: deleting it would lose it.
  const bool has_content = backups ? contents.any : contents.ignored_file;
  if (permitted && (has_content || mirrored == StepResult::kFailed)) {
    handled.action = UnneededAction::kKept;
  } else if (permitted && !DeleteDirectory(run, path, relative)) {
    handled.action = UnneededAction::kDeleteFailed;
    shown_status.clear();
  } else if (permitted) {
    handled.action = UnneededAction::kDeleted;
    shown_status = FillPlaceholders(run.Text(u"Status_DeletingDirectory"), {{u"%dir%", Quoted(name)}});
  }
  run.Emit(handled);
  return shown_status;
}

// A folder the scan cannot judge: another file system mounted in the download, or one that cannot
// be read. It is told of and, like a needed folder, is never deleted or moved, nor its parents.
void KeepUnjudged(UnneededScanState& scan, const QString& path, const QString& relative, FolderOutcome outcome,
                  const QString& why) {
  const bool other = outcome == FolderOutcome::kOtherFileSystem;
  scan.run.Emit(UnneededHandled{.path = path + QChar(kSeparator), .directory = true, .action = UnneededAction::kKept,
                                .kept = other ? KeptBecause::kOtherFileSystem : KeptBecause::kUnreadable,
                                .reason = other ? QString() : why});
  MarkAncestorsNeeded(scan, relative);
}

// A file: judged as it comes, and shown on the status line.
StepResult CheckUnneededFile(UnneededScanState& scan, const QString& path) {
  StageRun& run = scan.run;
  const QString relative = path.mid(run.download_dir.size());
  const QString name = FileNamePart(relative);
  QString status = FillPlaceholders(run.Text(u"Status_CheckingFile"), {{u"%file%", Quoted(name)}});
  // A link where the torrent has a folder is as needed as the folder.
  const bool needed = run.context.needed.IsPresent(relative) || run.context.needed.HoldsNeededPath(relative) ||
                      scan.found.IsPartialFile(relative);
  if (!needed && !IgnoredFile(run.context, relative) && !IsKeptFile(run.context, path)) {
    if (!Permitted(scan)) {
      run.Emit(UnneededHandled{.path = path, .action = UnneededAction::kReported});
    } else if (RemoveFile(run, path, relative)) {
      status = FillPlaceholders(run.Text(u"Status_DeletingFile"), {{u"%file%", Quoted(name)}});
    }
  }
  run.window.SetStatusText(status);
  return run.CancelRequested() ? StepResult::kCancelled : StepResult::kDone;
}

// Files are judged as they come; a directory after everything inside it, so that one which held
// only unneeded files can go in the same pass. Ignored directories are judged without being entered.
class UnneededScan : public WalkVisitor {
 public:
  explicit UnneededScan(UnneededScanState& scan) : scan_(scan) {}
  bool File(const WalkEntry& entry) override {
    return entry.kind != EntryKind::kFile || CheckUnneededFile(scan_, entry.path) != StepResult::kCancelled;
  }
  bool Enter(const WalkEntry& folder) override { return !IgnoredDirectory(scan_.run.context, Relative(folder)); }
  bool Leave(const WalkEntry& folder, FolderOutcome outcome, const QString& why) override {
    QString status = FillPlaceholders(scan_.run.Text(u"Status_CheckingDirectory"), {{u"%dir%", Quoted(folder.name)}});
    if (outcome == FolderOutcome::kOtherFileSystem || outcome == FolderOutcome::kUnreadable) {
      KeepUnjudged(scan_, folder.path, Relative(folder), outcome, why);
    } else if (outcome != FolderOutcome::kStopped) {
      // A directory whose scan a cancel cut short is left alone: its remaining files were never
      // judged, and deleting it would take them along after the user asked to stop.
      status = JudgeDirectory(scan_, folder.path, Relative(folder), folder.name, status);
    }
    scan_.run.window.SetStatusText(status);
    return !scan_.run.CancelRequested();
  }

 private:
  QString Relative(const WalkEntry& folder) const { return folder.path.mid(scan_.run.download_dir.size()); }

  UnneededScanState& scan_;
};

KeptNote NoteBeforeScan(const UnneededScanState& scan) {
  if (!scan.before.DeletionPermitted(scan.run.context)) return KeptNote::kNone;
  if (scan.run.model.SingleFile) return KeptNote::kSingleFile;
  return scan.before.NothingFound ? KeptNote::kNothingFound : KeptNote::kNone;
}

}  // namespace

UnneededOutcome RunUnneededStage(StageRun& run, const FileCheckOutcome& found, const RunCounters& before) {
  run.window.StageChanged(RunStage::kUnneeded);
  UnneededScanState scan{run, found, before, PathMap()};
  run.Emit(UnneededStarted{NoteBeforeScan(scan)});
  run.window.ShowProgressBar(false);
  run.window.SetStatusText(QString());
  run.window.ShowStatusLine(true);
  UnneededScan visitor(scan);
  const StepResult walked = run.disk.Walk(run.download_dir, visitor);
  run.Emit(UnneededEnded{});
  return {walked == StepResult::kCancelled ? StepResult::kCancelled : StepResult::kDone};
}

}  // namespace zandrel
