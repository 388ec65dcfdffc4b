// Path rules and careful file moves shared by the repair stage and the unneeded-files stage.
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "check/disk_actions.h"
#include "check/run_context.h"

namespace zandrel {

// The relative path of a path below the run's download directory, however either is spelled
// (through a link, or as the real path); none for anything else.
std::optional<QString> RelativeToDownload(const RunContext& run, const QString& path);

// A file or folder of the torrent: whatever stands there must never be replaced or removed.
bool IsNeededPath(const RunContext& run, const QString& path);

// Text after the last separator.
QString FileNamePart(const QString& path);

// A file is ignored by its relative path or by its bare name.
bool IgnoredFile(const RunContext& run, const QString& relative);

// A directory is ignored by its relative path. Every folder named like the backup marker counts as
// ignored wherever it lies in the download directory, so no scan ever works on backups.
bool IgnoredDirectory(const RunContext& run, const QString& relative);

// A file the run reads or writes itself (its torrent, the torrents whose files it leaves alone, its
// report), under whatever name it is reached: never unneeded, never a repair source.
bool IsKeptFile(const RunContext& run, const QString& path);

// `path` with `suffix` added to its last component, which is first cut (by whole characters) so
// that the name stays within the file system's limit.
QString WithNameSuffix(const QString& path, const QString& suffix);

// A name beside `path` that nothing stands at yet, for a temporary file; within the name limit.
// Asked as the run sees the disk: a dry run's own files take their names too.
QString UnusedSiblingName(const DiskActions& disk, const QString& path);

// `path` when nothing stands there, else the first free "name_2.ext", "name_3.ext", ... beside it
// (as report names are made): nothing already there is ever replaced.
QString FreeNameBeside(const DiskActions& disk, const QString& path);

// Moves a file or link to `to`, replacing a file or link that already stands there. The old one is
// only removed once the new one is in place: on failure both stay where they were. A directory at
// `to` is never replaced.
bool MoveReplacing(DiskActions& disk, const QString& from, const QString& to);

}  // namespace zandrel
