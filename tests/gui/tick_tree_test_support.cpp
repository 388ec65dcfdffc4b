#include "tests/gui/tick_tree_test_support.h"

#include "tests/support/bencode.h"

namespace zandrel::test {

QString TreeWindowFixture::TorrentFile(const QString& name, const Files& files) const {
  const QString path = Join(root_.path(), name);
  int64_t total = 0;
  std::vector<TorrentFileItem> items;
  for (const auto& [relative, length] : files) {
    TorrentFileItem item;
    for (const QString& part : QString::fromStdString(relative).split('/')) item.path.push_back(part.toStdString());
    item.length = length;
    items.push_back(item);
    total += length;
  }
  WriteFile(path, BuildMultiFileTorrent("Show", items, 16384, PiecesFor(std::string(size_t(total), 'x'), 16384)));
  return path;
}

}  // namespace zandrel::test
