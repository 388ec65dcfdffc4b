// The stages of a check run, in the order the run calls them.
#pragma once

#include "check/check_run.h"

namespace zandrel {

// The outcome of a step that changes the disk, with the report lines that tell of it (several are
// joined by '\n'; none when it had nothing to tell).
struct StepOutcome {
  StepResult result = StepResult::kDone;
  QString lines;
};

inline StepResult DoneOrFailed(bool done) { return done ? StepResult::kDone : StepResult::kFailed; }

// File presence, size check, trimming and deleting of the entry at `index`; kCancelled when a
// copy was cancelled.
StepResult CheckEntry(CheckRun& run, size_t index);
// A symbolic-link entry: found when a link stands at its path, missing otherwise; never changed.
StepResult CheckSymlinkEntry(CheckRun& run, size_t index);
// An entry's line in the file check (size_line wrapped in what was done) and the lines after it.
struct EntryLines {
  StepResult result = StepResult::kDone;
  QString main_line;
  QString secondary;
};
// Trims (or, with DeleteWrongSizedFiles, deletes) the wrong-sized file of the entry at `index`.
EntryLines ReplaceWrongSizedFile(CheckRun& run, size_t index, const QString& size_line);
// Moves the entry's file at full_path below the backup folder; the lines tell of it either way.
StepOutcome MoveEntryToBackup(CheckRun& run, const TorrentFileEntry& entry, const QString& full_path);
// Synced copy of the whole file (limit <= 0) or its first limit bytes.
StepResult CopyFileBlocks(CheckRun& run, const QString& source, const QString& destination, int64_t limit);

// Piece verification.
StepResult VerifyPieces(CheckRun& run);

// Missing-file repair stage including its report section.
enum class RepairMode { kMove, kCopy };
StepResult RunRepairStage(CheckRun& run);
StepResult SearchMissingFiles(CheckRun& run, const QString& dir, RepairMode mode);
StepResult TryRepairCandidate(CheckRun& run, const QString& candidate, RepairMode mode);

// Unneeded files stage including its report section.
struct UnneededCounts {
  int64_t files = 0, dirs = 0, deleted_files = 0, deleted_dirs = 0;
  bool failed = false;  // an unneeded item that was to go could not be deleted or moved
};
struct UnneededOutcome {
  StepResult result = StepResult::kDone;
  UnneededCounts counts;  // what the stage found and did, as far as it came
};
UnneededOutcome RunUnneededStage(CheckRun& run);
StepResult ScanDirectory(CheckRun& run, const QString& dir, UnneededCounts& counts);
StepResult CheckUnneededFile(CheckRun& run, const QString& path, UnneededCounts& counts);

// Backup location.
enum CreateMode { kBackupRelative = 0, kAbsolute = 1 };
// Makes the backup location's marker folder and the download folder's backup folder in it; kFailed
// when the marker folder cannot be had (nothing may then be created or moved below it).
StepResult PrepareBackupLocation(CheckRun& run, const QString& dir);
// Where the backup of `relative` (a path below the download folder, or empty) goes: the backup
// location's marker folder, the download folder's name, then `relative`. Every backup path is
// built here.
QString BackupFolder(const CheckRun& run, const QString& relative = QString());
// Creates every folder of `path` (below the download folder's backup folder with kBackupRelative);
// kFailed when its deepest folder could not be made.
StepResult CreateDirectoryPath(CheckRun& run, const QString& path, CreateMode mode);
// True when no folder from the backup location's marker folder down to `relative_dir` (below the
// download folder's backup folder) is a link; missing folders are fine. A link there, planted in
// the download or left by an earlier backup of a link, would carry backups out of the location.
bool BackupFoldersAreReal(const CheckRun& run, const QString& relative_dir);

}  // namespace zandrel
