#include "torrent/torrent_listing.h"

#include <algorithm>
#include <numeric>

#include "platform/file_system.h"

namespace zandrel {
namespace {

// Letters compared as lower case, then by character code.
QString LowerKey(const QString& text) {
  QString key = text;
  for (QChar& c : key) {
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z') c = QChar(static_cast<char16_t>(u + 32));
    else if (u >= 0x80) c = c.toLower();
  }
  return key;
}

QString FileItemText(const TorrentFileEntry& entry) {
  return entry.Name + QStringLiteral(" [Size: ") + QString::number(entry.Length) + QStringLiteral(" bytes]");
}

}  // namespace

std::vector<TorrentFileEntry> SortedForView(const std::vector<TorrentFileEntry>& files) {
  std::vector<QString> names, dirs;
  names.reserve(files.size());
  dirs.reserve(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    names.push_back(LowerKey(files[i].Name));
    // Files of one directory usually share one Dir string; so do their keys then.
    const bool same_dir = i > 0 && files[i].Dir.isSharedWith(files[i - 1].Dir);
    dirs.push_back(same_dir ? dirs.back() : LowerKey(files[i].Dir));
  }
  std::vector<size_t> order(files.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return names[a] < names[b]; });
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return dirs[a] < dirs[b]; });
  std::vector<TorrentFileEntry> sorted;
  sorted.reserve(files.size());
  for (size_t i : order) sorted.push_back(files[i]);
  return sorted;
}

std::vector<TreeItem> BuildTreeItems(const std::vector<TorrentFileEntry>& sorted) {
  std::vector<TreeItem> items;
  items.reserve(sorted.size());
  // Directory components of the last file that had any. Only directories are compared, so a file
  // named like a later directory does not stand in for that directory's item.
  QStringList previous_dirs;
  for (const TorrentFileEntry& entry : sorted) {
    const QStringList parts = (entry.Dir + entry.Name).split(QChar(kSeparator));
    const int k = static_cast<int>(parts.size()) - 1;
    if (k > 0) {
      int first_new = 0;
      while (first_new < k && first_new < previous_dirs.size() && parts[first_new] == previous_dirs[first_new]) {
        ++first_new;
      }
      for (int i = first_new; i < k; ++i) {
        items.push_back({QChar(u'[') + parts[i] + QChar(u']'), i, 1});
      }
      previous_dirs = parts.mid(0, k);
    }
    items.push_back({FileItemText(entry), k, 1});
  }
  return items;
}

QStringList ListingLines(const std::vector<TreeItem>& items) {
  // Walking backwards, `open[c]` tells whether level c is one of the levels that end a look-ahead
  // from the current item: the nearest later item, then the nearest one after it with a smaller
  // level, and so on. A branch at level c continues exactly when c is among them.
  int max_level = 0;
  for (const TreeItem& item : items) max_level = std::max(max_level, item.level);
  std::vector<char> open(static_cast<size_t>(max_level) + 1, 0);
  std::vector<int> chain;  // those levels, nearest item on top (strictly decreasing to the bottom)
  QStringList reversed;
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    const int level = std::max(0, it->level);
    if (it->tick == 1) {
      QString line;
      line.reserve(8 * level + it->text.size());
      for (int c = 1; c < level; ++c) {
        line += open[c] ? QStringLiteral("   |    ") : QStringLiteral("        ");
      }
      if (level >= 1) line += QStringLiteral("   |--- ");
      reversed.push_back(line + it->text);
    }
    while (!chain.empty() && chain.back() >= level) {
      open[chain.back()] = 0;
      chain.pop_back();
    }
    chain.push_back(level);
    open[level] = 1;
  }
  std::reverse(reversed.begin(), reversed.end());
  return reversed;
}

}  // namespace zandrel
