// A torrent view: one window per torrent with the tree of its files, tick boxes, Select all /
// Select none and the text listing of the ticked items.
#pragma once

#include <QWidget>
#include <vector>

#include "app/gui/tick_tree_model.h"
#include "app/tree_window_layout.h"

class QPushButton;
class QTreeView;

namespace zandrel {

struct AppContext;

class TorrentViewWindow : public QWidget {
  Q_OBJECT

 public:
  TorrentViewWindow(AppContext& context, const QString& torrent_path, std::vector<TreeItem> items);

  const QString& TorrentPath() const { return torrent_path_; }
  TickTreeModel& Model() { return model_; }
  QTreeView* Tree() const { return tree_; }
  QPushButton* SaveButton() const { return save_; }
  // The width at which the three buttons stand side by side with the usual margins.
  int ButtonsWidth() const { return sizes_.select_all.width() + sizes_.select_none.width() + sizes_.save.width() + 30; }
  QPushButton* SelectAllButton() const { return select_all_; }
  QPushButton* SelectNoneButton() const { return select_none_; }

  // Asks where to save and writes the ticked items as the indented listing.
  void SaveTorrentListing();

 signals:
  void Closed(TorrentViewWindow* window);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void LayoutTorrentView();

  AppContext& context_;
  QString torrent_path_;
  TickTreeModel model_;
  QTreeView* tree_;
  QPushButton* save_;
  QPushButton* select_all_;
  QPushButton* select_none_;
  TorrentViewSizes sizes_;
};

}  // namespace zandrel
