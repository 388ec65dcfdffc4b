#include "check/run_counters.h"

#include "check/run_context.h"

namespace zandrel {
namespace {

struct Counting {
  RunCounters& c;

  void operator()(const EntryChecked& e) const {
    switch (e.state) {
      case EntryState::kOk: c.CorrectFiles++; break;
      case EntryState::kMissing: c.MissingFilesFlag = true; c.MissingFiles++; break;
      case EntryState::kUnreadable: c.UnreadableSeen = true; c.UnreadableFiles++; break;
      case EntryState::kWrongSize: WrongSize(e); break;
      case EntryState::kNotChecked: break;
    }
  }
  void WrongSize(const EntryChecked& e) const {
    c.WrongSizedFiles++;
    c.WrongSizeSeen = true;
    if (e.longer) c.PaddedFiles++;
    switch (e.action) {
      case EntryAction::kSmaller: c.SmallerSeen = true; break;
      case EntryAction::kUnableToFix:
      case EntryAction::kNoSpace: c.TrimFailed = true; break;
      case EntryAction::kTrimmed: c.TrimDone = true; c.TrimmedFiles++; break;
      case EntryAction::kDeleted: c.TrimDone = true; c.DeletedWrongSized++; break;
      case EntryAction::kNone: break;
    }
  }
  void operator()(const FileCheckEnded& e) const { c.NothingFound = e.nothing_found; }
  void operator()(const PieceFailed& e) const {
    c.PieceFailed = true;
    if (e.read) c.ReadPieceFailed = true;
  }
  void operator()(const HashCheckEnded& e) const {
    c.PiecesVerified = true;
    if (c.PieceFailed) c.PercentComplete = PercentComplete(e.entries, e.bad_files);
  }
  void operator()(const FileRepaired& e) const {
    if (e.result == RepairResult::kDone) c.FixedFiles++;
  }
  void operator()(const EmptyFileCreated& e) const {
    if (e.done) c.FixedFiles++;
  }
  void operator()(const UnneededHandled& e) const {
    const bool failed = e.action == UnneededAction::kDeleteFailed || e.action == UnneededAction::kMoveFailed;
    if (failed) c.UnneededFailed = true;
    if (!e.directory) {
      c.UnneededFiles++;
      if (e.action == UnneededAction::kDeleted || e.action == UnneededAction::kMoved) c.DeletedFiles++;
      return;
    }
    // A folder the scan could not judge (another file system, unreadable) is not counted.
    if (e.action != UnneededAction::kKept || e.kept == KeptBecause::kContents) c.UnneededDirs++;
    if (e.action == UnneededAction::kDeleted) c.DeletedDirs++;
  }
  void operator()(const RunCancelled&) const { c.Cancelled = true; }
  template <typename Other>
  void operator()(const Other&) const {}
};

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

void RunCounters::Count(const RunEvent& event) { std::visit(Counting{*this}, event); }

bool RunCounters::DeletionPermitted(const RunContext& context) const {
  return context.options.DelUnneededFiles == 1 &&
         (context.options.DelOnlyWhenComplete == 0 || (!MissingFilesFlag && !PieceFailed));
}

}  // namespace zandrel
