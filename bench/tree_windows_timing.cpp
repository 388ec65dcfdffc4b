// Opens the ignore-list window on a folder, or a torrent view on a torrent, as the program does,
// and prints how long until the tree is shown and how late a 10 ms GUI timer ran meanwhile.
//
//   tree_windows_timing ignore DIR
//   tree_windows_timing view TORRENT
//
// Output (one line): items, milliseconds until shown, worst timer lateness in milliseconds.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <cstdio>

#include "app/gui/app_context.h"
#include "app/gui/dialogs.h"
#include "app/gui/ignore_list_controller.h"
#include "app/gui/ignore_list_window.h"
#include "app/gui/torrent_view_window.h"
#include "app/gui/torrent_views.h"
#include "bench/gui_bench_main.h"
#include "bench/lateness_probe.h"
#include "tests/support/stand_in_shell.h"

namespace zandrel {
namespace {

using test::StandInShell;

// Runs the event loop until the widget has been painted once (or ten seconds have passed).
void WaitForPaint(QWidget* widget) {
  bool painted = false;
  struct Filter : QObject {
    bool* flag;
    explicit Filter(bool* f) : flag(f) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) *flag = true;
      return false;
    }
  } filter(&painted);
  widget->installEventFilter(&filter);
  widget->update();
  QElapsedTimer limit;
  limit.start();
  while (!painted && limit.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  widget->removeEventFilter(&filter);
}

int Run(const QString& mode, const QString& path) {
  MessageTable table;
  table.InitMessageTable();
  QtDialogs dialogs;
  AppContext context(table, dialogs);
  StandInShell shell;
  LatenessProbe probe;
  probe.Start();
  QCoreApplication::processEvents();
  QElapsedTimer clock;
  int items = 0;
  if (mode == "ignore") {
    context.options.TorrentDir = path;
    IgnoreListController controller(context, shell);
    clock.start();
    controller.Toggle(true);
    while (controller.Building()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    WaitForPaint(controller.Window()->Tree()->viewport());
    items = controller.Window()->Model().ItemCount();
  } else {
    context.options.TorrentFile = path;
    TorrentViews views(context, shell);
    clock.start();
    QTimer::singleShot(0, &views, &TorrentViews::ViewTorrent);  // as a button press arrives
    while (views.Windows().empty() && clock.elapsed() < 60000) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (views.Windows().empty()) return 1;
    WaitForPaint(views.Windows().front()->Tree()->viewport());
    items = views.Windows().front()->Model().ItemCount();
  }
  const double shown_ms = clock.nsecsElapsed() / 1e6;
  std::printf("%d %.1f %.1f\n", items, shown_ms, probe.Worst());
  return 0;
}

}  // namespace
}  // namespace zandrel

int main(int argc, char** argv) {
  return zandrel::GuiBenchMain(argc, argv, "tree_windows_timing ignore DIR | view TORRENT", zandrel::Run);
}
