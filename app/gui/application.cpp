#include "app/gui/application.h"

#include <QApplication>

#include "app/gui/about_window.h"
#include "app/gui/ignore_list_controller.h"
#include "app/gui/main_window.h"
#include "app/gui/torrentzip_tool.h"
#include "app/gui/torrent_views.h"
#include "messages/language_folder.h"
#include "app/settings.h"
#include "platform/version.h"

namespace zandrel {

Application::Application(Dialogs& dialogs, const StartupPaths& paths)
    : paths_(paths), messages_(LanguageFolder(paths.working_dir, paths.program_dir)), context_(messages_, dialogs) {}

Application::~Application() = default;

void Application::Start() {
  context_.data_folder = SettleDataFolder(paths_.working_dir, paths_.per_user_folder);
  messages_.InitMessageTable();
  context_.engine.cancel_flag.store(0);
  context_.options = Options();
  SettingsFlags flags;
  LoadSettings(context_.data_folder.settings_path, context_.options, flags);
  context_.torrent_changed = true;
  if (flags.language_requested) messages_.RequestLanguage(context_.options.Language);
  // A language loaded at start or from the menu gives the window the size of its own texts.
  messages_.SetWindowSizeResetHook([this] {
    Options& o = context_.options;
    // Nothing stored stays nothing stored, so that such a window still opens centred.
    if (o.WindowSizeX == 0 && o.WindowSizeY == 0 && o.WindowMaximized == 0) return;
    o.WindowSizeX = -1;
    o.WindowSizeY = -1;
  });
  window_ = std::make_unique<MainWindow>(context_);
  ConnectFeatures();
  connect(window_.get(), &MainWindow::exitConfirmed, this, &Application::Exit);
  window_->RebuildMainWindow();
}

// The feature windows plug in here, one block each.
void Application::ConnectFeatures() {
  connect(window_.get(), &MainWindow::aboutRequested, this, [this] { ShowAbout(window_.get(), context_); });

  // TorrentZip: the Tools menu's runner and log commands. A close request during a run only stops
  // the run; the program keeps running.
  torrent_zip_ = std::make_unique<TorrentZipTool>(context_, *window_);
  TorrentZipTool* tool = torrent_zip_.get();
  connect(window_.get(), &MainWindow::torrentZipFilesRequested, tool, &TorrentZipTool::TorrentZipFiles);
  connect(window_.get(), &MainWindow::torrentZipDirectoryRequested, tool, &TorrentZipTool::TorrentZipDirectory);
  connect(window_.get(), &MainWindow::deleteAllLogFilesRequested, tool, &TorrentZipTool::DeleteAllLogFiles);
  connect(window_.get(), &MainWindow::openLogDirectoryRequested, tool, &TorrentZipTool::OpenLogDirectory);
  // Closing the main window during a run stops the run (a second request ends the tool) and the
  // program ends with the run.
  window_->SetCloseGuard([this, tool] {
    if (!tool->StopRunOnCloseRequest()) return true;
    exit_after_torrent_zip_ = true;
    return false;
  });
  connect(tool, &TorrentZipTool::runFinished, this, [this] {
    if (exit_after_torrent_zip_) window_->close();
  });

  // The ignore list: the toggle button's window and the two File menu items.
  ignore_list_ = std::make_unique<IgnoreListController>(context_, *window_);
  connect(window_.get(), &MainWindow::ignoreListToggled, ignore_list_.get(), &IgnoreListController::Toggle);
  connect(window_.get(), &MainWindow::loadIgnoreTorrentsRequested, ignore_list_.get(),
          &IgnoreListController::LoadIgnoreTorrents);
  connect(window_.get(), &MainWindow::clearIgnoreListRequested, ignore_list_.get(),
          &IgnoreListController::ClearIgnoreList);
  connect(window_.get(), &MainWindow::keepOnTopChanged, ignore_list_.get(), &IgnoreListController::ApplyKeepOnTop);
  connect(ignore_list_.get(), &IgnoreListController::IgnoreButtonPressed, window_.get(),
          &MainWindow::SetIgnoreButtonPressed);

  // View Torrent: one window per torrent.
  torrent_views_ = std::make_unique<TorrentViews>(context_, *window_);
  connect(window_.get(), &MainWindow::viewTorrentRequested, torrent_views_.get(), &TorrentViews::ViewTorrent);
}

void Application::Exit() {
  const bool maximized = window_->isMaximized();
  const QString language = messages_.WorkingEntryCurrent() ? messages_.CurrentLanguageName() : QString();
  SaveSettings(context_.data_folder.settings_path, context_.options, maximized, language, VersionText());
  // The feature windows answer a close request by asking their controllers; at exit they go for
  // good, so that nothing is left on the screen of a program that has ended.
  ignore_list_->CloseForExit();
  torrent_views_->CloseAll();
  emit exited();
}

int Application::Exec() {
  // Only the program's own event loop ends with the program; a test drives Start() alone, and its
  // own waiting loops stay usable after the program has exited.
  // exit() rather than quit(): quit() first asks every window to close and gives up when one
  // declines, which would leave the program running without a window.
  connect(this, &Application::exited, qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  Start();
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::exec();
  return 0;
}

}  // namespace zandrel
