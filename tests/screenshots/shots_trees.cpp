// The ignore-list window and the torrent views: built, and with a folder ticked or unticked.
#include <QTreeView>

#include "app/gui/ignore_list_controller.h"
#include "app/gui/ignore_list_window.h"
#include "app/gui/torrent_view_window.h"
#include "app/gui/torrent_views.h"
#include "platform/file_system.h"
#include "tests/screenshots/shot_capture.h"
#include "tests/screenshots/shot_registry.h"
#include "tests/support/bencode.h"
#include "tests/support/stand_in_shell.h"
#include "tests/support/test_files.h"

namespace zandrel::shots {
namespace {

using test::StandInShell;

QString MakeDownload(const QString& work_dir) {
  const QString dl = test::Join(work_dir, "Concert");
  for (const char* file : {"CD1/01 Opening.flac", "CD1/02 Overture.flac", "CD2/01 Finale.flac",
                           "CD2/Artwork/cover.jpg", "Extras/interview.mkv", "Concert.nfo", "notes.txt"}) {
    test::WriteFile(test::Join(dl, file), "x");
  }
  return dl;
}

QImage IgnoreWindow(ShotSetup& setup, bool tick_folder) {
  setup.context.options.TorrentDir = MakeDownload(setup.work_dir);
  StandInShell shell;
  IgnoreListController controller(setup.context, shell);
  controller.Toggle(true);
  while (controller.Building()) Settle(20);
  IgnoreListWindow* window = controller.Window();
  window->Tree()->expandAll();
  if (tick_folder) {
    const auto& entries = controller.IgnoreTreeEntries();
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].Path == "CD2") window->Model().SetTick(static_cast<int>(i), true);
    }
  }
  return GrabWidget(*window);
}

QImage TorrentView(ShotSetup& setup, bool untick_folder) {
  const QString torrent = test::Join(setup.work_dir, "Concert.torrent");
  std::vector<test::TorrentFileItem> files;
  for (const auto& [path, length] : std::vector<std::pair<std::vector<std::string>, int64_t>>{
           {{"CD1", "01 Opening.flac"}, 31457280}, {{"CD1", "02 Overture.flac"}, 28311552},
           {{"CD2", "01 Finale.flac"}, 35651584}, {{"CD2", "Artwork", "cover.jpg"}, 524288},
           {{"Extras", "interview.mkv"}, 73400320}, {{"Concert.nfo"}, 2048}}) {
    test::TorrentFileItem item;
    item.path = path;
    item.length = length;
    files.push_back(item);
  }
  test::WriteFile(torrent, test::BuildMultiFileTorrent("Concert", files, 1 << 22, std::string(20 * 41, 'a')));
  setup.context.options.TorrentFile = torrent;
  StandInShell shell;
  TorrentViews views(setup.context, shell);
  views.ViewTorrent();
  while (views.Loading()) Settle(20);  // read and filled on a worker
  if (views.Windows().empty()) return QImage();
  TorrentViewWindow* window = views.Windows().front();
  if (untick_folder) {
    const auto& items = window->Model().Items();
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].text == "[CD2]") window->Model().SetTick(static_cast<int>(i), false);
    }
  }
  return GrabWidget(*window);
}

}  // namespace

ZANDREL_SHOT(ignore_window) { return IgnoreWindow(setup, false); }
ZANDREL_SHOT(ignore_window_folder_ticked) { return IgnoreWindow(setup, true); }
ZANDREL_SHOT(torrent_view) { return TorrentView(setup, false); }
ZANDREL_SHOT(torrent_view_folder_unticked) { return TorrentView(setup, true); }

}  // namespace zandrel::shots
