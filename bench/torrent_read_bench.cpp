// ReadTorrent alone on the .torrent named by ZANDREL_BENCH_TORRENT (bench/torrent_read.sh makes
// it), into the model and into an ignore list.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "torrent/torrent_reader.h"

namespace {

const char* BenchTorrent(benchmark::State& state) {
  const char* path = std::getenv("ZANDREL_BENCH_TORRENT");
  if (path == nullptr) state.SkipWithError("set ZANDREL_BENCH_TORRENT to a .torrent file");
  return path;
}

void BM_ReadTorrentModel(benchmark::State& state) {
  const char* path = BenchTorrent(state);
  if (path == nullptr) return;
  zandrel::MessageTable messages;
  messages.InitMessageTable();
  for (auto _ : state) {
    const zandrel::Result<zandrel::TorrentModel> read = zandrel::ReadTorrent(QString::fromLocal8Bit(path), messages);
    if (!read) {
      state.SkipWithError("the torrent could not be read");
      break;
    }
    benchmark::DoNotOptimize(read->TorrentFiles.data());
    state.counters["files"] = static_cast<double>(read->TorrentFiles.size());
  }
}

void BM_ReadTorrentIgnoreList(benchmark::State& state) {
  const char* path = BenchTorrent(state);
  if (path == nullptr) return;
  for (auto _ : state) {
    zandrel::PathMap ignore_list;
    if (!zandrel::AddTorrentPaths(QString::fromLocal8Bit(path), ignore_list)) {
      state.SkipWithError("the torrent could not be read");
      break;
    }
    benchmark::DoNotOptimize(ignore_list);
    state.counters["paths"] = static_cast<double>(ignore_list.PresentCount());
  }
}

BENCHMARK(BM_ReadTorrentModel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadTorrentIgnoreList)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
