// Closing the main window ends the program's own event loop whatever other window is open.
#include <QTimer>
#include <QTreeView>

#include "app/gui/ignore_list_window.h"
#include "app/gui/torrent_view_window.h"
#include "app/gui/torrentzip_window.h"
#include "tests/gui/main_window_fixture.h"
#include "tests/gui/torrentzip_standin.h"
#include "tests/support/bencode.h"

namespace zandrel::test {
namespace {

// A program that does not end is a failure, not a hang of the test run.
constexpr int kGiveUpMs = 15000;

class ProgramExitTest : public MainWindowFixture {
 protected:
  // Runs the program as main() does (Exec); `scenario` runs once the main window is up. True when
  // the event loop ended by itself.
  bool ExecUntilEnd(const std::function<void(MainWindow&)>& scenario) {
    app_ = std::make_unique<Application>(dialogs_, StartupPaths{work_, ConfigDir() + "/", work_});
    bool gave_up = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
      gave_up = true;
      QCoreApplication::exit(1);
    });
    watchdog.start(kGiveUpMs);
    QTimer::singleShot(0, app_.get(), [&] { scenario(app_->Window()); });
    app_->Exec();
    return !gave_up;
  }
};

TEST_F(ProgramExitTest, ClosingTheMainWindowEndsTheProgramWhateverElseIsOpen) {
  const QString dl = Join(work_, "Show");
  WriteFile(Join(dl, "a/x.bin"), "data");
  const QString torrent = Join(work_, "show.torrent");
  WriteFile(torrent, BuildSingleFileTorrent("x.bin", 4, 16384, PiecesFor("data", 16384)));
  const QString zip = Join(work_, "roms/1-wait.zip");
  WriteFile(zip, "PK");

  const auto open_ignore_window = [this, dl](MainWindow&) {
    Type(C::kDownloadDir, dl);
    Click(C::kIgnoreButton);
    ASSERT_TRUE(QTest::qWaitFor([] { return OpenWindow<IgnoreListWindow>() != nullptr; }));
    ASSERT_TRUE(QTest::qWaitFor([] { return OpenWindow<IgnoreListWindow>()->Tree()->isVisible(); }));
  };
  const auto open_torrent_view = [this, torrent](MainWindow&) {
    Type(C::kTorrentPath, torrent);
    Click(C::kViewTorrent);
    ASSERT_TRUE(QTest::qWaitFor([] { return OpenWindow<TorrentViewWindow>() != nullptr; }));
  };
  // The run is still under way when the main window is closed; it stops after its zip.
  const auto run_torrent_zip = [this, zip](MainWindow&) {
    Opts().TorrentZipExe = kStandin;
    dialogs_.open_files = {{zip}};
    Trigger(M::kTorrentZipFiles);
    const QString logs = app_->Context().data_folder.logs_path;
    ASSERT_TRUE(QTest::qWaitFor([&] { return StandinCalls(logs).size() == 1; }, 30000));
    ASSERT_NE(OpenWindow<TorrentZipWindow>(), nullptr);
    QTimer::singleShot(0, [logs] { WriteFile(Join(logs, "continue"), ""); });
  };
  const auto close_box = [](MainWindow& window) { window.close(); };
  const auto file_exit = [](MainWindow& window) { window.MenuAction(M::kExit)->trigger(); };

  struct Case {
    const char* what;
    std::function<void(MainWindow&)> open, close;
  } cases[] = {
      {"ignore window, close box", open_ignore_window, close_box},
      {"ignore window, File > Exit", open_ignore_window, file_exit},
      {"torrent view", open_torrent_view, close_box},
      {"ignore window and torrent view", [&](MainWindow& w) { open_ignore_window(w); open_torrent_view(w); }, file_exit},
      {"TorrentZip window", run_torrent_zip, close_box},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool exited = false;
    EXPECT_TRUE(ExecUntilEnd([&](MainWindow& window) {
      QObject::connect(app_.get(), &Application::exited, [&] { exited = true; });
      c.open(window);
      c.close(window);
    }));
    EXPECT_TRUE(exited);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className() << " " << widget->windowTitle().toStdString();
    }
    EXPECT_FALSE(SettingsLines().isEmpty());
    app_.reset();
    QFile::remove(SettingsPath());
  }
}

}  // namespace
}  // namespace zandrel::test
