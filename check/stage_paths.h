// Path rules and careful file moves shared by the repair stage and the unneeded-files stage.
#pragma once

#include <QString>

#include "check/check_run.h"

namespace zandrel {

// The relative path of a path below the run's download directory; false for anything else.
bool RelativeToDownload(const CheckRun& run, const QString& path, QString* relative);

// A file or folder of the torrent: whatever stands there must never be replaced or removed.
bool IsNeededPath(const CheckRun& run, const QString& path);

// Text after the last separator.
QString FileNamePart(const QString& path);

// A file is ignored by its relative path or by its bare name.
bool IgnoredFile(const CheckRun& run, const QString& relative);

// A directory is ignored by its relative path. The run's own backup location counts as ignored
// wherever it lies in the download directory, so no scan ever works on the backups themselves.
bool IgnoredDirectory(const CheckRun& run, const QString& relative, const QString& path);

// The report file this run is writing, when it lies in a scanned directory.
bool IsRunReport(const CheckRun& run, const QString& path);

// A name beside `path` that nothing stands at yet.
QString UnusedSiblingName(const QString& path);
// The same as the run sees the disk: a dry run's own files take their names too.
QString UnusedSiblingName(const DiskActions& disk, const QString& path);

// Moves a file or link to `to`, replacing a file or link that already stands there. The old one is
// only removed once the new one is in place: on failure both stay where they were. A directory at
// `to` is never replaced.
bool MoveReplacing(DiskActions& disk, const QString& from, const QString& to);

}  // namespace zandrel
