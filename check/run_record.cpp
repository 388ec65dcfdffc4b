#include "check/run_record.h"

#include <utility>

namespace zandrel {

void RunRecord::Start(size_t entries) {
  enabled_ = true;
  entries_.assign(entries, EntryRecord());
  failed_pieces_.clear();
  unneeded_.clear();
  entry_problems_.store(0);
  piece_failures_.store(0);
}

void RunRecord::Entry(size_t index, EntryState state, int64_t size_on_disk) {
  if (!enabled_ || index >= entries_.size()) return;
  entries_[index].state = state;
  entries_[index].size_on_disk = size_on_disk;
  if (state == EntryState::kMissing || state == EntryState::kWrongSize || state == EntryState::kUnreadable) entry_problems_.fetch_add(1, std::memory_order_relaxed);
}

void RunRecord::Action(size_t index, EntryAction action, const QString& backup_folder) {
  if (!enabled_ || index >= entries_.size()) return;
  entries_[index].action = action;
  entries_[index].backup_folder = backup_folder;
}

void RunRecord::Repair(size_t index, const QString& from, bool copied, bool done, bool verified) {
  if (!enabled_ || index >= entries_.size()) return;
  EntryRecord& entry = entries_[index];
  entry.repair_tried = true;
  entry.repaired_from = from;
  entry.repair_copied = copied;
  entry.repair_done = done;
  entry.repair_verified = verified;
}

void RunRecord::PieceFailed(int64_t piece, int first, int last) {
  if (!enabled_) return;
  failed_pieces_.push_back({piece, first, last});
  piece_failures_.fetch_add(1, std::memory_order_relaxed);
}

void RunRecord::Unneeded(const QString& path, bool directory, UnneededAction action, const QString& moved_to) {
  if (!enabled_) return;
  unneeded_.push_back({path, directory, action, moved_to});
}

void RunRecord::V2Verdicts(std::vector<V2FileRecord> files) {
  if (!enabled_) return;
  verified_v2_ = true;
  v2_files_ = std::move(files);
}

}  // namespace zandrel
