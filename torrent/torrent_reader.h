// Reads a .torrent file: into the torrent model, or as the paths it lists for the ignore list.
#pragma once

#include <QString>

#include "messages/message_table.h"
#include "platform/result.h"
#include "torrent/path_map.h"
#include "torrent/torrent_model.h"

namespace zandrel {

// The torrent's model, or why it cannot be had: a status message ("Status_TorrentNotFound",
// "Status_ProcessTorrentError", ...). `messages` words the reason a hybrid torrent's v2 trees go
// unused (TorrentModel::V2Problem). A window that shows the read under way says
// "Status_ProcessTorrent" before it asks.
Result<TorrentModel> ReadTorrent(const QString& path, const MessageTable& messages);

// Adds the relative path of every file the torrent lists, and every folder above one, to
// ignore_list; all of them or, with the reason as ReadTorrent gives it, none.
Status AddTorrentPaths(const QString& path, PathMap& ignore_list);

}  // namespace zandrel
