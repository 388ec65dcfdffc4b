#include "app/gui/torrent_view_window.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QTreeView>

#include "app/gui/app_context.h"
#include "app/gui/dialogs.h"
#include "app/gui/tick_tree_view.h"
#include "app/torrent_listing_file.h"

namespace zandrel {
namespace {

// Beyond this many items the tree opens with its top level only: expanding everything would cost
// the window its quick start on the largest torrents.
constexpr int kExpandAllLimit = 20000;

}  // namespace

TorrentViewWindow::TorrentViewWindow(AppContext& context, const QString& torrent_path,
                                     std::vector<TreeItem> items)
    : QWidget(nullptr, Qt::Window), context_(context), torrent_path_(torrent_path) {
  const MessageTable& messages = context.messages;
  setWindowTitle(torrent_path);
  setAttribute(Qt::WA_QuitOnClose, false);
  model_.Reset(std::move(items));
  tree_ = NewTickTreeView(&model_, this);
  if (model_.ItemCount() <= kExpandAllLimit) tree_->expandAll();
  select_all_ = new QPushButton(messages.MessageText(u"Button_All"), this);
  select_none_ = new QPushButton(messages.MessageText(u"Button_None"), this);
  save_ = new QPushButton(messages.MessageText(u"Button_SaveTorrentList"), this);
  sizes_ = {ButtonNaturalSize(save_), ButtonNaturalSize(select_all_), ButtonNaturalSize(select_none_)};
  connect(select_all_, &QPushButton::clicked, this, [this] { model_.SetAllTicks(true); });
  connect(select_none_, &QPushButton::clicked, this, [this] { model_.SetAllTicks(false); });
  connect(save_, &QPushButton::clicked, this, &TorrentViewWindow::SaveTorrentListing);
  LayoutTorrentView();
}

void TorrentViewWindow::SaveTorrentListing() {
  const MessageTable& messages = context_.messages;
  const QString path = context_.dialogs.SaveFile(
      this, messages.MessageText(u"Req_SaveTorrentList"), DefaultListingName(torrent_path_),
      messages.MessageText(u"Req_SaveTorrentList2") + QStringLiteral(" (*.txt)"));
  if (path.isEmpty()) return;
  zandrel::SaveTorrentListing(path, model_.Items());
}

void TorrentViewWindow::resizeEvent(QResizeEvent*) {
  if (!isMinimized()) LayoutTorrentView();
}

void TorrentViewWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  emit Closed(this);
}

void TorrentViewWindow::LayoutTorrentView() {
  const TorrentViewLayout l = zandrel::LayoutTorrentView(size(), sizes_);
  tree_->setGeometry(l.tree);
  save_->setGeometry(l.save);
  select_all_->setGeometry(l.select_all);
  select_none_->setGeometry(l.select_none);
}

}  // namespace zandrel
