// Piece verification alone over a real torrent and download directory, with the work division
// given on the command line, so that hashing in place from mappings and reading into buffers can
// be compared on the same data.
//
//   hash_bench TORRENT DIR [--threads N] [--unit-mib N] [--map-threshold BYTES] [--read] [--repeat N]
//
// Prints one line per repetition: seconds, MB/s, user and system CPU seconds, and whether every
// piece passed.
#include <QDir>
#include <QString>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/bench_torrent.h"
#include "check/check_run.h"
#include "check/piece_verifier.h"
#include "torrent/torrent_reader.h"

namespace {

double CpuSeconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

struct Options {
  zandrel::PieceCheckTuning tuning;
  int repeat = 1;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 3; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--read") == 0) {
      options.tuning.map_threshold = INT64_MAX;
    } else if (std::strcmp(argv[i], "--threads") == 0 && has_value) {
      options.tuning.hashing_threads = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--unit-mib") == 0 && has_value) {
      options.tuning.unit_bytes = std::atoll(argv[++i]) << 20;
    } else if (std::strcmp(argv[i], "--map-threshold") == 0 && has_value) {
      options.tuning.map_threshold = std::atoll(argv[++i]);
    } else if (std::strcmp(argv[i], "--repeat") == 0 && has_value) {
      options.repeat = std::atoi(argv[++i]);
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (argc < 3 || !ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: hash_bench TORRENT DIR [--threads N] [--unit-mib N] [--map-threshold BYTES] "
                         "[--read] [--repeat N]\n");
    return 2;
  }
  zandrel::MessageTable messages;
  zandrel::EngineState engine(messages);
  if (!zandrel::LoadBenchTorrent(argv[1], engine)) return 2;
  int64_t bytes = 0;
  for (const zandrel::TorrentFileEntry& entry : engine.model.TorrentFiles) bytes += entry.Length;
  zandrel::CheckInputs inputs;
  inputs.download_dir = QString::fromLocal8Bit(argv[2]);
  const QString report = QDir::temp().filePath(QStringLiteral("hash_bench_%1.log").arg(::getpid()));
  zandrel::NullWindow window;
  for (int r = 0; r < options.repeat; ++r) {
    const zandrel::RunContext context(engine, inputs, QString());
    zandrel::ReportWriter writer;
    writer.Create(report);
    zandrel::RunReport lines(context, writer);
    zandrel::CounterSink counters;
    zandrel::EventFanOut events;
    events.Add(counters);
    events.Add(lines);
    zandrel::DiskActions disk;
    zandrel::StageRun run(context, disk, window, events);
    zandrel::FileCheckOutcome found;
    found.unreadable.resize(context.Files().size());
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    zandrel::VerifyPieces(run, found, options.tuning);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    getrusage(RUSAGE_SELF, &after);
    writer.Close();
    std::printf("seconds %.3f MB/s %.0f user %.2f sys %.2f passed %d\n", seconds, bytes / seconds / 1e6,
                CpuSeconds(after.ru_utime) - CpuSeconds(before.ru_utime),
                CpuSeconds(after.ru_stime) - CpuSeconds(before.ru_stime), counters.counters.PieceFailed ? 0 : 1);
  }
  QFile::remove(report);
  return 0;
}
