// The stages of a check run, in the order the run calls them. Each is a function of the run's
// context, the outcomes of the stages before it and the event stream it tells its decisions to;
// it returns its own outcome and writes no other stage's state.
#pragma once

#include <cstdint>
#include <vector>

#include "check/disk_actions.h"
#include "check/run_context.h"
#include "check/run_counters.h"
#include "check/run_events.h"
#include "check/window_operations.h"
#include "platform/step_result.h"

namespace zandrel {

// What a stage works with: the read-only context, and the three things a stage may act on: the
// disk (through the one door every change goes through), the window and the event stream.
struct StageRun {
  StageRun(const RunContext& run_context, DiskActions& run_disk, WindowOperations& run_window, EventSink& sink)
      : context(run_context), options(run_context.options), model(run_context.model),
        download_dir(run_context.download_dir), disk(run_disk), window(run_window), events(sink) {}

  QString Text(QStringView key) const { return context.Text(key); }
  bool CancelRequested() const { return context.CancelRequested(); }
  const std::vector<TorrentFileEntry>& Files() const { return context.Files(); }
  void Emit(const RunEvent& event) { events.Emit(event); }

  const RunContext& context;
  const RunOptions& options;
  const TorrentModel& model;
  const QString& download_dir;
  DiskActions& disk;
  WindowOperations& window;
  EventSink& events;
};

inline StepResult DoneOrFailed(bool done) { return done ? StepResult::kDone : StepResult::kFailed; }

// What the file check found, for the stages after it.
struct FileCheckOutcome {
  StepResult result = StepResult::kDone;
  std::vector<uint8_t> found;         // per entry: present with the right size
  std::vector<QString> unreadable;    // per entry: why its file could not be read; empty when it could
  // The partial download "<entry>.part" that a client keeps beside a missing entry: the entry's
  // bytes are read from it, and it is never unneeded nor a repair candidate.
  std::vector<QString> partial_files;  // per entry: full path of its partial download, or empty
  PathMap partial_paths;               // relative paths of those partial downloads
  int64_t wrong_sized = 0;             // entries found with another size
  bool IsPartialFile(const QString& relative) const { return partial_paths.IsPresent(relative); }
  QString PartialFile(size_t index) const { return index < partial_files.size() ? partial_files[index] : QString(); }
};

// File presence, size check, trimming and deleting of every entry.
FileCheckOutcome RunFileCheck(StageRun& run);
// A symbolic-link entry: found when a link stands at its path, missing otherwise; never changed.
EntryChecked CheckSymlinkEntry(const StageRun& run, size_t index);

// What became of a wrong-sized file, and of the old file when it went into the backup folder.
struct Replacement {
  StepResult result = StepResult::kDone;
  EntryChecked entry;
  std::optional<OldFileMoved> moved;
};
// Trims (or, with DeleteWrongSizedFiles, deletes) the wrong-sized file of the entry.
Replacement ReplaceWrongSizedFile(StageRun& run, EntryChecked entry);
// Moves the entry's file at full_path below the backup folder.
OldFileMoved MoveEntryToBackup(StageRun& run, const TorrentFileEntry& entry, const QString& full_path);
// Synced copy of the whole file (limit <= 0) or its first limit bytes.
StepResult CopyFileBlocks(StageRun& run, const QString& source, const QString& destination, int64_t limit);

// Piece verification.
struct HashCheckOutcome {
  StepResult result = StepResult::kDone;
};
HashCheckOutcome RunHashCheck(StageRun& run, const FileCheckOutcome& files);

// Missing-file repair stage.
struct RepairOutcome {
  StepResult result = StepResult::kDone;
};
RepairOutcome RunRepairStage(StageRun& run, const FileCheckOutcome& files);

// Unneeded files stage. `before`: what the stages before it counted.
struct UnneededOutcome {
  StepResult result = StepResult::kDone;
};
UnneededOutcome RunUnneededStage(StageRun& run, const FileCheckOutcome& files, const RunCounters& before);

// Backup location.
enum CreateMode { kBackupRelative = 0, kAbsolute = 1 };
// Makes the backup location's marker folder and the download folder's backup folder in it; kFailed
// when the marker folder cannot be had (nothing may then be created or moved below it).
StepResult PrepareBackupLocation(StageRun& run);
// Where the backup of `relative` (a path below the download folder, or empty) goes: the backup
// location's marker folder, the download folder's name, then `relative`. Every backup path is
// built here.
QString BackupFolder(const RunContext& context, const QString& relative = QString());
// Creates every folder of `path` (below the download folder's backup folder with kBackupRelative);
// kFailed when its deepest folder could not be made.
StepResult CreateDirectoryPath(StageRun& run, const QString& path, CreateMode mode);
// True when no folder from the backup location's marker folder down to `relative_dir` (below the
// download folder's backup folder) is a link; missing folders are fine. A link there, planted in
// the download or left by an earlier backup of a link, would carry backups out of the location.
bool BackupFoldersAreReal(const RunContext& context, const QString& relative_dir);

}  // namespace zandrel
