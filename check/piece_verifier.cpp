#include "check/piece_verifier.h"

#include <QSet>

#include "check/hash_pool.h"
#include "check/piece_layout.h"
#include "check/v2_pieces.h"
#include "check/stages.h"
#include "messages/text.h"
#include "torrent/input_limits.h"

namespace zandrel {
namespace {

// The report side of the stage: failed pieces with the files they name, and the result line.
class PieceReport {
 public:
  explicit PieceReport(CheckRun& run) : run_(run), files_(run.Files()) {}

  // Writes a failed piece (1-based number) naming entries [first, last].
  void Failed(int64_t piece, int first, int last) {
    run_.WriteReportLine(FillPlaceholders(run_.Text(u"Log_SHA1Failed"), {{u"%piece%", QString::number(piece + 1)}}));
    run_.counters.PieceFailed = true;
    run_.record.PieceFailed(piece, first, last);
    bool read = true;
    for (int j = first; j <= last; ++j) {
      const TorrentFileEntry& entry = files_[static_cast<size_t>(j)];
      // Neither a link nor an empty file holds a byte of any piece, so neither can be bad.
      if (entry.IsSymlink || entry.Length == 0) continue;
      const QString path = run_.download_dir + entry.Dir + entry.Name;
      run_.WriteReportLine(Quoted(path));
      // A piece that fails only because a file could not be read says so.
      const QString& why = run_.unreadable[static_cast<size_t>(j)];
      if (!why.isEmpty()) {
        read = false;
        run_.WriteReportLine(
            FillPlaceholders(run_.Text(u"Log_FileUnreadable"), {{u"%file%", Quoted(path)}, {u"%reason%", why}}));
      }
      bad_files_.insert(entry.Dir + entry.Name);
    }
    if (read) run_.counters.ReadPieceFailed = true;
    run_.WriteReportLine(QString());
  }

  void WriteResult() {
    if (!run_.counters.PieceFailed) {
      run_.WriteReportLine(run_.Text(u"Log_IntegrityCheckPassed"));
      return;
    }
    const int64_t entries = static_cast<int64_t>(files_.size());
    const int64_t bad = bad_files_.size();
    run_.counters.PercentComplete = PercentComplete(entries, bad);
    const QString percent = QString::number(double(run_.counters.PercentComplete), 'f', 1) + u'%';
    run_.WriteReportLine(FillPlaceholders(run_.Text(u"Log_PotentiallyBad"),
                                          {{u"%badfiles%", CountOfTotal(bad, entries)},
                                           {u"%percent%", percent}}));
  }

 private:
  CheckRun& run_;
  const std::vector<TorrentFileEntry>& files_;
  QSet<QString> bad_files_;  // relative paths, compared exactly as stored
};

// Without a usable piece length nothing can be placed, so nothing is read: every piece fails, the
// first one naming every entry (any of them may hold its bytes) and the others naming none again.
StepResult VerifyWithoutPieceLength(CheckRun& run) {
  PieceReport report(run);
  const int entries = static_cast<int>(run.Files().size());
  const int64_t pieces = static_cast<int64_t>(run.model.PieceHashes.size());
  for (int64_t piece = 0; piece < pieces; ++piece) {
    report.Failed(piece, piece == 0 ? 0 : 1, piece == 0 ? entries - 1 : 0);
    run.window.SetProgressValue(entries + piece + 1);
    if (run.CancelRequested()) return StepResult::kCancelled;
  }
  report.WriteResult();
  return StepResult::kDone;
}

}  // namespace

float PercentComplete(int64_t entries, int64_t bad) {
  if (entries <= 0) return 0.0f;
  // The double quotient of two integers rounds to the same float as the exact quotient would
  // (53 >= 2 * 24 + 2), so this is the single-precision quotient.
  const float quotient = static_cast<float>(static_cast<double>(entries - bad) / static_cast<double>(entries));
  // volatile keeps the product its own rounding step even where multiply-add could be fused.
  volatile float product = quotient * 100.0f;
  const float lost = 100.0f - product;
  return 100.0f - lost;
}

namespace {

// The report side of the v2 verification: each failed piece names its one file, the piece's
// place in it and its bytes; the result counts the files in no failed piece, as the v1 one does.
class V2Report {
 public:
  V2Report(CheckRun& run, const V2PieceTable& table) : run_(run), table_(table), files_(run.Files()) {
    verdicts_.resize(files_.size());
    for (size_t i = 0; i < files_.size(); ++i) {
      verdicts_[i].entry = static_cast<int>(i);
      verdicts_[i].pieces = table.PiecesOf(static_cast<int>(i));
    }
  }

  void Failed(int64_t piece) {
    const V2Piece v2 = table_.Piece(piece);
    if (v2.entry < 0) return;
    const TorrentFileEntry& entry = files_[static_cast<size_t>(v2.entry)];
    const int64_t first = v2.file_piece * run_.model.PieceLength;
    run_.WriteReportLine(FillPlaceholders(run_.Text(u"Log_SHA256Failed"),
                                          {{u"%piece%", QString::number(piece + 1)},
                                           {u"%filepiece%", QString::number(v2.file_piece + 1)},
                                           {u"%first%", QString::number(first)},
                                           {u"%last%", QString::number(first + v2.data_bytes - 1)}}));
    run_.counters.PieceFailed = true;
    run_.record.PieceFailed(piece, v2.entry, v2.entry);
    const QString path = run_.download_dir + entry.Dir + entry.Name;
    run_.WriteReportLine(Quoted(path));
    const QString& why = run_.unreadable[static_cast<size_t>(v2.entry)];
    if (!why.isEmpty()) {
      run_.WriteReportLine(
          FillPlaceholders(run_.Text(u"Log_FileUnreadable"), {{u"%file%", Quoted(path)}, {u"%reason%", why}}));
    } else {
      run_.counters.ReadPieceFailed = true;
    }
    run_.WriteReportLine(QString());
    V2FileRecord& verdict = verdicts_[static_cast<size_t>(v2.entry)];
    if (verdict.failed++ == 0) ++bad_files_;
    verdict.bytes_failed += v2.data_bytes;
  }

  void WriteResult() {
    run_.record.V2Verdicts(std::move(verdicts_));
    if (!run_.counters.PieceFailed) {
      run_.WriteReportLine(run_.Text(u"Log_IntegrityCheckPassed"));
      return;
    }
    // Counted in files, as the v1 verification counts it.
    run_.counters.PercentComplete = PercentComplete(static_cast<int64_t>(files_.size()), bad_files_);
    const QString percent = QString::number(double(run_.counters.PercentComplete), 'f', 1) + u'%';
    run_.WriteReportLine(FillPlaceholders(run_.Text(u"Log_PotentiallyBad"),
                                          {{u"%badfiles%", CountOfTotal(bad_files_, static_cast<int64_t>(files_.size()))},
                                           {u"%percent%", percent}}));
  }

 private:
  CheckRun& run_;
  const V2PieceTable& table_;
  const std::vector<TorrentFileEntry>& files_;
  std::vector<V2FileRecord> verdicts_;
  int64_t bad_files_ = 0;
};

// Every piece in order, its verdict waited for and reported; the cancel flag is looked at after
// every read step: before every piece but a first one that the very first step completes, and
// while waiting for a verdict that is not yet known.
template <typename OnFailed>
StepResult WalkVerdicts(CheckRun& run, const PieceLayout& layout, HashPool& pool, int64_t hashed, int64_t pieces,
                        OnFailed&& on_failed) {
  const int64_t entries = layout.EntryCount();
  const bool first_exempt = layout.FirstPieceEndsInFirstStep();
  // Pieces without a hash get no verdict, only a progress step. A torrent can claim files of 2^63
  // bytes, so past a bound the remaining ones are passed in a single step.
  const int64_t stepped = std::min(pieces, hashed + kMaxUnhashedSteps);
  for (int64_t piece = 0; piece < stepped; ++piece) {
    const bool may_stop = piece > 0 || !first_exempt;
    if (may_stop && run.CancelRequested()) return StepResult::kCancelled;
    if (piece < hashed) {
      const PieceVerdict verdict = pool.Wait(piece, may_stop ? &run.engine.cancel_flag : nullptr);
      if (verdict == PieceVerdict::kCancelled) return StepResult::kCancelled;
      if (verdict == PieceVerdict::kFailed) on_failed(piece);
    }
    run.window.SetProgressValue(entries + piece + 1);
    if (run.CancelRequested()) return StepResult::kCancelled;
  }
  if (stepped < pieces) {
    if (run.CancelRequested()) return StepResult::kCancelled;
    run.window.SetProgressValue(entries + pieces);
  }
  // The steps after the last piece (the remaining files) look at the flag too.
  if ((entries > 0 || layout.TotalBytes() > 0) && run.CancelRequested()) return StepResult::kCancelled;
  return StepResult::kDone;
}

StepResult VerifyPiecesV2(CheckRun& run, const PieceCheckTuning& tuning) {
  const V2PieceTable table(run.model);
  const PieceLayout layout(table.Spaced(), run.model.PieceLength);
  PieceReader reader(layout, run.Files(), run.download_dir, tuning);
  reader.SkipVanished(run.disk);
  reader.ReadInstead(run.partial_files);
  reader.PackByFileBytes();
  HashPool pool(layout, reader, table, tuning);
  if (!pool.Start()) return StepResult::kFailed;
  V2Report report(run, table);
  const int64_t pieces = table.PieceCount();
  const StepResult walked = WalkVerdicts(run, layout, pool, pieces, pieces, [&](int64_t piece) { report.Failed(piece); });
  if (walked != StepResult::kDone) return walked;
  report.WriteResult();
  return StepResult::kDone;
}

}  // namespace

bool VerifiesByV2Trees(const CheckRun& run) {
  return run.model.HasV2 && run.model.PieceLength > 0 && (!run.model.HasV1Pieces || run.inputs.verify_v2);
}

int64_t VerifiedPieceCount(const CheckRun& run) {
  return VerifiesByV2Trees(run) ? V2PieceTable(run.model).PieceCount() : run.model.PiecesSize / 20;
}

StepResult VerifyPieces(CheckRun& run, const PieceCheckTuning& tuning) {
  const TorrentModel& model = run.model;
  if (VerifiesByV2Trees(run)) return VerifyPiecesV2(run, tuning);
  if (model.PieceLength <= 0) return VerifyWithoutPieceLength(run);
  const PieceLayout layout(model, model.PieceLength);
  const int64_t pieces = layout.PieceCount();
  const int64_t hashed = std::min(pieces, static_cast<int64_t>(model.PieceHashes.size()));
  PieceReader reader(layout, run.Files(), run.download_dir, tuning);
  reader.SkipVanished(run.disk);
  reader.ReadInstead(run.partial_files);
  HashPool pool(layout, reader, model.PieceHashes, hashed, tuning);
  // No memory for the buffers: the stage ends without a result line.
  if (!pool.Start()) return StepResult::kFailed;
  PieceReport report(run);
  const StepResult walked = WalkVerdicts(run, layout, pool, hashed, pieces, [&](int64_t piece) {
    const PieceLayout::Span span = layout.NamedEntries(piece);
    report.Failed(piece, span.first, span.last);
  });
  if (walked != StepResult::kDone) return walked;
  report.WriteResult();
  return StepResult::kDone;
}

StepResult VerifyPieces(CheckRun& run) { return VerifyPieces(run, PieceCheckTuning{}); }

}  // namespace zandrel
