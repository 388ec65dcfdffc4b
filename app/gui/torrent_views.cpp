#include "app/gui/torrent_views.h"

#include <algorithm>

#include "app/gui/tick_tree_view.h"
#include "app/gui/torrent_view_window.h"
#include "torrent/torrent_listing.h"
#include "torrent/torrent_reader.h"

namespace zandrel {
namespace {

// Two torrent paths name the same file when they are equal under the file system's rule for
// letter case: exact where names are case-sensitive.
#if defined(_WIN32) || defined(__APPLE__)
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

}  // namespace

TorrentViews::TorrentViews(AppContext& context, Shell& shell) : context_(context), shell_(shell) {}

TorrentViews::~TorrentViews() = default;

std::vector<TorrentViewWindow*> TorrentViews::Windows() const {
  std::vector<TorrentViewWindow*> open;
  for (const auto& window : windows_) open.push_back(window.get());
  return open;
}

void TorrentViews::ViewTorrent() {
  const QString path = context_.options.TorrentFile;
  if (path.isEmpty() || BringForward(path) || !TorrentRead()) return;
  shell_.SetStatusText(QString());
  auto window = std::make_unique<TorrentViewWindow>(
      context_, path, BuildTreeItems(SortedForView(context_.engine.model.TorrentFiles)));
  if (context_.options.KeepWindowOnTop == 1) KeepWindowOnTop(window.get(), true);
  PlaceWindow(window.get(), QPoint(-9999, -9999), QSize());
  connect(window.get(), &TorrentViewWindow::Closed, this, &TorrentViews::Drop);
  window->show();
  windows_.push_back(std::move(window));
}

bool TorrentViews::BringForward(const QString& torrent_path) {
  bool found = false;
  for (const auto& window : windows_) {
    if (window->TorrentPath().compare(torrent_path, kPathCase) != 0) continue;
    if (window->isMinimized()) window->showNormal();
    window->raise();
    window->activateWindow();
    found = true;
  }
  return found;
}

// Reads the torrent when its path changed. The changed flag stays set when the read fails, so
// that the next command reads it again instead of working on an empty file list.
bool TorrentViews::TorrentRead() {
  TorrentModel& model = context_.engine.model;
  if (!context_.torrent_changed) return !model.TorrentFiles.empty();
  model.TorrentFiles.clear();
  const int read = ReadTorrent(context_.options.TorrentFile, kLoadModel, model, context_.engine.ignore_list,
                               context_.messages, [this](const QString& text) { shell_.SetStatusText(text); });
  context_.torrent_changed = read != 1;
  return read == 1;
}

void TorrentViews::Drop(TorrentViewWindow* window) {
  auto it = std::find_if(windows_.begin(), windows_.end(), [window](const auto& w) { return w.get() == window; });
  if (it == windows_.end()) return;
  it->release()->deleteLater();
  windows_.erase(it);
}


}  // namespace zandrel
