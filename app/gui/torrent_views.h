// The View Torrent command and the torrent view windows it keeps, one per torrent file. The
// windows do not belong to the main window, so a rebuild of it leaves them open. Reading, sorting
// and filling a large torrent's tree takes a while, so that happens on a worker thread with the
// main window busy, and the window opens when it is done.
#pragma once

#include <QObject>
#include <memory>
#include <thread>
#include <vector>

#include "app/gui/app_context.h"
#include "torrent/torrent_listing.h"

namespace zandrel {

class TorrentViewWindow;

class TorrentViews : public QObject {
  Q_OBJECT

 public:
  TorrentViews(AppContext& context, Shell& shell);
  ~TorrentViews() override;

  // The open windows, oldest first.
  std::vector<TorrentViewWindow*> Windows() const;
  // True from View Torrent until its window is open or the read has failed.
  bool Loading() const { return loading_; }
  // The program ends: every window closes.
  void CloseAll();

 public slots:
  void ViewTorrent();

 private:
  struct Load;
  bool BringForward(const QString& torrent_path);
  void Loaded(const std::shared_ptr<Load>& load);
  void Open(const QString& torrent_path, std::vector<TreeItem> items);
  void Drop(TorrentViewWindow* window);

  AppContext& context_;
  Shell& shell_;
  std::vector<std::unique_ptr<TorrentViewWindow>> windows_;
  bool loading_ = false;
  std::thread loader_;
};

}  // namespace zandrel
