// The program as a whole: owns the long-lived state, the main window and the feature windows'
// controllers, and runs start-up and exit in their fixed order.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "app/gui/app_context.h"
#include "messages/message_table.h"

namespace zandrel {

class IgnoreListController;
class MainWindow;
class TorrentZipTool;
class TorrentViews;

struct StartupPaths {
  QString working_dir;
  QString per_user_folder;
  QString program_dir;  // where the executable lies (its language files when none are local)
};

class Application : public QObject {
  Q_OBJECT

 public:
  Application(Dialogs& dialogs, const StartupPaths& paths);
  ~Application() override;

  // Data folder, message table, option defaults, settings file, then the main window (shown).
  void Start();
  // Start(), the event loop, and the exit code.
  int Exec();

  AppContext& Context() { return context_; }
  MainWindow& Window() { return *window_; }
  TorrentZipTool& TorrentZip() { return *torrent_zip_; }

 signals:
  // The settings file has been written and the program is ending.
  void exited();

 private:
  void ConnectFeatures();
  void Exit();

  StartupPaths paths_;
  MessageTable messages_;
  AppContext context_;
  std::unique_ptr<MainWindow> window_;
  // Feature controllers: after the main window, so that they go first at exit.
  std::unique_ptr<TorrentZipTool> torrent_zip_;
  std::unique_ptr<IgnoreListController> ignore_list_;
  std::unique_ptr<TorrentViews> torrent_views_;
  // The main window was closed during a TorrentZip run: the program ends with the run.
  bool exit_after_torrent_zip_ = false;
};

}  // namespace zandrel
