// What the command line looks at before a run starts: every refusal here leaves the disk as it was.
#pragma once

#include <QString>
#include <vector>

#include "torrent/torrent_model.h"

namespace zandrel {

// Why a torrent file cannot be read ("not found", "is a directory", "permission denied"); empty
// when it can be opened.
QString TorrentFileProblem(const QString& path);

// Why DIR cannot be checked ("no such directory", "not a directory"); empty when it can.
QString DownloadDirProblem(const QString& dir);

// The folder that seems to hold the download when DIR was given one level too high: not one file
// of a multi-file torrent is in DIR, but DIR holds a folder with the torrent's name. Empty
// otherwise.
QString MisplacedDownloadFolder(const std::vector<TorrentFileEntry>& files, const QString& torrent_name,
                                const QString& dir);

// Makes sure the report can be written before anything else happens: the folder must exist (the
// logs folder is created, a folder the user named is not) and the file must be writable. An
// existing file is left as it is until the run overwrites it. The reason when it cannot be had.
QString ReportProblem(const QString& report_path, bool create_folder);

}  // namespace zandrel
