// ReadTorrent alone on the .torrent named by ZANDREL_BENCH_TORRENT (bench/torrent_read.sh makes
// it), in both modes.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "torrent/torrent_reader.h"

namespace {

void ReadOnce(benchmark::State& state, int mode) {
  const char* path = std::getenv("ZANDREL_BENCH_TORRENT");
  if (path == nullptr) {
    state.SkipWithError("set ZANDREL_BENCH_TORRENT to a .torrent file");
    return;
  }
  zandrel::MessageTable messages;
  messages.InitMessageTable();
  for (auto _ : state) {
    zandrel::TorrentModel model;
    zandrel::PathMap ignore_list;
    const int result = zandrel::ReadTorrent(QString::fromLocal8Bit(path), mode, model, ignore_list, messages, {});
    if (result != 1) state.SkipWithError("the torrent could not be read");
    benchmark::DoNotOptimize(model.TorrentFiles.data());
    state.counters["files"] = static_cast<double>(model.TorrentFiles.size());
  }
}

void BM_ReadTorrentModel(benchmark::State& state) { ReadOnce(state, zandrel::kLoadModel); }
void BM_ReadTorrentIgnoreList(benchmark::State& state) { ReadOnce(state, zandrel::kAddToIgnoreList); }

BENCHMARK(BM_ReadTorrentModel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadTorrentIgnoreList)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
