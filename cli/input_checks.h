// What `info` looks at before it reads a torrent.
#pragma once

#include <QString>

namespace zandrel {

// Why a torrent file cannot be read ("not found", "is a directory", the system's reason); empty
// when it can be opened.
QString TorrentFileProblem(const QString& path);

}  // namespace zandrel
