#include "check/piece_verifier.h"

#include <QSet>

#include "check/hash_pool.h"
#include "check/piece_layout.h"
#include "check/v2_pieces.h"
#include "check/stages.h"
#include "torrent/input_limits.h"

namespace zandrel {
namespace {

// The verdict side of the stage: each failed piece told with the files it names, and the files
// in a failed piece counted for the result.
class PieceReport {
 public:
  PieceReport(StageRun& run, const FileCheckOutcome& found) : run_(run), found_(found), files_(run.Files()) {}

  // A failed piece (0-based) naming entries [first, last].
  void Failed(int64_t piece, int first, int last) {
    bool read = true;
    for (int j = first; j <= last; ++j) {
      const TorrentFileEntry& entry = files_[static_cast<size_t>(j)];
      // Neither a link nor an empty file holds a byte of any piece, so neither can be bad.
      if (entry.IsSymlink || entry.Length == 0) continue;
      if (!found_.unreadable[static_cast<size_t>(j)].isEmpty()) read = false;
      bad_files_.insert(entry.Dir + entry.Name);
    }
    run_.Emit(PieceFailed{.piece = piece, .first = first, .last = last, .read = read});
  }

  void WriteResult() {
    run_.Emit(HashCheckEnded{.entries = static_cast<int64_t>(files_.size()), .bad_files = bad_files_.size()});
  }

 private:
  StageRun& run_;
  const FileCheckOutcome& found_;
  const std::vector<TorrentFileEntry>& files_;
  QSet<QString> bad_files_;  // relative paths, compared exactly as stored
};

// Without a usable piece length nothing can be placed, so nothing is read: every piece fails, the
// first one naming every entry (any of them may hold its bytes) and the others naming none again.
StepResult VerifyWithoutPieceLength(StageRun& run, const FileCheckOutcome& found) {
  PieceReport report(run, found);
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


namespace {

// The verdict side of the v2 verification: each failed piece names its one file, the piece's
// place in it and its bytes; the result counts the files in no failed piece, as the v1 one does.
class V2Report {
 public:
  V2Report(StageRun& run, const FileCheckOutcome& found, const V2PieceTable& table)
      : run_(run), found_(found), table_(table), entries_(static_cast<int64_t>(run.Files().size())) {
    verdicts_.resize(run.Files().size());
    for (size_t i = 0; i < verdicts_.size(); ++i) {
      verdicts_[i].entry = static_cast<int>(i);
      verdicts_[i].pieces = table.PiecesOf(static_cast<int>(i));
    }
  }

  void Failed(int64_t piece) {
    const V2Piece v2 = table_.Piece(piece);
    if (v2.entry < 0) return;
    const int64_t first = v2.file_piece * run_.model.PieceLength;
    run_.Emit(PieceFailed{.piece = piece, .first = v2.entry, .last = v2.entry, .v2 = true, .file_piece = v2.file_piece,
                          .first_byte = first, .last_byte = first + v2.data_bytes - 1,
                          .read = found_.unreadable[static_cast<size_t>(v2.entry)].isEmpty()});
    V2FileRecord& verdict = verdicts_[static_cast<size_t>(v2.entry)];
    if (verdict.failed++ == 0) ++bad_files_;
    verdict.bytes_failed += v2.data_bytes;
  }

  // Counted in files, as the v1 verification counts it.
  void WriteResult() {
    run_.Emit(HashCheckEnded{.entries = entries_, .bad_files = bad_files_, .v2 = true, .files = std::move(verdicts_)});
  }

 private:
  StageRun& run_;
  const FileCheckOutcome& found_;
  const V2PieceTable& table_;
  const int64_t entries_;
  std::vector<V2FileRecord> verdicts_;
  int64_t bad_files_ = 0;
};

// Every piece in order, its verdict waited for and reported; the cancel flag is looked at after
// every read step: before every piece but a first one that the very first step completes, and
// while waiting for a verdict that is not yet known.
template <typename OnFailed>
StepResult WalkVerdicts(StageRun& run, const PieceLayout& layout, HashPool& pool, int64_t hashed, int64_t pieces,
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
      const PieceVerdict verdict = pool.Wait(piece, may_stop ? &run.context.cancel_flag : nullptr);
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

StepResult VerifyPiecesV2(StageRun& run, const FileCheckOutcome& found, const PieceCheckTuning& tuning) {
  const V2PieceTable table(run.model);
  const PieceLayout layout(table.Spaced(), run.model.PieceLength);
  PieceReader reader(layout, run.Files(), run.download_dir, tuning);
  reader.SkipVanished(run.disk);
  reader.ReadInstead(found.partial_files);
  reader.PackByFileBytes();
  HashPool pool(layout, reader, table, tuning);
  if (!pool.Start()) return StepResult::kFailed;
  V2Report report(run, found, table);
  const int64_t pieces = table.PieceCount();
  const StepResult walked = WalkVerdicts(run, layout, pool, pieces, pieces, [&](int64_t piece) { report.Failed(piece); });
  if (walked != StepResult::kDone) return walked;
  report.WriteResult();
  return StepResult::kDone;
}

}  // namespace

bool VerifiesByV2Trees(const RunContext& run) {
  return run.model.HasV2 && run.model.PieceLength > 0 && (!run.model.HasV1Pieces || run.inputs.verify_v2);
}

int64_t VerifiedPieceCount(const RunContext& run) {
  return VerifiesByV2Trees(run) ? V2PieceTable(run.model).PieceCount() : run.model.PiecesSize / 20;
}

StepResult VerifyPieces(StageRun& run, const FileCheckOutcome& found, const PieceCheckTuning& tuning) {
  const TorrentModel& model = run.model;
  if (VerifiesByV2Trees(run.context)) return VerifyPiecesV2(run, found, tuning);
  if (model.PieceLength <= 0) return VerifyWithoutPieceLength(run, found);
  const PieceLayout layout(model, model.PieceLength);
  const int64_t pieces = layout.PieceCount();
  const int64_t hashed = std::min(pieces, static_cast<int64_t>(model.PieceHashes.size()));
  PieceReader reader(layout, run.Files(), run.download_dir, tuning);
  reader.SkipVanished(run.disk);
  reader.ReadInstead(found.partial_files);
  HashPool pool(layout, reader, model.PieceHashes, hashed, tuning);
  // No memory for the buffers: the stage ends without a result line.
  if (!pool.Start()) return StepResult::kFailed;
  PieceReport report(run, found);
  const StepResult walked = WalkVerdicts(run, layout, pool, hashed, pieces, [&](int64_t piece) {
    const PieceLayout::Span span = layout.NamedEntries(piece);
    report.Failed(piece, span.first, span.last);
  });
  if (walked != StepResult::kDone) return walked;
  report.WriteResult();
  return StepResult::kDone;
}

HashCheckOutcome RunHashCheck(StageRun& run, const FileCheckOutcome& found) {
  run.window.StageChanged(RunStage::kHashCheck);
  run.Emit(HashCheckStarted{VerifiedPieceCount(run.context), run.model.PieceLength});
  return {VerifyPieces(run, found, PieceCheckTuning{})};
}

}  // namespace zandrel
