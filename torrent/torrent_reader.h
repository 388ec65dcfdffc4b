// Reads a .torrent file into the torrent model, or adds its paths to the ignore list.
#pragma once

#include <QString>
#include <functional>

#include "messages/message_table.h"
#include "torrent/path_map.h"
#include "torrent/torrent_model.h"

namespace zandrel {

enum ReadMode { kLoadModel = 0, kAddToIgnoreList = 1 };

using StatusCallback = std::function<void(const QString& text)>;

// Returns 1 on success, 0 on failure. In kLoadModel mode the caller empties model.TorrentFiles
// first; in kAddToIgnoreList mode the model is left untouched and the paths go to ignore_list.
// Status texts ("Processing torrent file...", "Torrent file not found.", ...) go to status.
int ReadTorrent(const QString& path, int mode, TorrentModel& model, PathMap& ignore_list,
                const MessageTable& messages, const StatusCallback& status);

}  // namespace zandrel
