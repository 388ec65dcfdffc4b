#include "check/run_record.h"

#include <utility>

namespace zandrel {

struct RecordKeeping {
  RunRecord& r;

  void operator()(const RunStarted& e) const {
    r.entries_.assign(e.entries, EntryRecord());
    r.failed_pieces_.clear();
    r.unneeded_.clear();
    r.entry_problems_.store(0);
    r.piece_failures_.store(0);
  }
  void operator()(const EntryChecked& e) const {
    if (e.index >= r.entries_.size()) return;
    EntryRecord& entry = r.entries_[e.index];
    entry.state = e.state;
    entry.size_on_disk = e.size_on_disk;
    entry.action = e.action;
    entry.backup_folder = e.backup_folder;
    if (e.state == EntryState::kMissing || e.state == EntryState::kWrongSize || e.state == EntryState::kUnreadable) {
      r.entry_problems_.fetch_add(1, std::memory_order_relaxed);
    }
  }
  void operator()(const FileRepaired& e) const {
    if (e.index >= r.entries_.size()) return;
    EntryRecord& entry = r.entries_[e.index];
    entry.repair_tried = true;
    entry.repaired_from = e.source;
    entry.repair_copied = e.copied;
    entry.repair_done = e.result == RepairResult::kDone;
    entry.repair_verified = e.verified;
  }
  void operator()(const PieceFailed& e) const {
    r.failed_pieces_.push_back({e.piece, e.first, e.last});
    r.piece_failures_.fetch_add(1, std::memory_order_relaxed);
  }
  void operator()(const HashCheckEnded& e) const {
    if (!e.v2) return;
    r.verified_v2_ = true;
    r.v2_files_ = e.files;
  }
  void operator()(const UnneededHandled& e) const { r.unneeded_.push_back({e.path, e.directory, e.action, e.moved_to}); }
  template <typename Other>
  void operator()(const Other&) const {}
};

void RunRecord::Emit(const RunEvent& event) { std::visit(RecordKeeping{*this}, event); }

}  // namespace zandrel
