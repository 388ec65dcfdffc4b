// What each stage of a run decided and did, kept as data for front ends that hand it on (the
// command line's --json). The report says the same for people; this adds nothing to it.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

namespace zandrel {

// kNotChecked: cancelled before; kUnreadable: something stands there that could not be read.
enum class EntryState : uint8_t { kNotChecked, kOk, kMissing, kWrongSize, kUnreadable };

// What the file check did about a wrong-sized file.
enum class EntryAction : uint8_t {
  kNone,
  kTrimmed,
  kDeleted,
  kSmaller,      // shorter than the torrent says: not trimmed
  kUnableToFix,  // a trim or delete that was asked for and did not happen
  kNoSpace,      // no room in the backup location for the old file
};

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

// A file's verdict by its v2 hash tree.
struct V2FileRecord {
  int entry = 0;
  int64_t pieces = 0;
  int64_t failed = 0;
  int64_t bytes_failed = 0;  // the file's bytes in its failed pieces
};

enum class UnneededAction : uint8_t { kReported, kKept, kDeleted, kMoved, kDeleteFailed, kMoveFailed };

struct UnneededRecord {
  QString path;  // full path, a directory's with its final separator
  bool directory = false;
  UnneededAction action = UnneededAction::kReported;
  QString moved_to;  // the backup folder it went to
};

class RunRecord {
 public:
  // Called by the run at its start; before that (and without a front end asking) nothing is kept.
  void Start(size_t entries);

  void Entry(size_t index, EntryState state, int64_t size_on_disk);
  void Action(size_t index, EntryAction action, const QString& backup_folder = QString());
  void Repair(size_t index, const QString& from, bool copied, bool done, bool verified);
  void PieceFailed(int64_t piece, int first, int last);
  void Unneeded(const QString& path, bool directory, UnneededAction action, const QString& moved_to = QString());
  // Called once the v2 verification has ended, with every file's verdict in torrent order.
  void V2Verdicts(std::vector<V2FileRecord> files);

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
  bool enabled_ = false;
  std::vector<EntryRecord> entries_;
  std::vector<FailedPieceRecord> failed_pieces_;
  std::vector<UnneededRecord> unneeded_;
  std::vector<V2FileRecord> v2_files_;
  bool verified_v2_ = false;
  std::atomic<int64_t> entry_problems_{0};
  std::atomic<int64_t> piece_failures_{0};
};

}  // namespace zandrel
