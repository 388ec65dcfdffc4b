// The torrent's files as the torrent view shows them (a tree of directories and files) and as its
// text listing draws them. Pure functions, shared by the view window and zandrel-cli.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "torrent/torrent_model.h"

namespace zandrel {

struct TreeItem {
  QString text;     // "[" + directory + "]", or Name + " [Size: " + Length + " bytes]"
  int level = 0;    // sub-level, 0 for the top
  int tick = 1;     // recorded tick: 1 when the item goes into the listing
};

// A copy of the files sorted twice with a stable sort, first by Name, then by Dir, both ignoring
// letter case: ordered by directory, a directory's own files before its subdirectories.
std::vector<TorrentFileEntry> SortedForView(const std::vector<TorrentFileEntry>& files);

// The tree items for files in view order: each directory once (an item per new component of the
// directory path), followed by its own files. Every item starts ticked.
std::vector<TreeItem> BuildTreeItems(const std::vector<TorrentFileEntry>& sorted);

// One line per ticked item: an indent that draws the tree's branches, then the item's text. A
// branch at level c runs on past an item when the first later item (ticked or not) whose level is
// c or less has level c. Linear in the number of items and the size of the lines.
QStringList ListingLines(const std::vector<TreeItem>& items);

}  // namespace zandrel
