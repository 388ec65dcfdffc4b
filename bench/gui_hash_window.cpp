// One hash check started by clicking Check Torrent in the main window (offscreen), timed from the
// click to the run's end, while a 10 ms timer on the GUI thread records how late it fires.
//
//   gui_hash_window TORRENT DIR
//
// Prints "seconds S", "progress_updates N", "timer_ticks N", "timer_late_median_ms M" and
// "timer_late_worst_ms W", and the same timer's figures for one second of the idle window before
// the run ("idle_late_median_ms", "idle_late_worst_ms"), the machine's own share of the lateness.
#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/gui/app_context.h"
#include "app/gui/dialogs.h"
#include "app/gui/main_window.h"
#include "bench/gui_bench_main.h"
#include "bench/lateness_probe.h"

namespace zandrel {
namespace {

// Nothing is asked during the run; any box would be a fault of the benchmark.
class NoDialogs : public Dialogs {
 public:
  bool AskYesNo(QWidget*, const QString&, const QString&, BoxIcon) override { return false; }
  void ShowMessage(QWidget*, const QString&, const QString&) override {}
  QStringList OpenFiles(QWidget*, const QString&, const QString&, const QString&, bool) override { return {}; }
  QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  QString Directory(QWidget*, const QString&, const QString&) override { return {}; }
  std::optional<QFont> ChooseFont(QWidget*, const QFont&) override { return std::nullopt; }
  void OpenWithAssociatedProgram(const QString&, std::function<void()>) override {}
};

int Run(const QString& torrent, const QString& dir) {
  QTemporaryDir data;
  MessageTable table(data.path() + QStringLiteral("/lang"));
  NoDialogs dialogs;
  AppContext context(table, dialogs);
  context.data_folder.logs_path = data.path() + QStringLiteral("/logs");
  Options& o = context.options;
  o.TorrentFile = torrent;
  o.TorrentDir = dir;
  o.HashCheck = 1;
  o.CheckUnneededFiles = 0;  // as `zandrel-cli check --hash-check --no-check-unneeded`
  o.OpenReport = 0;
  MainWindow window(context);
  window.RebuildMainWindow();

  // The idle window first: what the machine alone adds to a 10 ms timer.
  LatenessProbe idle_probe;
  idle_probe.Start();
  QElapsedTimer idle;
  idle.start();
  while (idle.elapsed() < 1000) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  idle_probe.Stop();

  int64_t progress_updates = 0;
  bool finished = false;
  QObject::connect(&window, &MainWindow::checkRunFinished, [&] { finished = true; });
  QElapsedTimer clock;
  clock.start();
  window.Button(MainControl::kCheckTorrent)->click();
  GuiWindowOperations* run_window = window.RunWindow();
  if (run_window == nullptr) {
    std::fprintf(stderr, "no run started (is the torrent readable?)\n");
    return 1;
  }
  QObject::connect(&window, &MainWindow::checkRunFinished,
                   [&] { progress_updates = run_window->ProgressRepaints(); });
  LatenessProbe probe;
  probe.Start();
  while (!finished) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const double seconds = clock.nsecsElapsed() / 1e9;
  probe.Stop();
  std::printf("settle_seconds %.3f\n", GuiWindowOperations::kSettleMs / 1e3);
  std::printf("seconds %.3f\nprogress_updates %lld\ntimer_ticks %zu\n", seconds,
              static_cast<long long>(progress_updates), probe.Ticks());
  std::printf("timer_late_median_ms %.2f\ntimer_late_worst_ms %.2f\n", probe.Median(), probe.Worst());
  std::printf("idle_late_median_ms %.2f\nidle_late_worst_ms %.2f\n", idle_probe.Median(), idle_probe.Worst());
  std::printf("status %s\n", qPrintable(window.Label(MainControl::kStatusLine)->text()));
  return 0;
}

}  // namespace
}  // namespace zandrel

int main(int argc, char** argv) {
  return zandrel::GuiBenchMain(argc, argv, "gui_hash_window TORRENT DIR", zandrel::Run);
}
