// Times the unneeded-files stage of a check run over a real download directory (report only, so
// the tree stays as it is and runs can be repeated). bench/unneeded_scan.sh drives it.
//
// usage: unneeded_scan_bench TORRENT DIR [RUNS]
#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

#include "bench/bench_torrent.h"
#include "check/check_run.h"
#include "torrent/torrent_reader.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes when each stage starts.
class StageClock : public zandrel::NullWindow {
 public:
  void StageChanged(zandrel::RunStage stage) override {
    const auto now = Clock::now();
    if (stage == zandrel::RunStage::kUnneeded) unneeded_start = now;
    if (stage == zandrel::RunStage::kDone) done = now;
  }
  Clock::time_point unneeded_start, done;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s TORRENT DIR [RUNS]\n", argv[0]);
    return 2;
  }
  const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
  zandrel::MessageTable messages;
  messages.InitMessageTable();
  zandrel::EngineState engine(messages);
  if (!zandrel::LoadBenchTorrent(argv[1], engine)) return 2;
  QTemporaryDir out;
  zandrel::CheckInputs inputs;
  inputs.torrent_path = QString::fromLocal8Bit(argv[1]);
  inputs.download_dir = QString::fromLocal8Bit(argv[2]);
  inputs.options.TorrentDir = inputs.download_dir;
  inputs.options.BackupDir = inputs.download_dir;
  inputs.options.OpenReport = 0;
  inputs.options.CheckUnneededFiles = 1;
  inputs.report_path = out.filePath("report.log");
  inputs.version = "bench";

  double best = 1e9;
  zandrel::CheckResult result;
  for (int i = 0; i < runs; ++i) {
    StageClock window;
    result = zandrel::RunCheck(engine, inputs, window);
    best = std::min(best, std::chrono::duration<double>(window.done - window.unneeded_start).count());
  }
  std::printf("entries %zu\nunneeded_files %lld\nunneeded_dirs %lld\nunneeded_stage_seconds %.4f\n",
              engine.model.TorrentFiles.size(), static_cast<long long>(result.counters.UnneededFiles),
              static_cast<long long>(result.counters.UnneededDirs), best);
  return 0;
}
