// The ignore-list window driven as a user drives it, its tree builder on real directories, and a
// check run that honours what was ticked.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <unistd.h>

#include <fstream>
#include <map>

#include "app/gui/ignore_list_controller.h"
#include "app/gui/ignore_list_window.h"
#include "app/ignore_tree_builder.h"
#include "app/tree_window_layout.h"
#include "check/check_thread.h"
#include "platform/file_system.h"
#include "tests/gui/tick_tree_test_support.h"

namespace zandrel {
namespace {

using test::ClickItem;
using test::Join;
using test::Ticks;
using test::WriteFile;

class IgnoreListTest : public test::TreeWindowFixture {
 protected:
  IgnoreListTest() {
    for (const char* file : {"a/x.bin", "a/sub/y.bin", "b.txt"}) WriteFile(Path(file), "data");
  }
  // Presses the toggle button and waits until the tree is shown.
  IgnoreListWindow* OpenBuilt() {
    controller_.Toggle(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !controller_.Building(); }));
    IgnoreListWindow* window = controller_.Window();
    if (window) window->Tree()->expandAll();
    return window;
  }
  // Item number of each relative path.
  std::map<QString, int> Items() const {
    std::map<QString, int> items;
    const auto& entries = controller_.IgnoreTreeEntries();
    for (size_t i = 0; i < entries.size(); ++i) items[entries[i].Path] = static_cast<int>(i);
    return items;
  }
  QStringList Present(const QStringList& paths) const {
    QStringList present;
    for (const QString& path : paths) {
      if (context_.engine.ignore_list.IsPresent(path)) present << path;
    }
    return present;
  }
  static QString P(const char* relative) { return QString(relative).replace('/', QChar(kSeparator)); }

  IgnoreListController controller_{context_, shell_};
  QSignalSpy button_{&controller_, &IgnoreListController::IgnoreButtonPressed};
  const QStringList all_{P("a"), P("a/x.bin"), P("a/sub"), P("a/sub/y.bin"), P("b.txt")};
};

TEST_F(IgnoreListTest, TickingCarriesToTheSubtreeAndAClickThatChangesNothingDoesNothing) {
  IgnoreListWindow* window = OpenBuilt();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->Tree()->isVisible());
  EXPECT_FALSE(window->CancelButton()->isVisible());
  EXPECT_EQ(window->windowTitle(), "Tick/check files and folders to be ignored by the unneeded scanner");
  EXPECT_EQ(shell_.busy_calls, (QList<bool>{true, false}));
  auto items = Items();
  ASSERT_EQ(items.size(), 5u);
  // A directory's own entry comes before its contents.
  EXPECT_LT(items[P("a")], items[P("a/x.bin")]);
  EXPECT_LT(items[P("a/sub")], items[P("a/sub/y.bin")]);
  EXPECT_EQ(window->Model().Items()[size_t(items[P("a/sub")])].text, "[sub]");
  QTreeView* tree = window->Tree();

  struct Step {
    const char* what;
    const char* item;
    bool on_box;
    QStringList present;
  } steps[] = {
      {"tick a folder", "a", true, {P("a"), P("a/x.bin"), P("a/sub"), P("a/sub/y.bin")}},
      {"untick a file inside", "a/x.bin", true, {P("a"), P("a/sub"), P("a/sub/y.bin")}},
      {"click the folder's text", "a", false, {P("a"), P("a/sub"), P("a/sub/y.bin")}},
      {"untick the inner folder", "a/sub", true, {P("a")}},
      {"tick the file again", "a/x.bin", true, {P("a"), P("a/x.bin")}},
      {"click a file's text", "b.txt", false, {P("a"), P("a/x.bin")}},
  };
  for (const Step& step : steps) {
    ClickItem(tree, items[P(step.item)], step.on_box);
    EXPECT_EQ(Present(all_), step.present) << step.what;
    for (const QString& path : all_) {
      EXPECT_EQ(window->Model().Items()[size_t(items[path])].tick, step.present.contains(path) ? 1 : 0)
          << step.what << ": " << path.toStdString();
    }
  }
  QTest::mouseClick(window->SelectAllButton(), Qt::LeftButton);
  EXPECT_EQ(Present(all_), all_);
  QTest::mouseClick(window->SelectNoneButton(), Qt::LeftButton);
  EXPECT_EQ(Present(all_), QStringList());
  EXPECT_EQ(Ticks(window->Model()), std::vector<int>(5, 0));
}

TEST_F(IgnoreListTest, LoadedTorrentsTickTheirPathsInTheSameCaseAndSelectNoneRemovesThem) {
  const QString same = TorrentFile("same.torrent", {{"a/x.bin", 4}, {"elsewhere.bin", 4}});
  const QString other_case = TorrentFile("case.torrent", {{"B.TXT", 4}});
  const QString not_torrent = Join(root_.path(), "notes.torrent");
  WriteFile(not_torrent, "this is no torrent");
  dialogs_.open_files = {{same, not_torrent}, {other_case}};

  controller_.LoadIgnoreTorrents();
  EXPECT_EQ(shell_.status_texts.last(), "1 torrent(s) were added to the ignore list.");
  EXPECT_EQ(dialogs_.asked.last().title, "Select .torrent file(s) to add to the ignore list");
  EXPECT_EQ(dialogs_.asked.last().text, "Torrent file (*.torrent)");
  controller_.LoadIgnoreTorrents();
  EXPECT_EQ(shell_.status_texts.last(), "1 torrent(s) were added to the ignore list.");
  // The torrent's file and the directory above it.
  const QStringList in_a{P("a"), P("a/x.bin"), P("a/sub"), P("a/sub/y.bin")};
  EXPECT_EQ(Present(in_a), (QStringList{P("a"), P("a/x.bin")}));

  IgnoreListWindow* window = OpenBuilt();
  ASSERT_NE(window, nullptr);
  auto items = Items();
  std::vector<int> expected(5, 0);
  expected[size_t(items[P("a")])] = 1;
  expected[size_t(items[P("a/x.bin")])] = 1;
  // "B.TXT" differs from "b.txt" on disk only in letter case: shown unticked.
  EXPECT_EQ(Ticks(window->Model()), expected);

  QTest::mouseClick(window->SelectNoneButton(), Qt::LeftButton);
  EXPECT_EQ(Present(all_), QStringList());
  EXPECT_TRUE(context_.engine.ignore_list.IsPresent("elsewhere.bin"));  // not in the tree: kept
}

TEST_F(IgnoreListTest, CancelWhileBuildingClosesAndKeepsWhatTheListHeld) {
  context_.engine.ignore_list.Add(P("b.txt"));
  controller_.Toggle(true);
  ASSERT_NE(controller_.Window(), nullptr);
  ASSERT_TRUE(controller_.Building());
  EXPECT_FALSE(shell_.check_button_enabled);
  EXPECT_TRUE(controller_.Window()->CancelButton()->isVisible());
  EXPECT_EQ(controller_.Window()->WaitText()->text(), "Creating list, please wait...");
  QTest::mouseClick(controller_.Window()->CancelButton(), Qt::LeftButton);
  EXPECT_TRUE(QTest::qWaitFor([&] { return controller_.Window() == nullptr; }));
  EXPECT_FALSE(controller_.Building());
  EXPECT_TRUE(shell_.check_button_enabled);
  EXPECT_EQ(Present(all_), QStringList{P("b.txt")});
  EXPECT_EQ(shell_.busy_calls, (QList<bool>{true, false}));
  ASSERT_FALSE(button_.isEmpty());
  EXPECT_EQ(button_.last().at(0).toBool(), false);
}

TEST_F(IgnoreListTest, OpensCentredAtFirstAndWhereItWasClosedAfterwards) {
  IgnoreListWindow* window = OpenBuilt();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->size(), QSize(450, 300));
  const QSize desktop = QGuiApplication::primaryScreen()->geometry().size();
  EXPECT_EQ(window->pos(), CentredPosition(desktop, QSize(450, 300)));
  window->resize(520, 360);
  window->move(40, 30);
  // The close box asks; the window closes once asked.
  window->close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return controller_.Window() == nullptr; }));
  EXPECT_EQ(button_.last().at(0).toBool(), false);

  window = OpenBuilt();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->size(), QSize(520, 360));
  EXPECT_EQ(window->pos(), QPoint(40, 30));
  // The layout follows the size.
  EXPECT_EQ(window->Tree()->geometry().width(), 500);
  controller_.Toggle(false);
  EXPECT_EQ(controller_.Window(), nullptr);
}

TEST_F(IgnoreListTest, ClearingTheListClosesAnOpenWindow) {
  ASSERT_NE(OpenBuilt(), nullptr);
  ClickItem(controller_.Window()->Tree(), Items()[P("a")], true);
  controller_.ClearIgnoreList();
  EXPECT_EQ(controller_.Window(), nullptr);
  EXPECT_EQ(context_.engine.ignore_list.PresentCount(), 0);
  EXPECT_EQ(shell_.status_texts.last(), "Ignore list cleared.");
  EXPECT_EQ(button_.last().at(0).toBool(), false);
}

TEST_F(IgnoreListTest, WithoutADownloadDirectoryNothingOpens) {
  context_.options.TorrentDir.clear();
  controller_.Toggle(true);
  EXPECT_EQ(controller_.Window(), nullptr);
  ASSERT_EQ(dialogs_.Count("message"), 1);
  EXPECT_EQ(dialogs_.asked.last().title, "Error");
  EXPECT_EQ(dialogs_.asked.last().text, "You need to set the torrent directory first");
  EXPECT_EQ(button_.last().at(0).toBool(), false);
  EXPECT_TRUE(shell_.busy_calls.isEmpty());
}

// A run after ticking leaves the ticked items alone and takes the rest.
TEST_F(IgnoreListTest, ACheckRunLeavesTickedItemsAlone) {
  WriteFile(Path("keep/old.bin"), "old");
  WriteFile(Path("stray.txt"), "stray");
  context_.engine.model.TorrentFiles = {test::EntryFor("b.txt", 4)};
  ASSERT_NE(OpenBuilt(), nullptr);
  auto items = Items();
  // y.bin is unticked again, but lies in an ignored folder, which the scan does not enter.
  for (const char* path : {"a", "keep", "a/sub/y.bin"}) ClickItem(controller_.Window()->Tree(), items[P(path)], true);
  controller_.Toggle(false);

  CheckInputs inputs = test::PlainInputs(root_.path(), dl_);
  inputs.options.CheckUnneededFiles = 1;
  inputs.options.DelUnneededFiles = 1;
  inputs.options.DelOnlyWhenComplete = 0;
  inputs.options.CreateBackups = 0;
  test::RecordingWindow window;
  RunCheck(context_.engine, inputs, window);
  const QStringList report = test::ReadReportLines(inputs.report_path);
  const qsizetype heading = report.indexOf("Unneeded files check:");
  ASSERT_GE(heading, 0) << report.join('\n').toStdString();
  EXPECT_EQ(report.mid(heading + 2),
            (QStringList{"Deleted unneeded file: \"" + Path("stray.txt") + "\"", "",
                         "Unneeded files: (1) - Unneeded directories: (0) - Successfully deleted files: (1/1) - "
                         "Successfully deleted directories: (0/0)"}));
  for (const char* kept : {"a/x.bin", "a/sub/y.bin", "keep/old.bin", "b.txt"}) EXPECT_GT(FileSize(Path(kept)), 0) << kept;
  EXPECT_EQ(FileSize(Path("stray.txt")), -1);
}

// The window stays usable while a run goes on; the run keeps the list it started with and the
// changes count for the next one.
TEST_F(IgnoreListTest, ChangesDuringARunCountForTheNextRun) {
  context_.engine.model.TorrentFiles = {test::EntryFor("b.txt", 4)};
  context_.engine.ignore_list.Add(P("a"));
  ASSERT_NE(OpenBuilt(), nullptr);
  auto items = Items();
  CheckInputs inputs = test::PlainInputs(root_.path(), dl_);
  inputs.options.CheckUnneededFiles = 1;
  test::RecordingWindow run_window;
  const auto unneeded = [&] {
    QStringList lines = test::ReadReportLines(inputs.report_path).filter("Unneeded file:");
    lines.sort();
    return lines;
  };
  const QString line = "Unneeded file: \"" + dl_ + QChar(kSeparator);

  CheckThread thread;
  thread.Start(context_.engine, inputs, run_window);
  ClickItem(controller_.Window()->Tree(), items[P("a")], true);  // unticks a and its contents
  ClickItem(controller_.Window()->Tree(), items[P("a/sub")], true);
  thread.Wait();
  EXPECT_EQ(unneeded(), QStringList());

  thread.Start(context_.engine, inputs, run_window);
  thread.Wait();
  EXPECT_EQ(unneeded(), QStringList{line + P("a/x.bin") + "\""});
}

TEST(IgnoreTreeBuilderTest, ListsDepthFirstWithoutEnteringLinksAndStopsWhenAsked) {
  QTemporaryDir root;
  const QString dl = Join(root.path(), "dl");
  WriteFile(Join(dl, "d/e/f.bin"), "1");
  WriteFile(Join(dl, "top.bin"), "2");
  QDir().mkpath(Join(dl, "empty"));
  QFile::link(dl, Join(dl, "d/loop"));                   // a link back up: listed, never entered
  QFile::link(Join(dl, "gone"), Join(dl, "dangling"));
  // A name that is not valid UTF-8.
  const QByteArray raw = QFile::encodeName(dl) + "/bad\xff\xfe.bin";
  { std::ofstream(raw.constData()) << "3"; }

  std::atomic<int> state{kTreeIdle};
  std::vector<IgnoreTreeEntry> all;
  int batches = 0;
  ASSERT_TRUE(ListIgnoreTree(dl, state, 2, [&](std::vector<IgnoreTreeEntry>&& b) {
    EXPECT_LE(b.size(), 2u);
    ++batches;
    all.insert(all.end(), b.begin(), b.end());
  }));
  EXPECT_EQ(batches, 4);
  const QString s(kSeparator);
  std::map<QString, std::pair<int, int>> seen;  // path -> kind, level
  for (size_t i = 0; i < all.size(); ++i) {
    const IgnoreTreeEntry& e = all[i];
    if (e.Name.startsWith("bad")) {
      EXPECT_EQ(e.Kind, kEntryFile);
      continue;
    }
    seen[e.Path] = {e.Kind, e.Level};
    // Depth first, a directory's own entry first: the nearest earlier entry of a smaller level is
    // the directory that holds this one.
    size_t p = i;
    while (p > 0 && all[p - 1].Level >= e.Level) --p;
    if (e.Level > 0) {
      EXPECT_EQ(all[p - 1].Path + s + e.Name, e.Path);
    }
  }
  const std::map<QString, std::pair<int, int>> expected = {
      {"d", {kEntryDirectory, 0}},
      {"d" + s + "e", {kEntryDirectory, 1}},
      {"d" + s + "e" + s + "f.bin", {kEntryFile, 2}},
      {"d" + s + "loop", {kEntryFile, 1}},
      {"top.bin", {kEntryFile, 0}},
      {"empty", {kEntryDirectory, 0}},
      {"dangling", {kEntryFile, 0}},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(all.size(), 8u);
  ::unlink(raw.constData());  // QTemporaryDir cannot name it

  // Asked to stop: nothing more after the batch during which it was asked.
  all.clear();
  EXPECT_FALSE(ListIgnoreTree(dl, state, 1, [&](std::vector<IgnoreTreeEntry>&& b) {
    all.insert(all.end(), b.begin(), b.end());
    state.store(kTreeCloseRequested);
  }));
  EXPECT_EQ(all.size(), 1u);
  // A directory that cannot be listed gives nothing.
  state.store(kTreeIdle);
  EXPECT_TRUE(ListIgnoreTree(Join(root.path(), "missing"), state, 8, [&](auto&&) { ADD_FAILURE(); }));
}

TEST(IgnoreWindowLayoutTest, PlacesTheTreeAboveTheButtonsAndCentresTheWaitText) {
  const IgnoreWindowSizes sizes{{80, 24}, {90, 24}, {200, 20}, {70, 26}};
  const IgnoreWindowLayout l = LayoutIgnoreWindow({450, 300}, sizes);
  EXPECT_EQ(l.tree, QRect(10, 10, 430, 246));
  EXPECT_EQ(l.select_all, QRect(10, 266, 80, 24));
  EXPECT_EQ(l.select_none, QRect(90, 266, 90, 24));
  EXPECT_EQ(l.wait_text, QRect(125, 20, 200, 20));
  EXPECT_EQ(l.cancel, QRect(190, 50, 70, 26));
  EXPECT_EQ(CentredPosition({1025, 769}, {450, 300}), QPoint(287, 234));
}

}  // namespace
}  // namespace zandrel
