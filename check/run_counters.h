// The counts and flags a run's final status, its report's summaries and its exit code are made
// from, counted from the run's events in one place.
#pragma once

#include <cstdint>

#include "check/run_events.h"

namespace zandrel {

struct RunContext;

struct RunCounters {
  int64_t CorrectFiles = 0, MissingFiles = 0, WrongSizedFiles = 0, PaddedFiles = 0;
  int64_t TrimmedFiles = 0, DeletedWrongSized = 0, FixedFiles = 0;
  int64_t UnneededFiles = 0, UnneededDirs = 0, DeletedFiles = 0, DeletedDirs = 0;
  bool MissingFilesFlag = false, WrongSizeSeen = false, SmallerSeen = false, TrimDone = false;
  bool TrimFailed = false, PieceFailed = false, Cancelled = false;
  bool UnreadableSeen = false;  // a file or folder of the download could not be read
  int64_t UnreadableFiles = 0;  // files of the torrent that stand there and could not be read
  // A failed piece none of whose files was unreadable: its bytes were read (or are missing) and
  // do not hash to the torrent's. A piece that fails only because a file could not be read tells
  // nothing about the bytes.
  bool ReadPieceFailed = false;
  bool PiecesVerified = false;  // the hash check went through every piece to its result
  bool UnneededFailed = false;  // an unneeded item that was to go could not be deleted or moved
  // Not one file of the torrent stood in the download folder when the run began: it may well be
  // another folder altogether, whose contents are the user's and not the download's leftovers.
  bool NothingFound = false;
  float PercentComplete = 100.0f;

  // Adds what the event tells.
  void Count(const RunEvent& event);
  // "Deletion permitted" for unneeded items. A torrent whose hash check failed a piece is not
  // complete either: a client pre-sizes every file long before it has the data.
  bool DeletionPermitted(const RunContext& context) const;
};

// 100 × (entries − bad) / entries as the report states it: the quotient rounded to single
// precision, then 100 − quotient × 100 and 100 minus that, each rounded to single precision.
float PercentComplete(int64_t entries, int64_t bad);

// Counts the run's events into its counters as they come.
class CounterSink : public EventSink {
 public:
  void Emit(const RunEvent& event) override { counters.Count(event); }
  RunCounters counters;
};

}  // namespace zandrel
