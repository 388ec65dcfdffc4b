#include "app/gui/torrent_views.h"

#include <algorithm>

#include "app/gui/tick_tree_view.h"
#include "app/gui/torrent_view_window.h"
#include "messages/failure_text.h"
#include "platform/file_system.h"
#include "torrent/torrent_reader.h"

namespace zandrel {
// What the worker hands back: the model it read (when the torrent had to be read) and the items.
struct TorrentViews::Load {
  QString torrent_path;
  bool read_file = false;
  int read = 1;
  TorrentModel model;
  std::vector<TreeItem> items;
};

TorrentViews::TorrentViews(AppContext& context, Shell& shell) : context_(context), shell_(shell) {}

TorrentViews::~TorrentViews() {
  if (loader_.joinable()) loader_.join();
}

std::vector<TorrentViewWindow*> TorrentViews::Windows() const {
  std::vector<TorrentViewWindow*> open;
  for (const auto& window : windows_) open.push_back(window.get());
  return open;
}

// The torrent is read when its path changed since the last read, otherwise the model in memory
// is shown. The changed flag stays set when the read fails, so that the next command reads it
// again instead of working on an empty or stale file list.
void TorrentViews::ViewTorrent() {
  const QString path = context_.options.TorrentFile;
  if (path.isEmpty() || loading_ || BringForward(path)) return;
  auto load = std::make_shared<Load>();
  load->torrent_path = path;
  load->read_file = context_.torrent_changed;
  std::vector<TorrentFileEntry> files;
  if (!load->read_file) {
    if (context_.engine.model.TorrentFiles.empty()) return;
    files = context_.engine.model.TorrentFiles;
  }
  loading_ = true;
  // A check started now would run on the model that the load replaces when it ends.
  shell_.HoldWindow(true);
  loader_ = std::thread([this, load, files = std::move(files)]() mutable {
    if (load->read_file) {
      const auto show = [this](const QString& text) {
        QMetaObject::invokeMethod(this, [this, text] { shell_.ShowStatusMessage(text); }, Qt::QueuedConnection);
      };
      show(context_.messages.MessageText(u"Status_ProcessTorrent"));
      Result<TorrentModel> read = ReadTorrent(load->torrent_path, context_.messages);
      load->read = read.Ok() ? 1 : 0;
      if (read) load->model = std::move(*read);
      else show(FailureText(read.Why(), context_.messages));
    }
    if (load->read == 1) load->items = BuildTreeItems(SortedForView(load->read_file ? load->model.TorrentFiles : files));
    QMetaObject::invokeMethod(this, [this, load] { Loaded(load); }, Qt::QueuedConnection);
  });
}

void TorrentViews::Loaded(const std::shared_ptr<Load>& load) {
  loader_.join();
  loading_ = false;
  shell_.HoldWindow(false);
  if (load->read != 1) return;
  // A path changed meanwhile keeps its own changed flag and the model stays for it.
  if (load->read_file && context_.options.TorrentFile == load->torrent_path) {
    context_.engine.model = std::move(load->model);
    context_.torrent_changed = false;
  }
  shell_.ShowStatusMessage(QString());
  Open(load->torrent_path, std::move(load->items));
}

void TorrentViews::Open(const QString& torrent_path, std::vector<TreeItem> items) {
  auto window = std::make_unique<TorrentViewWindow>(context_, torrent_path, std::move(items));
  if (context_.options.KeepWindowOnTop == 1) KeepWindowOnTop(window.get(), true);
  // Wider than usual when a large font or a long translation needs it for the buttons.
  PlaceWindow(window.get(), QPoint(-9999, -9999), QSize(std::max(kTreeWindowWidth, window->ButtonsWidth()), 0));
  connect(window.get(), &TorrentViewWindow::Closed, this, &TorrentViews::Drop);
  window->show();
  windows_.push_back(std::move(window));
}

bool TorrentViews::BringForward(const QString& torrent_path) {
  bool found = false;
  for (const auto& window : windows_) {
    if (window->TorrentPath().compare(torrent_path, kFileNameCase) != 0) continue;
    if (window->isMinimized()) window->showNormal();
    window->raise();
    window->activateWindow();
    found = true;
  }
  return found;
}

void TorrentViews::CloseAll() {
  for (auto& window : windows_) {
    window->disconnect(this);
    window->close();
    window.release()->deleteLater();
  }
  windows_.clear();
}

void TorrentViews::Drop(TorrentViewWindow* window) {
  auto it = std::find_if(windows_.begin(), windows_.end(), [window](const auto& w) { return w.get() == window; });
  if (it == windows_.end()) return;
  it->release()->deleteLater();
  windows_.erase(it);
}

}  // namespace zandrel
