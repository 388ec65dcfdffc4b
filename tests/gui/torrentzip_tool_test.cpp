// The TorrentZip commands as the user drives them, with the stand-in tool and a small stand-in
// for the main window.
#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/gui/torrentzip_tool.h"
#include "app/gui/torrentzip_window.h"
#include "app/settings.h"
#include "platform/file_system.h"
#include "tests/gui/scripted_dialogs.h"
#include "tests/gui/torrentzip_standin.h"

namespace zandrel::test {
namespace {

class FakeShell : public Shell {
 public:
  QWidget* Window() override { return &window; }
  // A held window is busy with its Check Torrent button disabled too.
  void HoldWindow(bool held) override {
    busy_states.push_back(held);
    check_button.push_back(!held);
  }
  void ShowStatusMessage(const QString& text) override { status_texts.push_back(text); }

  QWidget window;
  std::vector<bool> busy_states, check_button;
  QStringList status_texts;
};

class TorrentZipToolTest : public ::testing::Test {
 protected:
  TorrentZipToolTest() {
    table_.InitMessageTable();
    context_.options.TorrentZipExe = kStandin;
    context_.data_folder.logs_path = logs_;
  }
  QString Path(const QString& relative) const { return Join(tmp_.path(), relative); }
  QStringList Zips(const QString& folder, const QStringList& names) const { return WriteZips(Path(folder), names); }
  // Lets the stand-in go on once it has been called `calls` times (it waits on zips named "wait").
  void ReleaseAfterCall(int calls) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return StandinCalls(logs_).size() >= calls; }, 30000));
    WriteFile(Join(logs_, "continue"), "");
  }
  void WaitForEnd(QSignalSpy& finished) {
    // (qWaitFor rather than the spy's own wait: it keeps working after a test has ended the program.)
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, 30000));
    EXPECT_EQ(tool_.Window(), nullptr);
    EXPECT_FALSE(tool_.Running());
    EXPECT_EQ(shell_.busy_states.back(), false);
    EXPECT_EQ(shell_.check_button.back(), true);
    EXPECT_EQ(shell_.status_texts.back(), "Finished.");
  }

  QTemporaryDir tmp_;
  QString logs_ = Path("logs");
  MessageTable table_{Path("lang")};
  ScriptedDialogs dialogs_;
  AppContext context_{table_, dialogs_};
  FakeShell shell_;
  TorrentZipTool tool_{context_, shell_};
};

TEST_F(TorrentZipToolTest, DirectoryModeRunsEveryZipBelowTheFolderWithTheWindowOpen) {
  const QStringList zips = Zips("download", {"ARCHIVE.ZIP", "b.zip", "roms/wait.zip"});
  WriteFile(Path("download/c.txt"), "");
  dialogs_.directories = {{Path("download")}};
  QSignalSpy finished(&tool_, &TorrentZipTool::runFinished);

  tool_.TorrentZipDirectory();
  EXPECT_EQ(dialogs_.asked.value(0).title, "Select directory to TorrentZip");
  ASSERT_TRUE(QTest::qWaitFor([&] { return tool_.Window() != nullptr; }, 30000));
  const TorrentZipWindow* window = tool_.Window();
  EXPECT_EQ(window->windowTitle(), "TorrentZipping...");
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->CancelButton()->text(), "Cancel");
  EXPECT_GE(window->width(), 260);
  EXPECT_EQ(window->ProgressBar()->maximum(), 3);
  EXPECT_EQ(shell_.busy_states.back(), true);
  EXPECT_EQ(shell_.check_button.back(), false);
  EXPECT_EQ(shell_.status_texts.back(), "TorrentZipping files...");
  ReleaseAfterCall(1);
  WaitForEnd(finished);

  QStringList called;
  for (const QStringList& call : StandinCalls(logs_)) called += call;
  called.sort();
  QStringList expected = zips;
  expected.sort();
  EXPECT_EQ(called, expected);
  EXPECT_EQ(dialogs_.Count("message"), 0);
}

TEST_F(TorrentZipToolTest, NothingToDoEndsQuietly) {
  WriteFile(Path("no zips/c.txt"), "");
  const struct {
    const char* name;
    std::deque<QStringList> directories;
  } cases[] = {{"folder without zips", {{Path("no zips")}}}, {"requester cancelled", {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs_.directories = c.directories;
    shell_.busy_states.clear();
    tool_.TorrentZipDirectory();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tool_.Running(); }, 30000));
    EXPECT_EQ(shell_.busy_states, std::vector<bool>({true, false}));
    EXPECT_EQ(tool_.Window(), nullptr);
  }
  EXPECT_TRUE(shell_.status_texts.isEmpty());
  EXPECT_EQ(dialogs_.Count("message"), 0);
  EXPECT_FALSE(PathEntryExists(Join(logs_, "standin-calls.rec")));
}

// Cancel, or the window's close box, during the second of five zips: the second is finished and
// merged, the rest are not touched.
TEST_F(TorrentZipToolTest, StoppingDuringTheSecondOfFiveFinishesTheSecondOnly) {
  const struct {
    const char* name;
    std::function<void(TorrentZipWindow*)> stop;
  } cases[] = {
      {"Cancel button", [](TorrentZipWindow* w) { QTest::mouseClick(w->CancelButton(), Qt::LeftButton); }},
      {"close box", [](TorrentZipWindow* w) { w->close(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(logs_).removeRecursively();
    const QStringList zips = Zips(QStringLiteral("roms"), {"1.zip", "2-wait.zip", "3.zip", "4.zip", "5.zip"});
    dialogs_.open_files = {zips};
    QSignalSpy finished(&tool_, &TorrentZipTool::runFinished);

    tool_.TorrentZipFiles();
    ASSERT_TRUE(QTest::qWaitFor([&] { return StandinCalls(logs_).size() == 2; }, 30000));
    c.stop(tool_.Window());
    EXPECT_TRUE(tool_.Window()->isVisible()) << "the window stays until the current zip is done";
    WriteFile(Join(logs_, "continue"), "");
    WaitForEnd(finished);

    EXPECT_EQ(StandinCalls(logs_), QList<QStringList>({{zips[0]}, {zips[1]}}));
    EXPECT_EQ(ReadFile(Join(logs_, "[roms]1.log")), MergedLog("1.zip") + MergedLog("2-wait.zip"));
    EXPECT_EQ(Names(logs_), QStringList({"[roms]1.log", "continue", "standin-calls.rec"}));
  }
  EXPECT_EQ(dialogs_.asked.value(0).title, "Select files to TorrentZip");
  EXPECT_EQ(dialogs_.asked.value(0).text, "zip files (*.zip)");
}

TEST_F(TorrentZipToolTest, ANonEmptyErrorLogIsShownAndStopsTheRunAfterThatZip) {
  const QStringList zips = Zips("roms", {"a.zip", "bad.zip", "c.zip"});
  dialogs_.open_files = {zips};
  QSignalSpy finished(&tool_, &TorrentZipTool::runFinished);

  tool_.TorrentZipFiles();
  WaitForEnd(finished);

  EXPECT_EQ(StandinCalls(logs_), QList<QStringList>({{zips[0]}, {zips[1]}}));
  EXPECT_EQ(dialogs_.opened, QStringList({Join(logs_, "error.log")}));
  EXPECT_EQ(ReadFile(Join(logs_, "error.log")), "Error in bad.zip\n");
  // The failing zip's own log is not merged.
  EXPECT_EQ(ReadFile(Join(logs_, "[roms]a.log")), MergedLog("a.zip"));
  EXPECT_EQ(Names(logs_), QStringList({"[roms]a.log", "[roms]bad.log", "error.log", "standin-calls.rec"}));
}

TEST_F(TorrentZipToolTest, LocatingTheToolStoresItsPath) {
  const struct {
    const char* name;
    std::deque<bool> answer;
    std::deque<QStringList> chosen;
    QString stored;
    int requesters;
  } cases[] = {
      {"located", {true}, {{kStandin}, {}}, kStandin, 2},
      {"declined", {false}, {}, "/nowhere/trrntzip", 0},
      {"requester cancelled", {true}, {}, "/nowhere/trrntzip", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    context_.options.TorrentZipExe = "/nowhere/trrntzip";
    dialogs_.asked.clear();
    dialogs_.yes_no = c.answer;
    dialogs_.open_files = c.chosen;

    tool_.TorrentZipFiles();

    EXPECT_EQ(context_.options.TorrentZipExe, c.stored);
    EXPECT_EQ(dialogs_.Count("open"), c.requesters);
    EXPECT_EQ(dialogs_.asked.value(0).title, "Error");
    EXPECT_EQ(dialogs_.asked.value(0).text, "Could not find TorrentZip executable.\r\nDo you want to locate it now?");
    EXPECT_EQ(dialogs_.asked.value(0).icon, BoxIcon::kWarning);
    if (c.requesters > 0) {
      EXPECT_EQ(dialogs_.asked.value(1).title, "Find TorrentZip executable");
      EXPECT_EQ(dialogs_.asked.value(1).text, "TorrentZip executable (*)");
    }
  }
  // The settings file keeps what was located.
  context_.options.TorrentZipExe = kStandin;
  SaveSettings(Path("zandrel.ini"), context_.options, false, {}, "1.0");
  EXPECT_NE(ReadFile(Path("zandrel.ini")).find("TorrentZipExe=" + kStandin.toStdString() + "\r\n"),
            std::string::npos);
}

TEST_F(TorrentZipToolTest, DeleteAllLogFilesTakesOnlyLogFilesAndOnlyOnYes) {
  const QStringList before = {"ZandrelReport_x.log", "[roms]a.log", "error.log", "folder.log",
                              "keep.txt", "sub"};
  for (const char* name : {"ZandrelReport_x.log", "[roms]a.log", "error.log", "keep.txt"}) {
    WriteFile(Join(logs_, name), "x");
  }
  WriteFile(Join(logs_, "sub/inner.log"), "x");
  WriteFile(Join(logs_, "folder.log/inner.log"), "x");

  dialogs_.yes_no = {false, true};
  tool_.DeleteAllLogFiles();
  EXPECT_EQ(Names(logs_), before);
  tool_.DeleteAllLogFiles();
  EXPECT_EQ(Names(logs_), QStringList({"folder.log", "keep.txt", "sub"}));
  EXPECT_EQ(Names(Join(logs_, "sub")), QStringList({"inner.log"}));
  EXPECT_EQ(dialogs_.asked.value(0).title, "Message");
  EXPECT_EQ(dialogs_.asked.value(0).text, "Delete all log files?");
  EXPECT_EQ(dialogs_.asked.value(0).icon, BoxIcon::kQuestion);
  EXPECT_EQ(dialogs_.Count("message"), 0);

  tool_.OpenLogDirectory();
  EXPECT_EQ(dialogs_.opened, QStringList({logs_}));
}

}  // namespace
}  // namespace zandrel::test
