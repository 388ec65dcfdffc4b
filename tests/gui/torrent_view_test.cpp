// Torrent view windows driven as a user drives them: View Torrent, the tree's tick boxes, the
// Select buttons and the saved listing, compared byte for byte.
#include <QDir>
#include <QPushButton>

#include "app/gui/torrent_view_window.h"
#include "app/gui/torrent_views.h"
#include "app/torrent_listing_file.h"
#include "app/tree_window_layout.h"
#include "platform/file_system.h"
#include "tests/gui/tick_tree_test_support.h"
#include "tests/support/bencode.h"

namespace zandrel {
namespace {

using test::ClickItem;
using test::Join;
using test::ReadFile;
using test::WriteFile;

class TorrentViewTest : public test::TreeWindowFixture {
 protected:
  // Sets the torrent path as the main window does and presses View Torrent.
  TorrentViewWindow* View(const QString& torrent) {
    if (context_.options.TorrentFile != torrent) context_.torrent_changed = true;
    context_.options.TorrentFile = torrent;
    views_.ViewTorrent();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !views_.Loading(); }));
    return views_.Windows().empty() ? nullptr : views_.Windows().back();
  }
  std::vector<std::pair<QString, int>> TextsAndLevels(TorrentViewWindow* window) {
    std::vector<std::pair<QString, int>> items;
    for (const TreeItem& item : window->Model().Items()) items.push_back({item.text, item.level});
    return items;
  }
  // Presses the save button with the requester answered by path.
  std::string Save(TorrentViewWindow* window, const QString& path) {
    dialogs_.save_files.push_back({path});
    QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
    return FileSize(path) >= 0 ? ReadFile(path) : std::string("<none>");
  }
  QString Out(const QString& name) const { return Join(root_.path(), name); }

  TorrentViews views_{context_, shell_};
  const Files cd_ = {
      {"CD1/a.bin", 10}, {"CD1/Extras/b.txt", 20}, {"c.nfo", 5}};
};

TEST_F(TorrentViewTest, ListingOfTheTickedItemsIsSavedByteForByte) {
  const QString torrent = TorrentFile("Show.Name.torrent", cd_);
  TorrentViewWindow* window = View(torrent);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), torrent);
  EXPECT_EQ(window->size(), QSize(450, 300));
  EXPECT_EQ(window->pos(), CentredPosition(QGuiApplication::primaryScreen()->geometry().size(), {450, 300}));
  EXPECT_EQ(shell_.status_texts.last(), QString());
  EXPECT_EQ(shell_.busy_calls, (QList<bool>{true, false}));  // while read and filled on a worker
  EXPECT_EQ(shell_.check_button_calls, (QList<bool>{false, true}));
  EXPECT_EQ(test::Ticks(window->Model()), std::vector<int>(5, 1));

  EXPECT_EQ(Save(window, Out("list.txt")),
            "c.nfo [Size: 5 bytes]\r\n"
            "[CD1]\r\n"
            "   |--- a.bin [Size: 10 bytes]\r\n"
            "   |--- [Extras]\r\n"
            "           |--- b.txt [Size: 20 bytes]\r\n");
  EXPECT_EQ(dialogs_.asked.last().title, "Save torrent as text file...");
  EXPECT_EQ(dialogs_.asked.last().text, "Text file (*.txt)");
  EXPECT_EQ(DefaultListingName(torrent), "Show.Name.txt");

  // Unticking [Extras] takes b.txt with it; [CD1] keeps its tick.
  window->Tree()->expandAll();
  ClickItem(window->Tree(), 3, true);
  EXPECT_EQ(test::Ticks(window->Model()), (std::vector<int>{1, 1, 1, 0, 0}));
  EXPECT_EQ(Save(window, Out("less.txt")), "c.nfo [Size: 5 bytes]\r\n[CD1]\r\n   |--- a.bin [Size: 10 bytes]\r\n");
  // Clicking a text changes nothing; ticking [Extras] again brings b.txt back.
  ClickItem(window->Tree(), 1, false);
  ClickItem(window->Tree(), 3, true);
  EXPECT_EQ(test::Ticks(window->Model()), std::vector<int>(5, 1));
}

TEST_F(TorrentViewTest, BarsCountOmittedItemsAndNothingIsWrittenWithoutTickedItems) {
  auto files = cd_;
  files.push_back({"CD1/z/c.bin", 7});
  TorrentViewWindow* window = View(TorrentFile("more.torrent", files));
  ASSERT_NE(window, nullptr);
  window->Tree()->expandAll();
  ClickItem(window->Tree(), 5, true);  // [z]
  // b.txt's level-1 bar runs on towards [z], which is left out of the listing.
  EXPECT_EQ(Save(window, Out("bars.txt")),
            "c.nfo [Size: 5 bytes]\r\n"
            "[CD1]\r\n"
            "   |--- a.bin [Size: 10 bytes]\r\n"
            "   |--- [Extras]\r\n"
            "   |       |--- b.txt [Size: 20 bytes]\r\n");

  QTest::mouseClick(window->SelectNoneButton(), Qt::LeftButton);
  EXPECT_EQ(Save(window, Out("none.txt")), "<none>");
  QTest::mouseClick(window->SelectAllButton(), Qt::LeftButton);
  EXPECT_EQ(test::Ticks(window->Model()), std::vector<int>(7, 1));
  // A cancelled requester, a folder, a folder that does not exist: nothing is written.
  const int asked = dialogs_.Count("save");
  dialogs_.save_files.push_back({});
  QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
  EXPECT_EQ(dialogs_.Count("save"), asked + 1);
  QDir().mkpath(Out("folder"));
  EXPECT_EQ(Save(window, Out("folder")), "<none>");
  EXPECT_EQ(FileSize(Out("folder")), -2);
  EXPECT_EQ(Save(window, Out("missing/list.txt")), "<none>");
  EXPECT_EQ(QDir(root_.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).filter(".txt"), QStringList{"bars.txt"});
}

TEST_F(TorrentViewTest, TreesOfOneFileAndOfSameNamedFoldersInDifferentPlaces) {
  const QString single = Join(root_.path(), "one.torrent");
  WriteFile(single, test::BuildSingleFileTorrent("movie.mkv", 7, 16384, test::PiecesFor(std::string(7, 'x'), 16384)));
  TorrentViewWindow* one = View(single);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(TextsAndLevels(one), (std::vector<std::pair<QString, int>>{{"movie.mkv [Size: 7 bytes]", 0}}));
  EXPECT_EQ(Save(one, Out("one.txt")), "movie.mkv [Size: 7 bytes]\r\n");

  TorrentViewWindow* two = View(TorrentFile("xy.torrent", {{"y/m/f2", 2}, {"x/m/f1", 1}}));
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(TextsAndLevels(two), (std::vector<std::pair<QString, int>>{{"[x]", 0},
                                                                       {"[m]", 1},
                                                                       {"f1 [Size: 1 bytes]", 2},
                                                                       {"[y]", 0},
                                                                       {"[m]", 1},
                                                                       {"f2 [Size: 2 bytes]", 2}}));
  // The second [m] lies under [y]: ticking [x] off leaves it.
  two->Tree()->expandAll();
  ClickItem(two->Tree(), 0, true);
  EXPECT_EQ(test::Ticks(two->Model()), (std::vector<int>{0, 0, 0, 1, 1, 1}));
  EXPECT_EQ(views_.Windows().size(), 2u);
}

TEST_F(TorrentViewTest, TheSameTorrentBringsItsWindowForwardAndClosingDropsIt) {
  const QString first = TorrentFile("first.torrent", cd_);
  TorrentViewWindow* window = View(first);
  ASSERT_NE(window, nullptr);
  window->showMinimized();
  ASSERT_TRUE(window->isMinimized());
  const qsizetype texts = shell_.status_texts.size();
  EXPECT_EQ(View(first), window);
  EXPECT_EQ(views_.Windows().size(), 1u);
  EXPECT_FALSE(window->isMinimized());
  EXPECT_EQ(shell_.status_texts.size(), texts);  // not read again

  TorrentViewWindow* second = View(TorrentFile("second.torrent", {{"only.bin", 3}}));
  ASSERT_NE(second, window);
  EXPECT_EQ(views_.Windows().size(), 2u);
  window->close();
  QTest::qWait(0);
  EXPECT_EQ(views_.Windows(), std::vector<TorrentViewWindow*>{second});
  // Pressing for the first torrent again opens a new window for it.
  EXPECT_EQ(View(first)->TorrentPath(), first);
  EXPECT_EQ(views_.Windows().size(), 2u);
}

TEST_F(TorrentViewTest, ATorrentThatCannotBeReadOpensNothingAndIsReadAgainNextTime) {
  const QString path = Join(root_.path(), "bad.torrent");
  struct Case {
    const char* what;
    std::function<void()> make;
  } cases[] = {
      {"a folder", [&] { QDir().mkpath(path); }},
      {"an empty file", [&] { QDir(path).removeRecursively(); WriteFile(path, ""); }},
      {"no torrent", [&] { WriteFile(path, "d4:spam"); }},
      {"a path out of the folder", [&] {
         WriteFile(path, test::BuildMultiFileTorrent("n", {{{"..", "..", "x"}, 1, ""}}, 16384, std::string(20, 'a')));
       }},
  };
  for (const Case& c : cases) {
    c.make();
    context_.engine.model.TorrentFiles.clear();
    const qsizetype texts = shell_.status_texts.size();
    TorrentViewWindow* window = View(path);
    if (window) {  // a hostile torrent may be read with its paths cleaned
      for (const TreeItem& item : window->Model().Items()) EXPECT_FALSE(item.text.contains("..")) << c.what;
      window->close();
      QTest::qWait(0);
      continue;
    }
    EXPECT_GT(shell_.status_texts.size(), texts) << c.what;
    EXPECT_FALSE(shell_.status_texts.last().isEmpty()) << c.what;
    EXPECT_TRUE(context_.torrent_changed) << c.what;
  }
  WriteFile(path, ReadFile(TorrentFile("good.torrent", cd_)));
  ASSERT_NE(View(path), nullptr);
  EXPECT_FALSE(context_.torrent_changed);
}

TEST_F(TorrentViewTest, NarrowWindowPutsSaveRightAfterSelectNone) {
  const TorrentViewSizes sizes{{150, 24}, {80, 24}, {90, 24}};
  struct Case {
    int width;
    int save_x;
  } cases[] = {{450, 290}, {341, 181}, {340, 180}, {200, 180}};
  for (const Case& c : cases) {
    const TorrentViewLayout l = LayoutTorrentView({c.width, 300}, sizes);
    EXPECT_EQ(l.save, QRect(c.save_x, 266, 150, 24)) << c.width;
    EXPECT_EQ(l.tree, QRect(10, 10, c.width - 20, 246));
    EXPECT_EQ(l.select_all, QRect(10, 266, 80, 24));
    EXPECT_EQ(l.select_none, QRect(90, 266, 90, 24));
  }
  // The window applies it when resized.
  TorrentViewWindow* window = View(TorrentFile("narrow.torrent", cd_));
  ASSERT_NE(window, nullptr);
  window->resize(200, 200);
  EXPECT_EQ(window->SaveButton()->x(), window->SelectAllButton()->width() + window->SelectNoneButton()->width() + 10);
  window->resize(900, 200);
  EXPECT_EQ(window->SaveButton()->geometry().right(), 900 - 10 - 1);

  // In a large font it opens wide enough for the three buttons side by side.
  const QFont normal = QApplication::font();
  QFont large = normal;
  large.setPointSize(30);
  QApplication::setFont(large);
  TorrentViewWindow* wide = View(TorrentFile("wide.torrent", cd_));
  QApplication::setFont(normal);
  ASSERT_NE(wide, nullptr);
  EXPECT_GT(wide->width(), 450);
  EXPECT_GT(wide->SaveButton()->x(), wide->SelectNoneButton()->geometry().right() + 1);
  EXPECT_EQ(wide->SaveButton()->geometry().right(), wide->width() - 10 - 1);
}

}  // namespace
}  // namespace zandrel
