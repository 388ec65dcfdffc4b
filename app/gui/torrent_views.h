// The View Torrent command and the torrent view windows it keeps, one per torrent file. The
// windows do not belong to the main window, so a rebuild of it leaves them open.
#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "app/gui/app_context.h"

namespace zandrel {

class TorrentViewWindow;

class TorrentViews : public QObject {
  Q_OBJECT

 public:
  TorrentViews(AppContext& context, Shell& shell);
  ~TorrentViews() override;

  // The open windows, oldest first.
  std::vector<TorrentViewWindow*> Windows() const;

 public slots:
  void ViewTorrent();

 private:
  bool BringForward(const QString& torrent_path);
  bool TorrentRead();
  void Drop(TorrentViewWindow* window);

  AppContext& context_;
  Shell& shell_;
  std::vector<std::unique_ptr<TorrentViewWindow>> windows_;
};

}  // namespace zandrel
