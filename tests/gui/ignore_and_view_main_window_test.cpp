// The ignore-list window and a torrent view reached through the main window's button and menu.
#include <QApplication>
#include <QTreeView>

#include "app/gui/ignore_list_window.h"
#include "app/gui/torrent_view_window.h"
#include "tests/gui/main_window_fixture.h"
#include "tests/support/bencode.h"

namespace zandrel {
namespace {

class TreeWindowsThroughMainWindowTest : public test::MainWindowFixture {};

TEST_F(TreeWindowsThroughMainWindowTest, ToggleButtonMenuAndViewTorrentButton) {
  const QString dl = test::Join(work_, "Show");
  test::WriteFile(test::Join(dl, "a/x.bin"), "data");
  Start();
  auto* ignore_button = Button(MainControl::kIgnoreButton);
  Type(MainControl::kDownloadDir, dl);
  Click(MainControl::kIgnoreButton);
  IgnoreListWindow* window = OpenWindow<IgnoreListWindow>();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->Tree()->isVisible(); }));
  EXPECT_EQ(window->focusWidget(), window->Tree());
  EXPECT_TRUE(ignore_button->isChecked());
  EXPECT_TRUE(ignore_button->isEnabled());
  window->Model().SetTick(0, true);
  // The toggle pressed again closes the window; the menu clears the list.
  Click(MainControl::kIgnoreButton);
  EXPECT_EQ(OpenWindow<IgnoreListWindow>(), nullptr);
  EXPECT_FALSE(ignore_button->isChecked());
  EXPECT_TRUE(app_->Context().engine.ignore_list.IsPresent("a"));
  Click(MainControl::kIgnoreButton);
  window = OpenWindow<IgnoreListWindow>();
  ASSERT_NE(window, nullptr);
  // The main window is busy while the tree is built.
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->Tree()->isVisible(); }));
  Trigger(MainMenuItem::kClearIgnoreList);
  EXPECT_EQ(StatusText(), "Ignore list cleared.");
  EXPECT_TRUE(QTest::qWaitFor([&] { return OpenWindow<IgnoreListWindow>() == nullptr; }));
  EXPECT_FALSE(ignore_button->isChecked());
  EXPECT_FALSE(app_->Context().engine.ignore_list.IsPresent("a"));

  const QString torrent = test::Join(work_, "show.torrent");
  test::WriteFile(torrent, test::BuildSingleFileTorrent("x.bin", 4, 16384, test::PiecesFor("data", 16384)));
  dialogs_.open_files.push_back({torrent});
  Trigger(MainMenuItem::kLoadIgnoreTorrents);
  EXPECT_EQ(StatusText(), "1 torrent(s) were added to the ignore list.");

  Type(MainControl::kTorrentPath, torrent);
  Click(MainControl::kViewTorrent);
  ASSERT_TRUE(QTest::qWaitFor([&] { return OpenWindow<TorrentViewWindow>() != nullptr; }));
  EXPECT_EQ(OpenWindow<TorrentViewWindow>()->windowTitle(), torrent);
  EXPECT_TRUE(Window().Control(MainControl::kViewTorrent)->isEnabled());
  ASSERT_TRUE(CloseAndWaitForExit());
}

// A check run puts the backup folder on the ignore list itself: the ignore window shows it ticked.
TEST_F(TreeWindowsThroughMainWindowTest, TheBackupFolderIsTickedAfterARun) {
  const QString dl = test::Join(work_, "Show"), torrent = test::Join(work_, "show.torrent");
  test::WriteFile(test::Join(dl, "x.bin"), "data");
  test::WriteFile(test::Join(dl, "[ZandrelBackup]/Show/old.bin"), "old");
  test::WriteFile(torrent, test::BuildSingleFileTorrent("x.bin", 4, 16384, test::PiecesFor("data", 16384)));
  QSignalSpy finished(&Start(), &MainWindow::checkRunFinished);
  Type(MainControl::kTorrentPath, torrent);
  Type(MainControl::kDownloadDir, dl);
  Click(MainControl::kCheckTorrent);
  ASSERT_TRUE(finished.count() > 0 || finished.wait(60000));
  Click(MainControl::kIgnoreButton);
  IgnoreListWindow* window = OpenWindow<IgnoreListWindow>();
  ASSERT_TRUE(window != nullptr && QTest::qWaitFor([&] { return window->Tree()->isVisible(); }));
  QStringList ticked;
  for (const TreeItem& item : window->Model().Items()) {
    if (item.tick == 1) ticked << item.text;
  }
  EXPECT_EQ(ticked, QStringList{"[[ZandrelBackup]]"});
  ASSERT_TRUE(CloseAndWaitForExit());
}

}  // namespace
}  // namespace zandrel
