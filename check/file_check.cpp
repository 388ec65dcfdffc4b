// The file check: every entry of the torrent looked for at its path, its size compared, and a
// wrong-sized file trimmed or deleted when the options ask for it.
#include "check/stage_paths.h"
#include "check/stages.h"
#include "messages/text.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

// Why the entry's file cannot be read; none when it can, or when nothing stands there. A file a
// dry run has taken away reads as missing.
std::optional<QString> WhyUnreadable(const StageRun& run, const QString& full_path) {
  if (run.disk.Vanished(full_path)) return std::nullopt;
  QString why = ReadError(full_path);
  if (why.isEmpty()) return std::nullopt;
  return why;
}

// Copies the first `amount` bytes of source (0 allowed) through the one synced copy; a dry run
// only takes the copy as made.
StepResult CopyFirstBytes(StageRun& run, const QString& source, const QString& destination, int64_t amount) {
  run.disk.BeforeChange();
  if (run.disk.dry_run()) {
    run.disk.PretendCopy(source, destination, amount);
    return StepResult::kDone;
  }
  return SyncedCopy(source, destination, amount, run.context.cancel_flag);
}

// The folder the old file went to; empty with backups off.
QString BackupFolderOf(const StageRun& run, const TorrentFileEntry& entry) {
  if (run.options.CreateBackups != 1) return QString();
  return BackupFolder(run.context, entry.Dir);
}

struct OldFileOutcome {
  StepResult result = StepResult::kDone;
  std::optional<OldFileMoved> moved;
};

// Puts the trimmed copy (or nothing, when deleting) where the old file was. When the old file
// could not be moved or deleted it is still whole, and the copy made for it would only turn up as
// an unneeded file of our own making: it goes. Once the old file is gone the copy is kept, whatever
// follows, since it may be the only one left in the download.
OldFileOutcome ReplaceOldFile(StageRun& run, const TorrentFileEntry& entry, const QString& full_path,
                              const QString& temp_path, bool deleting) {
  // Without a backup one rename puts the copy over the old file: the torrent's file always stands
  // whole under its own name, whenever the run is stopped.
  if (run.options.CreateBackups != 1 && !deleting) {
    if (run.disk.ReplaceFile(temp_path, full_path)) return {};
    run.disk.DeleteFile(temp_path);
    return {StepResult::kFailed, std::nullopt};
  }
  OldFileOutcome old_file;
  if (run.options.CreateBackups == 1) {
    old_file.moved = MoveEntryToBackup(run, entry, full_path);
    old_file.result = DoneOrFailed(old_file.moved->done);
  } else {
    old_file.result = DoneOrFailed(run.disk.DeleteFile(full_path));
  }
  if (deleting) return old_file;
  if (old_file.result != StepResult::kDone) {
    run.disk.DeleteFile(temp_path);
    return old_file;
  }
  old_file.result = DoneOrFailed(run.disk.MoveFile(temp_path, full_path));
  return old_file;
}

// The drive where the old file would go, when it lacks the free space for it.
std::optional<QString> DriveShortOfSpace(const StageRun& run, int64_t size) {
  if (run.options.CreateBackups != 1) return std::nullopt;
  const QString drive = DriveText(FullPathName(run.context.backup_marker_folder));
  if (run.disk.DriveFreeSpace(drive) >= size) return std::nullopt;
  return drive;
}

// The status line tells what is being done to the file while the progress bar makes way for it.
class StatusWhileChanging {
 public:
  StatusWhileChanging(StageRun& run, const TorrentFileEntry& entry, bool deleting) : window_(run.window) {
    window_.SetStatusText(FillPlaceholders(run.Text(deleting ? u"Status_DeletingFile" : u"Status_Trimming"),
                                           {{u"%file%", Quoted(entry.Name)}}));
    window_.ShowProgressBar(false);
    window_.ShowStatusLine(true);
  }
  ~StatusWhileChanging() {
    window_.ShowStatusLine(false);
    window_.ShowProgressBar(true);
  }

 private:
  WindowOperations& window_;
};

// The copy to keep, made before the old file goes (none when deleting); kFailed unless it holds
// exactly the torrent's length.
StepResult MakeTrimmedCopy(StageRun& run, const TorrentFileEntry& entry, const QString& full_path,
                           const QString& temp_path) {
  // A torrent length of 0 is a real target size: copy nothing rather than the whole file.
  // The copy is on the disk before the original goes, so no power failure can lose both.
  const StepResult copied = CopyFirstBytes(run, full_path, temp_path, entry.Length);
  if (copied == StepResult::kDone && run.disk.FileSize(temp_path) != entry.Length) return StepResult::kFailed;
  return copied;
}

}  // namespace

OldFileMoved MoveEntryToBackup(StageRun& run, const TorrentFileEntry& entry, const QString& full_path) {
  const bool location_made = PrepareBackupLocation(run) == StepResult::kDone;
  const QChar sep(kSeparator);
  QString folder = BackupFolder(run.context);
  // Folders are neither created nor used through a link among the backup folders. A folder that
  // cannot be made fails the move below.
  const bool real = location_made && BackupFoldersAreReal(run.context, entry.Dir);
  for (const QString& component : entry.Dir.split(sep, Qt::SkipEmptyParts)) {
    folder += component + sep;
    if (real && run.disk.FileSize(folder) == kNoFile) run.disk.CreateDirectory(folder);
  }
  // An earlier backup at the same path stays: the new one takes a free name beside it. A backup
  // path that is a file of this torrent (a download once checked here and shared again lists the
  // backup folder), or the file itself, takes none.
  const QString wanted = folder + entry.Name;
  const bool usable = real && !IsNeededPath(run.context, wanted) && !SamePlace(wanted, full_path);
  if (usable && run.disk.MoveFile(full_path, FreeNameBeside(run.disk, wanted))) return {full_path, folder, true, false};
  return {full_path, folder, false, run.disk.SourceChanged()};
}

StepResult CopyFileBlocks(StageRun& run, const QString& source, const QString& destination, int64_t limit) {
  const int64_t amount = limit > 0 ? limit : FileSize(source);
  if (amount < 0) return StepResult::kFailed;
  return CopyFirstBytes(run, source, destination, amount);
}

Replacement ReplaceWrongSizedFile(StageRun& run, EntryChecked checked) {
  const TorrentFileEntry& entry = run.Files()[checked.index];
  const bool deleting = run.options.DeleteWrongSizedFiles == 1;
  const QString full_path = run.context.FullPath(entry);
  const int64_t size = checked.size_on_disk;
  const auto ending = [&checked](StepResult result, EntryAction action) {
    checked.action = action;
    return Replacement{result, checked, std::nullopt};
  };
  if (!deleting && size <= entry.Length) return ending(StepResult::kDone, EntryAction::kSmaller);
  checked.longer = !deleting;
  // A folder of the entry that is a link leads out of the download directory: what lies there is
  // not ours to trim, move or delete.
  if (ThroughLinkedDirectory(run.download_dir, entry.Dir)) return ending(StepResult::kFailed, EntryAction::kUnableToFix);
  if (const std::optional<QString> drive = DriveShortOfSpace(run, size)) {
    checked.drive = *drive;
    return ending(StepResult::kFailed, EntryAction::kNoSpace);
  }
  const StatusWhileChanging status(run, entry, deleting);
  // The temporary copy never takes the place of what already stands at its name (a file of the
  // torrent, the user's own file, a link leading out of the download): it then gets a name of its own.
  QString temp_path = WithNameSuffix(full_path, QStringLiteral(".tmp"));
  if (run.disk.PathEntryExists(temp_path)) temp_path = UnusedSiblingName(run.disk, temp_path);
  const StepResult copied = deleting ? StepResult::kDone : MakeTrimmedCopy(run, entry, full_path, temp_path);
  if (copied == StepResult::kCancelled) {
    checked.cancelled = true;
    return ending(StepResult::kCancelled, EntryAction::kNone);
  }
  // The trim the user asked for did not happen (a full disk, an unreadable file): the line and
  // the final status say so instead of passing it over.
  if (copied == StepResult::kFailed) return ending(StepResult::kFailed, EntryAction::kUnableToFix);
  const OldFileOutcome replaced = ReplaceOldFile(run, entry, full_path, temp_path, deleting);
  Replacement outcome = ending(StepResult::kDone, EntryAction::kUnableToFix);
  outcome.moved = replaced.moved;
  if (replaced.result == StepResult::kDone) {
    outcome.entry.action = deleting ? EntryAction::kDeleted : EntryAction::kTrimmed;
    outcome.entry.backup_folder = BackupFolderOf(run, entry);
  }
  return outcome;
}

namespace {

// What stands at the entry's path, and what was done about a wrong-sized file there.
EntryChecked JudgeEntry(StageRun& run, size_t index, Replacement& replaced) {
  const TorrentFileEntry& entry = run.Files()[index];
  if (entry.IsSymlink) return CheckSymlinkEntry(run, index);
  const QString full_path = run.context.FullPath(entry);
  const int64_t size = FileSize(full_path);
  // Neither missing nor of any known size: nothing may trim, delete or repair over it.
  if (const std::optional<QString> why = WhyUnreadable(run, full_path)) {
    return {.index = index, .state = EntryState::kUnreadable, .size_on_disk = size, .reason = *why};
  }
  if (size == entry.Length) return {.index = index, .state = EntryState::kOk, .size_on_disk = entry.Length};
  if (size == kNoFile) return {.index = index, .state = EntryState::kMissing, .size_on_disk = -1};
  const EntryChecked checked{.index = index, .state = EntryState::kWrongSize, .size_on_disk = size};
  if (run.options.TrimPaddedFiles != 1 && run.options.DeleteWrongSizedFiles != 1) return checked;
  replaced = ReplaceWrongSizedFile(run, checked);
  return replaced.entry;
}

// One entry judged and told; kCancelled when the user stopped a trim of it.
StepResult CheckEntry(StageRun& run, FileCheckOutcome& outcome, size_t index) {
  Replacement replaced;
  const EntryChecked checked = JudgeEntry(run, index, replaced);
  if (checked.state == EntryState::kUnreadable) outcome.unreadable[index] = checked.reason;
  if (checked.state == EntryState::kWrongSize) outcome.wrong_sized++;
  // A trimmed file has the torrent's length now: no repair may replace it.
  outcome.found[index] = checked.state == EntryState::kOk || checked.action == EntryAction::kTrimmed;
  run.Emit(checked);
  if (replaced.moved) run.Emit(*replaced.moved);
  return replaced.result == StepResult::kCancelled ? StepResult::kCancelled : StepResult::kDone;
}

// A missing entry whose client keeps its data in "<name>.part" until it is complete: the line
// follows the entry's own, and the later stages read the entry from it and leave it alone.
void NotePartialFile(StageRun& run, FileCheckOutcome& outcome, size_t index) {
  const TorrentFileEntry& entry = run.Files()[index];
  if (outcome.found[index] != 0 || entry.IsSymlink) return;
  const QString full_path = run.context.FullPath(entry);
  const QString partial = full_path + kPartialSuffix;
  const int64_t size = run.disk.FileSize(partial);
  if (run.disk.FileSize(full_path) != kNoFile || size < 0 || IsSymLink(partial)) return;
  if (outcome.partial_files.empty()) outcome.partial_files.resize(run.Files().size());
  outcome.partial_files[index] = partial;
  outcome.partial_paths.Add(entry.RelativePath() + kPartialSuffix);
  run.Emit(PartialFileFound{index, partial, size});
}

// An empty entry proves nothing: an empty file of that name may stand in any folder.
bool NoFileOfTorrentFound(const StageRun& run, const FileCheckOutcome& outcome) {
  if (outcome.wrong_sized > 0) return false;
  for (size_t i = 0; i < run.Files().size(); ++i) {
    if ((outcome.found[i] != 0 && run.Files()[i].Length > 0) || !outcome.unreadable[i].isEmpty() ||
        !outcome.PartialFile(i).isEmpty()) {
      return false;
    }
  }
  return true;
}

}  // namespace

FileCheckOutcome RunFileCheck(StageRun& run) {
  run.window.StageChanged(RunStage::kFileCheck);
  FileCheckOutcome outcome;
  outcome.found.assign(run.Files().size(), 0);
  outcome.unreadable.resize(run.Files().size());
  for (size_t i = 0; i < run.Files().size(); ++i) {
    if (CheckEntry(run, outcome, i) == StepResult::kCancelled) {
      outcome.result = StepResult::kCancelled;
      break;
    }
    NotePartialFile(run, outcome, i);
    run.window.SetProgressValue(static_cast<int64_t>(i) + 1);
    if (run.CancelRequested()) {
      outcome.result = StepResult::kCancelled;
      break;
    }
  }
  run.Emit(FileCheckEnded{NoFileOfTorrentFound(run, outcome)});
  return outcome;
}

}  // namespace zandrel
