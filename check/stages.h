// The stages of a check run, in the order the run calls them.
#pragma once

#include "check/check_run.h"

namespace zandrel {

// File presence, size check, trimming and deleting. Returns -1 when a block copy was cancelled.
int CheckEntry(CheckRun& run, TorrentFileEntry& entry);
int ReplaceWrongSizedFile(CheckRun& run, TorrentFileEntry& entry, QString& main_line,
                          QString& secondary_line);
// Block copy of the whole file (limit <= 0) or its first limit bytes: 1, 0 failure, -1 cancelled.
int CopyFileBlocks(CheckRun& run, const QString& source, const QString& destination, int64_t limit);

// Piece verification; -1 when cancelled, else 0.
int VerifyPieces(CheckRun& run);

// Missing-file repair stage including its report section; -1 when cancelled, else 0.
int RunRepairStage(CheckRun& run);
int SearchMissingFiles(CheckRun& run, int number, const QString& dir, int move_mode);
int TryRepairCandidate(CheckRun& run, const QString& candidate, int move_mode);

// Unneeded files stage including its report section; true when cancelled.
bool RunUnneededStage(CheckRun& run);
int ScanDirectory(CheckRun& run, int level, const QString& dir);
int CheckUnneededFile(CheckRun& run, const QString& path);

// Backup location.
enum CreateMode { kBackupRelative = 0, kAbsolute = 1 };
void PrepareBackupLocation(CheckRun& run, const QString& dir);
void CreateDirectoryPath(CheckRun& run, const QString& path, int mode);
// True when no folder from the backup location's marker folder down to `relative_dir` (below the
// download folder's backup folder) is a link; missing folders are fine. A link there, planted in
// the download or left by an earlier backup of a link, would carry backups out of the location.
bool BackupFoldersAreReal(const CheckRun& run, const QString& relative_dir);

}  // namespace zandrel
