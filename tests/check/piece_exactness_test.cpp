// The parallel stage against a plain single-threaded walk over the files, on hundreds of random
// layouts: both must write the same report, report the same progress and stop at the same point.
#include <QDir>
#include <QFile>
#include <QSet>
#include <random>

#include "messages/text.h"
#include "tests/check/piece_fixture.h"

namespace zandrel {
namespace {

using test::StageOutcome;

// The stage as one loop: every entry is read in order, chunk by chunk, into one piece buffer.
// A piece with any byte that could not be read fails without a digest; padding is zeros in the
// stream; a failed piece names the entries from the one its predecessor ended in (the next one
// when that predecessor ended with the entry's last byte) through the one it ends in.
class SequentialVerifier {
 public:
  SequentialVerifier(const RunContext& run, ReportWriter& report, test::ProgressWindow& window)
      : run_(run), report_(report), window_(window) {}

  StageOutcome Run() {
    StageOutcome out;
    out.result = Walk() == -1 ? StepResult::kCancelled : StepResult::kDone;
    if (out.result == StepResult::kDone) WriteResult();
    out.piece_failed = counters_.PieceFailed;
    out.percent = counters_.PercentComplete;
    return out;
  }

 private:
  bool Cancelled() const { return run_.cancel_flag != 0; }

  int Walk() {
    const auto& files = run_.Files();
    const int count = static_cast<int>(files.size());
    if (FeedZeros(run_.model.PadBefore, -1, count == 0)) return -1;
    for (int i = 0; i < count; ++i) {
      const TorrentFileEntry& entry = files[static_cast<size_t>(i)];
      QFile file(run_.download_dir + entry.Dir + entry.Name);
      const bool opened = file.open(QIODevice::ReadOnly);
      int64_t consumed = 0;
      do {
        const int64_t chunk = std::min(length_ - fill_, entry.Length - consumed);
        const QByteArray got = opened ? file.read(chunk) : QByteArray();
        piece_.append(got.constData(), got.size());
        if (got.size() < chunk) {
          unread_ = true;
          piece_.append(static_cast<size_t>(chunk - got.size()), '?');
        }
        consumed += chunk;
        fill_ += chunk;
        if (fill_ >= length_) {
          Complete(i, consumed >= entry.Length);
        } else if (i == count - 1 && consumed >= entry.Length && fill_ > 0 && entry.PadAfter == 0) {
          Complete(i, true);
        }
        if (Cancelled()) return -1;
      } while (consumed < entry.Length);
      if (FeedZeros(entry.PadAfter, i, i == count - 1)) return -1;
      file.close();
      if (Cancelled()) return -1;
    }
    return 0;
  }

  // Padding after entry i (-1: before the first entry); true when cancelled.
  bool FeedZeros(int64_t amount, int i, bool last) {
    for (int64_t rest = amount; rest > 0;) {
      const int64_t chunk = std::min(length_ - fill_, rest);
      piece_.append(static_cast<size_t>(chunk), '\0');
      rest -= chunk;
      fill_ += chunk;
      if (fill_ >= length_ || (last && rest == 0)) Complete(i, true);
      if (Cancelled()) return true;
    }
    return false;
  }

  void Complete(int i, bool at_file_end) {
    fill_ = 0;
    ++done_;
    const auto& hashes = run_.model.PieceHashes;
    if (done_ <= static_cast<int64_t>(hashes.size())) {
      const auto& expected = hashes[static_cast<size_t>(done_ - 1)];
      const std::string digest = unread_ ? std::string() : test::Sha1(piece_);
      if (digest != std::string(expected.begin(), expected.end())) WriteFailure(i);
    }
    window_.SetProgressValue(static_cast<int64_t>(run_.Files().size()) + done_);
    first_ = at_file_end ? i + 1 : i;
    piece_.clear();
    unread_ = false;
  }

  void WriteFailure(int i) {
    report_.WriteLine(FillPlaceholders(run_.Text(u"Log_SHA1Failed"), {{u"%piece%", QString::number(done_)}}));
    counters_.PieceFailed = true;
    for (int j = first_; j <= i; ++j) {
      const TorrentFileEntry& entry = run_.Files()[static_cast<size_t>(j)];
      if (entry.Length == 0) continue;  // holds no byte of the piece
      report_.WriteLine('"' + run_.download_dir + entry.Dir + entry.Name + '"');
      bad_.insert(entry.Dir + entry.Name);
    }
    report_.WriteLine(QString());
  }

  void WriteResult() {
    if (!counters_.PieceFailed) {
      report_.WriteLine(run_.Text(u"Log_IntegrityCheckPassed"));
      return;
    }
    const int64_t n = static_cast<int64_t>(run_.Files().size());
    const int64_t b = bad_.size();
    const float quotient = n == 0 ? 0.0f : static_cast<float>(n - b) / static_cast<float>(n);
    const float lost = 100.0f - quotient * 100.0f;
    counters_.PercentComplete = 100.0f - lost;
    report_.WriteLine(QString("Potentially bad files: (%1/%2) - torrent is %3% complete.")
                             .arg(b)
                             .arg(n)
                             .arg(double(counters_.PercentComplete), 0, 'f', 1));
  }

  const RunContext& run_;
  ReportWriter& report_;
  test::ProgressWindow& window_;
  RunCounters counters_;
  const int64_t length_ = run_.model.PieceLength;
  int64_t fill_ = 0;
  int64_t done_ = 0;
  int first_ = 0;
  bool unread_ = false;
  std::string piece_;
  QSet<QString> bad_;
};

class PieceExactness : public test::PieceFixture {
 protected:
  StageOutcome Sequential(int64_t cancel_at, bool cancel_first) {
    engine_.cancel_flag = cancel_first ? 1 : 0;
    test::ProgressWindow window(engine_.cancel_flag);
    window.cancel_at = cancel_at;
    const RunContext run(engine_, inputs_, QString());
    ReportWriter report;
    report.Create(inputs_.report_path);
    SequentialVerifier verifier(run, report, window);
    StageOutcome out = verifier.Run();
    report.Close();
    out.lines = test::ReadReportLines(inputs_.report_path);
    out.progress = window.values;
    return out;
  }

  StageOutcome Parallel(const PieceCheckTuning& tuning, int64_t cancel_at, bool cancel_first) {
    engine_.cancel_flag = cancel_first ? 1 : 0;
    return Verify(tuning, cancel_at);
  }

  // One random torrent and download directory; returns a summary for failure messages.
  std::string MakeLayout(std::mt19937& gen, int index);
  void DamageFile(std::mt19937& gen, const QString& relative, const std::string& bytes);
};

int Pick(std::mt19937& gen, int low, int high) { return std::uniform_int_distribution<int>(low, high)(gen); }

int64_t FileLength(std::mt19937& gen, int64_t piece) {
  switch (Pick(gen, 0, 5)) {
    case 0: return 0;
    case 1: return piece * Pick(gen, 1, 3);                   // whole pieces
    case 2: return Pick(gen, 1, static_cast<int>(piece));     // within one piece
    case 3: return Pick(gen, 1, static_cast<int>(piece) * 5);
    default: return Pick(gen, 1, 600);                        // spans many small pieces
  }
}

void PieceExactness::DamageFile(std::mt19937& gen, const QString& relative, const std::string& bytes) {
  std::string on_disk = bytes;
  switch (Pick(gen, 0, 9)) {
    case 0: return;                                           // missing
    case 1: QDir().mkpath(Path(relative)); return;            // unreadable: a directory
    case 2: on_disk.resize(on_disk.size() * Pick(gen, 0, 9) / 10); break;  // short
    case 3: on_disk += test::RandomBytes(Pick(gen, 1, 200), gen()); break;  // long
    case 4:
    case 5:
      if (!on_disk.empty()) on_disk[gen() % on_disk.size()] ^= static_cast<char>(1 << Pick(gen, 0, 7));
      break;
    default: break;                                           // intact
  }
  test::WriteFile(Path(relative), on_disk);
}

std::string PieceExactness::MakeLayout(std::mt19937& gen, int index) {
  static const int64_t kLengths[] = {1, 2, 3, 7, 16, 64, 100, 256, 1000, 4096};
  const int64_t piece = kLengths[Pick(gen, 0, 9)];
  engine_.model.PadBefore = Pick(gen, 0, 9) == 0 ? Pick(gen, 1, static_cast<int>(piece) * 2) : 0;
  const int count = Pick(gen, 0, 12) == 0 ? Pick(gen, 0, 1) : Pick(gen, 2, 12);
  int64_t position = engine_.model.PadBefore;
  for (int i = 0; i < count; ++i) {
    const int64_t length = FileLength(gen, piece);
    position += length;
    int64_t pad = 0;
    if (Pick(gen, 0, 4) == 0) pad = (piece - position % piece) % piece;   // aligns the next entry
    if (Pick(gen, 0, 19) == 0) pad = Pick(gen, 1, static_cast<int>(piece) * 3);
    position += pad;
    const QString relative = QString("d%1/f%2.bin").arg(i % 3).arg(i);
    const std::string bytes = test::RandomBytes(static_cast<size_t>(length), gen());
    AddEntry(relative, bytes, pad);
    DamageFile(gen, relative, bytes);
  }
  SetPieceLength(piece);
  auto& hashes = engine_.model.PieceHashes;
  const int variant = Pick(gen, 0, 9);
  if (variant == 0 && !hashes.empty()) hashes.resize(hashes.size() - Pick(gen, 1, static_cast<int>(hashes.size())));
  if (variant == 1) hashes.push_back(Sha1Digest{});
  if (variant == 2 && !hashes.empty()) hashes[gen() % hashes.size()][0] ^= 1;
  engine_.model.PiecesSize = static_cast<int64_t>(hashes.size()) * 20;
  return "layout " + std::to_string(index) + ": piece length " + std::to_string(piece) + ", " +
         std::to_string(count) + " entries, " + std::to_string(hashes.size()) + " hashes";
}

TEST_F(PieceExactness, ParallelStageWritesWhatTheSequentialWalkWrites) {
  std::mt19937 gen(20240611);
  const PieceCheckTuning tunings[] = {
      {1, 1, 0, 0},                   // one thread, one piece per unit, everything mapped, no read-ahead
      {2, 16, int64_t{1} << 40},      // everything read
      {3, 300, 64, 100},              // small parts read, larger ones mapped, read-ahead ending inside files
      {0, int64_t{4} << 20, int64_t{512} << 10},  // the defaults
  };
  for (int index = 0; index < 300; ++index) {
    QDir(dl_).removeRecursively();
    engine_.model = TorrentModel();
    stream_.clear();
    const std::string layout = MakeLayout(gen, index);
    const int64_t pieces = engine_.model.PieceLength > 0
                               ? (static_cast<int64_t>(stream_.size()) + engine_.model.PadBefore +
                                  engine_.model.PieceLength - 1) / engine_.model.PieceLength
                               : 0;
    const int64_t entries = static_cast<int64_t>(engine_.model.TorrentFiles.size());
    // A third of the runs are cancelled: before the stage starts or when a piece is reported.
    const int cancel_kind = Pick(gen, 0, 5);
    const bool cancel_first = cancel_kind == 0;
    const int64_t cancel_at = cancel_kind == 1 && pieces > 0 ? entries + Pick(gen, 1, static_cast<int>(pieces)) : -1;
    const StageOutcome expected = Sequential(cancel_at, cancel_first);
    for (const PieceCheckTuning& tuning : tunings) {
      const StageOutcome actual = Parallel(tuning, cancel_at, cancel_first);
      SCOPED_TRACE(layout + ", threads " + std::to_string(tuning.hashing_threads) + ", unit " +
                   std::to_string(tuning.unit_bytes) + ", map from " + std::to_string(tuning.map_threshold));
      ASSERT_EQ(test::Text(actual.lines), test::Text(expected.lines));
      ASSERT_EQ(actual.result, expected.result);
      ASSERT_EQ(actual.progress, expected.progress);
      ASSERT_EQ(actual.piece_failed, expected.piece_failed);
      ASSERT_EQ(actual.percent, expected.percent);
    }
  }
}

}  // namespace
}  // namespace zandrel
