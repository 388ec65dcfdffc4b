// The text file a torrent view saves: its ticked items drawn as an indented tree.
#pragma once

#include <QString>
#include <vector>

#include "torrent/torrent_listing.h"

namespace zandrel {

// The file-name part of the torrent path without its extension, followed by ".txt".
QString DefaultListingName(const QString& torrent_path);

enum class ListingSaved { kWritten, kNothingTicked, kNotCreated };

// Writes one line per ticked item, UTF-8 without byte-order mark, each ended by CR LF. Nothing is
// written when no item is ticked, and a file that cannot be written completely is left as it was
// (no half-written file).
ListingSaved SaveTorrentListing(const QString& path, const std::vector<TreeItem>& items);

}  // namespace zandrel
