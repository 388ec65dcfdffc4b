// What each stage of a run decided and did, kept as data for front ends that hand it on (the
// command line's --json). The report says the same for people, from the same events.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

#include "check/run_events.h"

namespace zandrel {

struct EntryRecord {
  EntryState state = EntryState::kNotChecked;
  EntryAction action = EntryAction::kNone;
  bool repair_tried = false;
  bool repair_done = false;
  bool repair_copied = false;  // copied from the rebuild source rather than moved
  // The file's pieces (or its hash tree's root) vouched for it; false when its size alone chose it.
  bool repair_verified = false;
  int64_t size_on_disk = 0;    // -1 when missing
  QString backup_folder;       // where the old file went, when it went into the backup folder
  QString repaired_from;
};

struct FailedPieceRecord {
  int64_t index = 0;  // 0-based
  int first = 0, last = -1;  // the entries the piece touches
};

struct UnneededRecord {
  QString path;  // full path, a directory's with its final separator
  bool directory = false;
  UnneededAction action = UnneededAction::kReported;
  QString moved_to;  // the backup folder it went to
};

// Fed with the run's events, as every reader of the run is.
class RunRecord : public EventSink {
 public:
  void Emit(const RunEvent& event) override;

  const std::vector<EntryRecord>& entries() const { return entries_; }
  const std::vector<FailedPieceRecord>& failed_pieces() const { return failed_pieces_; }
  const std::vector<UnneededRecord>& unneeded() const { return unneeded_; }
  // Empty unless the pieces were verified by v2 hash trees.
  const std::vector<V2FileRecord>& v2_files() const { return v2_files_; }
  bool verified_v2() const { return verified_v2_; }
  // Missing and wrong-sized entries, and failed pieces, so far (a progress display asks).
  int64_t EntryProblems() const { return entry_problems_.load(std::memory_order_relaxed); }
  int64_t PieceFailures() const { return piece_failures_.load(std::memory_order_relaxed); }

 private:
  friend struct RecordKeeping;
  std::vector<EntryRecord> entries_;
  std::vector<FailedPieceRecord> failed_pieces_;
  std::vector<UnneededRecord> unneeded_;
  std::vector<V2FileRecord> v2_files_;
  bool verified_v2_ = false;
  std::atomic<int64_t> entry_problems_{0};
  std::atomic<int64_t> piece_failures_{0};
};

}  // namespace zandrel
