// A TorrentZip run started from the Tools menu of the real main window.
#include "app/gui/torrentzip_tool.h"
#include "app/gui/torrentzip_window.h"
#include "tests/gui/main_window_fixture.h"
#include "tests/gui/torrentzip_standin.h"

namespace zandrel::test {
namespace {

using M = MainMenuItem;

class TorrentZipMenuTest : public MainWindowFixture {};

// Closing the main window during a run stops the run after its current zip; the program keeps
// running and ends on the next close.
TEST_F(TorrentZipMenuTest, ClosingTheMainWindowDuringARunStopsOnlyTheRun) {
  MainWindow& window = Start();
  Opts().TorrentZipExe = kStandin;
  const QString logs = app_->Context().data_folder.logs_path;
  const QStringList zips = {Join(work_, "roms/1-wait.zip"), Join(work_, "roms/2.zip")};
  for (const QString& zip : zips) WriteFile(zip, "PK");
  dialogs_.open_files = {zips};
  QSignalSpy finished(&app_->TorrentZip(), &TorrentZipTool::runFinished);
  QSignalSpy exited(app_.get(), &Application::exited);

  Trigger(M::kTorrentZipFiles);
  ASSERT_TRUE(QTest::qWaitFor([&] { return StandinCalls(logs).size() == 1; }, 30000));
  EXPECT_EQ(StatusText(), "TorrentZipping files...");
  EXPECT_FALSE(window.Control(MainControl::kCheckTorrent)->isEnabled());
  EXPECT_FALSE(window.MenuAction(M::kDeleteLogs)->isEnabled());
  window.close();
  WriteFile(Join(logs, "continue"), "");
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, 30000));

  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(exited.count(), 0);
  EXPECT_EQ(StandinCalls(logs), QList<QStringList>({{zips[0]}}));
  EXPECT_EQ(ReadFile(Join(logs, "[roms]1-wait.log")), MergedLog("1-wait.zip"));
  EXPECT_EQ(StatusText(), "Finished.");
  EXPECT_TRUE(window.Control(MainControl::kCheckTorrent)->isEnabled());
  EXPECT_TRUE(window.MenuAction(M::kTorrentZipFiles)->isEnabled());
  EXPECT_TRUE(CloseAndWaitForExit());
}

}  // namespace
}  // namespace zandrel::test
