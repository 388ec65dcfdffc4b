// Every decision of a check run as a typed value. The stages decide and emit; the report, the
// counters and the record a front end hands on (the command line's --json) each read the one
// stream, so none of them can tell a story the others do not.
#pragma once

#include <QString>
#include <cstdint>
#include <variant>
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

enum class UnneededAction : uint8_t { kReported, kKept, kDeleted, kMoved, kDeleteFailed, kMoveFailed };

// A file's verdict by its v2 hash tree.
struct V2FileRecord {
  int entry = 0;
  int64_t pieces = 0;
  int64_t failed = 0;
  int64_t bytes_failed = 0;  // the file's bytes in its failed pieces
};

// The run has begun its report; `entries` is the torrent's entry count.
struct RunStarted {
  size_t entries = 0;
};

// One entry of the torrent, judged by the file check.
struct EntryChecked {
  size_t index = 0;
  EntryState state = EntryState::kNotChecked;
  EntryAction action = EntryAction::kNone;
  int64_t size_on_disk = 0;  // -1 when missing
  bool longer = false;       // longer than the torrent says, and to be trimmed
  bool cancelled = false;    // a trim the user stopped: judged, not reported
  QString reason;            // why an unreadable file could not be read
  QString drive;             // the drive short of space, with kNoSpace
  QString backup_folder;     // where the old file went, when it went into the backup folder
};

// A file of the torrent (or one in its place) moved into the backup folder before a change.
struct OldFileMoved {
  QString path;
  QString folder;  // the backup folder it went to
  bool done = false;
  bool source_changed = false;  // a move to another volume failed because the file changed meanwhile
};

// A folder of the backup location made, or one that could not be made.
struct FolderCreated {
  QString path;
  bool done = false;
};

// A client's partial download "<entry>.part" beside a missing entry.
struct PartialFileFound {
  size_t index = 0;
  QString path;
  int64_t size = 0;
};

struct FileCheckEnded {
  bool nothing_found = false;  // not one file of the torrent stood in the download folder
};

struct HashCheckStarted {
  int64_t pieces = 0;
  int64_t piece_length = 0;
};

// A piece whose bytes did not hash to the torrent's. A v1 piece names entries [first, last]; a v2
// piece lies in one file, at file_piece, bytes [first_byte, last_byte] of it.
struct PieceFailed {
  int64_t piece = 0;  // 0-based
  int first = 0, last = -1;
  bool v2 = false;
  int64_t file_piece = 0, first_byte = 0, last_byte = -1;
  bool read = true;  // none of its files was unreadable: its bytes were read and are wrong
};

struct HashCheckEnded {
  int64_t entries = 0;
  int64_t bad_files = 0;            // files in a failed piece
  bool v2 = false;
  std::vector<V2FileRecord> files;  // with v2: every file's verdict, in torrent order
};

struct RepairStarted {};

enum class RepairResult : uint8_t { kDone, kFailed, kNoSpace, kOtherSizeStands };

// A file found for an entry and put (or not) into its place.
struct FileRepaired {
  size_t index = 0;
  QString source;
  QString target;
  bool copied = false;    // copied from the rebuild source rather than moved
  bool verified = false;  // its pieces (or its tree's root) vouched for it; else its size alone
  RepairResult result = RepairResult::kFailed;
  QString drive;  // short of space, with kNoSpace
};

// An empty entry needs no source: made where it belongs.
struct EmptyFileCreated {
  size_t index = 0;
  QString path;
  bool done = false;
};

enum class Rejection : uint8_t { kUnreadable, kRootDiffers, kPiecesDiffer };

// A file of the right size that is not taken for an entry.
struct CandidateRejected {
  QString candidate;
  QString target;  // the entry's path; empty for an unreadable candidate
  Rejection why = Rejection::kUnreadable;
  QString reason;  // the system's reason for an unreadable one
};

struct RepairEnded {};

enum class KeptNote : uint8_t { kNone, kSingleFile, kNothingFound };

struct UnneededStarted {
  KeptNote note = KeptNote::kNone;
};

// Why an unneeded folder stays without a failure.
enum class KeptBecause : uint8_t { kContents, kOtherFileSystem, kUnreadable };

struct UnneededHandled {
  QString path;  // full path, a directory's with its final separator
  bool directory = false;
  UnneededAction action = UnneededAction::kReported;
  QString moved_to;  // the backup folder it went to
  KeptBecause kept = KeptBecause::kContents;
  QString reason;  // why an unreadable folder could not be read
  bool source_changed = false;
};

struct UnneededEnded {};

struct RunCancelled {};

using RunEvent = std::variant<RunStarted, EntryChecked, OldFileMoved, FolderCreated, PartialFileFound, FileCheckEnded,
                              HashCheckStarted, PieceFailed, HashCheckEnded, RepairStarted, FileRepaired,
                              EmptyFileCreated, CandidateRejected, RepairEnded, UnneededStarted, UnneededHandled,
                              UnneededEnded, RunCancelled>;

// Where a run's events go, in the order they were decided. Called on the run's thread.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void Emit(const RunEvent& event) = 0;
};

// Hands every event to each of its readers in turn.
class EventFanOut : public EventSink {
 public:
  void Add(EventSink& reader) { readers_.push_back(&reader); }
  void Emit(const RunEvent& event) override {
    for (EventSink* reader : readers_) reader->Emit(event);
  }

 private:
  std::vector<EventSink*> readers_;
};

// Keeps every event; a front end or a test that reads them after the run.
class EventLog : public EventSink {
 public:
  void Emit(const RunEvent& event) override { events_.push_back(event); }
  const std::vector<RunEvent>& events() const { return events_; }
  void ReplayInto(EventSink& reader) const {
    for (const RunEvent& event : events_) reader.Emit(event);
  }

 private:
  std::vector<RunEvent> events_;
};

}  // namespace zandrel
