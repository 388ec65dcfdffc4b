#include <gtest/gtest.h>

#include <random>

#include "platform/file_system.h"
#include "torrent/torrent_listing.h"

namespace zandrel {
namespace {

TorrentFileEntry File(const QString& path, int64_t length) {
  QString native = path;
  native.replace(u'/', QChar(kSeparator));
  const qsizetype cut = native.lastIndexOf(QChar(kSeparator)) + 1;
  TorrentFileEntry entry;
  entry.Dir = native.left(cut);
  entry.Name = native.mid(cut);
  entry.Length = length;
  return entry;
}

std::vector<std::pair<QString, int>> TextsAndLevels(const std::vector<TreeItem>& items) {
  std::vector<std::pair<QString, int>> out;
  for (const TreeItem& item : items) out.emplace_back(item.text, item.level);
  return out;
}

QStringList Listing(const std::vector<TorrentFileEntry>& files) {
  return ListingLines(BuildTreeItems(SortedForView(files)));
}

TEST(TorrentListing, ExampleTree) {
  const QStringList lines = Listing({File("CD1/a.bin", 10), File("CD1/Extras/b.txt", 20), File("c.nfo", 5)});
  EXPECT_EQ(lines, (QStringList{"c.nfo [Size: 5 bytes]", "[CD1]", "   |--- a.bin [Size: 10 bytes]",
                                "   |--- [Extras]", "           |--- b.txt [Size: 20 bytes]"}));
}

TEST(TorrentListing, SingleFileIsOneLine) {
  EXPECT_EQ(Listing({File("movie.mkv", 123)}), QStringList{"movie.mkv [Size: 123 bytes]"});
}

TEST(TorrentListing, SameNameUnderDifferentParentsGetsItsOwnItems) {
  const auto items = BuildTreeItems(SortedForView({File("y/m/f2", 2), File("x/m/f1", 1)}));
  EXPECT_EQ(TextsAndLevels(items),
            (std::vector<std::pair<QString, int>>{{"[x]", 0}, {"[m]", 1}, {"f1 [Size: 1 bytes]", 2},
                                                  {"[y]", 0}, {"[m]", 1}, {"f2 [Size: 2 bytes]", 2}}));
}

TEST(TorrentListing, SortIgnoresCaseAndKeepsEqualKeysInTorrentOrder) {
  const auto sorted = SortedForView({File("b/Z.txt", 1), File("B/a.txt", 2), File("top.txt", 3),
                                     File("b/sub/x", 4), File("A.txt", 5), File("b/A.TXT", 6)});
  QStringList order;
  for (const auto& entry : sorted) order << entry.RelativePath().replace(QChar(kSeparator), u'/');
  EXPECT_EQ(order, (QStringList{"A.txt", "top.txt", "B/a.txt", "b/A.TXT", "b/Z.txt", "b/sub/x"}));
  // Directory names that differ only in letter case are different directories.
  EXPECT_EQ(TextsAndLevels(BuildTreeItems(sorted))[2], (std::pair<QString, int>{"[B]", 0}));
  EXPECT_EQ(TextsAndLevels(BuildTreeItems(sorted))[4], (std::pair<QString, int>{"[b]", 0}));
}

// A file named like a directory that follows it must not stand in for that directory's item.
TEST(TorrentListing, FileNamedLikeALaterDirectory) {
  const auto items = BuildTreeItems(SortedForView({File("a/b", 1), File("a/b/c", 2)}));
  EXPECT_EQ(TextsAndLevels(items),
            (std::vector<std::pair<QString, int>>{{"[a]", 0}, {"b [Size: 1 bytes]", 1}, {"[b]", 1}, {"c [Size: 2 bytes]", 2}}));
}

TEST(TorrentListing, UntickedItemsAreLeftOutButStillDrawTheirBranches) {
  auto items = BuildTreeItems(SortedForView({File("d/x/1", 1), File("d/x/2", 2), File("d/y/3", 3), File("e", 4)}));
  // e, [d], [x], 1, 2, [y], 3: untick [x] and its files.
  for (int i = 2; i <= 4; ++i) items[i].tick = 0;
  EXPECT_EQ(ListingLines(items), (QStringList{"e [Size: 4 bytes]", "[d]", "   |--- [y]",
                                              "           |--- 3 [Size: 3 bytes]"}));
  items[2].tick = 1;
  items[5].tick = 0;
  EXPECT_EQ(ListingLines(items)[2], "   |--- [x]");
  EXPECT_EQ(ListingLines(items).size(), 4);
}

// The look-ahead of the continuation rule, written the obvious quadratic way.
QStringList ReferenceLines(const std::vector<TreeItem>& items) {
  QStringList lines;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].tick != 1) continue;
    QString prefix;
    for (int c = 1; c < items[i].level; ++c) {
      bool continues = false;
      for (size_t j = i + 1; j < items.size(); ++j) {
        if (items[j].level <= c) {
          continues = items[j].level == c;
          break;
        }
      }
      prefix += continues ? "   |    " : "        ";
    }
    if (items[i].level >= 1) prefix += "   |--- ";
    lines << prefix + items[i].text;
  }
  return lines;
}

TEST(TorrentListing, BranchesMatchTheLookAheadRuleOnRandomTrees) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::vector<TreeItem> items;
    int level = 0;
    const int count = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
      // A tree's levels rise by at most one from item to item, and may fall to any level.
      level = static_cast<int>(random() % (level + 2));
      items.push_back({QString::number(i), level, static_cast<int>(random() % 4 != 0)});
    }
    ASSERT_EQ(ListingLines(items), ReferenceLines(items)) << "round " << round;
  }
}

}  // namespace
}  // namespace zandrel
