// A TorrentZip run started from the Tools menu of the real main window.
#include <QFile>
#include <QPushButton>
#include <fstream>
#include <string>

#include "app/gui/torrentzip_tool.h"
#include "app/gui/torrentzip_window.h"
#include "tests/gui/main_window_fixture.h"
#include "tests/gui/torrentzip_standin.h"

namespace zandrel::test {
namespace {

class TorrentZipMenuTest : public MainWindowFixture {
 protected:
  // Starts a run over these zips (in work_/roms) and waits for the tool's first call.
  QStringList StartRun(const QStringList& names) {
    Opts().TorrentZipExe = kStandin;
    QStringList zips;
    for (const QString& name : names) {
      zips << Join(work_, "roms/" + name);
      WriteFile(zips.back(), "PK");
    }
    dialogs_.open_files = {zips};
    Trigger(M::kTorrentZipFiles);
    EXPECT_TRUE(QTest::qWaitFor([&] { return StandinCalls(Logs()).size() == 1; }, 30000));
    return zips;
  }
  QString Logs() { return app_->Context().data_folder.logs_path; }
};

// Closing the main window during a run stops the run after its current zip, and the program ends
// with the run.
TEST_F(TorrentZipMenuTest, ClosingTheMainWindowDuringARunEndsTheProgramAfterTheCurrentZip) {
  MainWindow& window = Start();
  QSignalSpy finished(&app_->TorrentZip(), &TorrentZipTool::runFinished);
  QSignalSpy exited(app_.get(), &Application::exited);
  const QStringList zips = StartRun({"1-wait.zip", "2.zip"});
  EXPECT_EQ(StatusText(), "TorrentZipping files...");
  EXPECT_FALSE(window.Control(MainControl::kCheckTorrent)->isEnabled());
  EXPECT_FALSE(window.MenuAction(M::kDeleteLogs)->isEnabled());

  window.close();
  EXPECT_TRUE(app_->TorrentZip().Window()->isVisible()) << "the run goes on with its current zip";
  EXPECT_EQ(exited.count(), 0);
  WriteFile(Join(Logs(), "continue"), "");
  ASSERT_TRUE(QTest::qWaitFor([&] { return exited.count() > 0; }, 30000));

  EXPECT_EQ(finished.count(), 1);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(StandinCalls(Logs()), QList<QStringList>({{zips[0]}}));
  EXPECT_EQ(ReadFile(Join(Logs(), "[roms]1-wait.log")), MergedLog("1-wait.zip"));
  EXPECT_FALSE(SettingsLines().isEmpty());
}

// A "tool" that cannot be run, chosen when the set one is not found: a box says so, the setting
// keeps what it held (also in the settings file), and no zip is asked for.
TEST_F(TorrentZipMenuTest, AToolThatCannotBeRunIsRefusedWhenChosen) {
  const QString plain = Join(work_, "plain file"), folder = Join(work_, "a folder");
  WriteFile(plain, "#!/bin/sh\n");
  ASSERT_TRUE(QFile::setPermissions(plain, QFile::ReadOwner | QFile::WriteOwner));
  QDir().mkpath(folder);
  const QString old_setting = "/nowhere/trrntzip";
  for (const QString& chosen : {plain, folder, Join(work_, "gone")}) {
    SCOPED_TRACE(chosen.toStdString());
    Start();
    Opts().TorrentZipExe = old_setting;
    dialogs_.asked.clear();
    dialogs_.yes_no = {true};
    dialogs_.open_files = {{chosen}, {Join(work_, "roms/a.zip")}};
    Trigger(M::kTorrentZipFiles);

    ASSERT_EQ(dialogs_.asked.size(), 3);
    EXPECT_EQ(dialogs_.asked[1].title, "Find TorrentZip executable");
    EXPECT_EQ(dialogs_.asked[2].kind, "message");
    EXPECT_EQ(dialogs_.asked[2].title, "Error");
    EXPECT_EQ(dialogs_.asked[2].text, "\"" + chosen +
                                          "\" cannot be run: it is not a program file that you may run.\r\n"
                                          "The TorrentZip executable was not changed.");
    EXPECT_EQ(Opts().TorrentZipExe, old_setting);
    EXPECT_EQ(dialogs_.Count("open"), 1) << "no zips are asked for";
    EXPECT_FALSE(app_->TorrentZip().Running());
    ASSERT_TRUE(CloseAndWaitForExit());
    EXPECT_TRUE(SettingsLines().contains("TorrentZipExe=" + old_setting));
    app_.reset();
  }
}

// A run whose tool cannot be started (here a file that may be run but is no program) leaves every
// zip as it was and says how many it skipped, instead of a plain "Finished.".
TEST_F(TorrentZipMenuTest, ARunWhoseToolCannotBeStartedSaysHowManyZipsItSkipped) {
  Start();
  const QString tool = Join(work_, "not a program");
  WriteFile(tool, "this is no program\n");
  ASSERT_TRUE(QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  Opts().TorrentZipExe = tool;
  QStringList zips;
  for (const char* name : {"1.zip", "2.zip", "3.zip"}) {
    zips << Join(work_, QString("roms/") + name);
    WriteFile(zips.back(), "PK");
  }
  dialogs_.open_files = {zips};
  QSignalSpy finished(&app_->TorrentZip(), &TorrentZipTool::runFinished);
  Trigger(M::kTorrentZipFiles);
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, 30000));

  EXPECT_EQ(StatusText(), "Finished. 3 zip file(s) were skipped: TorrentZip could not be run for them.");
  for (const QString& zip : zips) EXPECT_EQ(ReadFile(zip), "PK");
  EXPECT_EQ(Opts().TorrentZipExe, tool);
}

#ifdef __linux__
// Gone, or a zombie that nobody needs any more.
bool ProcessGone(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string line;
  if (!stat || !std::getline(stat, line)) return true;
  const size_t name_end = line.rfind(')');
  return name_end != std::string::npos && line.size() > name_end + 2 && line[name_end + 2] == 'Z';
}

// A tool that never returns: the first Cancel asks the run to stop and waits for the tool; the
// second (or a close request while stopping) ends the tool and everything it started.
TEST_F(TorrentZipMenuTest, ASecondStopRequestEndsAToolThatHangs) {
  const auto cancel = [](MainWindow&, TorrentZipWindow* w) { QTest::mouseClick(w->CancelButton(), Qt::LeftButton); };
  const auto close_box = [](MainWindow&, TorrentZipWindow* w) { w->close(); };
  const auto close_main = [](MainWindow& main, TorrentZipWindow*) { main.close(); };
  const struct {
    const char* what;
    std::function<void(MainWindow&, TorrentZipWindow*)> first, second;
    bool program_ends;
  } cases[] = {
      {"Cancel twice", cancel, cancel, false},
      {"close box twice", close_box, close_box, false},
      {"Cancel, then the main window's close box", cancel, close_main, true},
      {"the main window's close box twice", close_main, close_main, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MainWindow& window = Start();
    QSignalSpy finished(&app_->TorrentZip(), &TorrentZipTool::runFinished);
    QSignalSpy exited(app_.get(), &Application::exited);
    const QStringList zips = StartRun({"1-hang.zip", "2.zip"});
    // The tool creates the file before it writes to it: wait for both ids, not only for the file.
    QStringList pids;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          pids = QString::fromStdString(ReadFile(Join(Logs(), "hang.pids"))).split('\n', Qt::SkipEmptyParts);
          return pids.size() == 2;
        },
        30000));

    c.first(window, app_->TorrentZip().Window());
    QTest::qWait(50);  // (the tool is given a moment in which it does not end)
    EXPECT_TRUE(app_->TorrentZip().Running());
    EXPECT_FALSE(ProcessGone(pids[0].toStdString()));
    c.second(window, app_->TorrentZip().Window());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, 30000));

    for (const QString& pid : pids) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return ProcessGone(pid.toStdString()); }, 30000)) << pid.toStdString();
    }
    EXPECT_EQ(StandinCalls(Logs()), QList<QStringList>({{zips[0]}}));
    EXPECT_EQ(StatusText(), "TorrentZip did not stop and was ended.");
    EXPECT_EQ(app_->TorrentZip().Window(), nullptr);
    if (c.program_ends) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return exited.count() > 0; }, 30000));
    } else {
      EXPECT_TRUE(window.Control(MainControl::kCheckTorrent)->isEnabled());
      EXPECT_TRUE(CloseAndWaitForExit());
    }
    app_.reset();
    QDir(Join(root_.path(), "config")).removeRecursively();
  }
}
#endif

}  // namespace
}  // namespace zandrel::test
