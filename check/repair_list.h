// The entries the repair stage may still supply with a file.
#pragma once

#include <QHash>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "torrent/torrent_model.h"

namespace zandrel {

// A found file is matched by its size: it goes to the first entry of that length, in torrent order,
// that was not present at the file check and has not been offered a file yet (the first whose
// pieces the file holds, before one none of whose pieces can be checked). Each entry is
// offered at most once, whatever became of the offer. Kept as one queue per length, so a search
// over a large directory costs one lookup per file instead of a walk over every waiting entry.
class RepairList {
 public:
  // Takes every entry that the file check did not find (found[i] == 0).
  void Reset(const std::vector<TorrentFileEntry>& entries, const std::vector<uint8_t>& found);
  // The torrent position of the entry that a file of this size goes to; it is taken off the list.
  std::optional<size_t> Take(int64_t length);
  // The entries of this length still waiting, in torrent order; Take(length, position) takes one
  // of them, for a file that holds that entry's data and not merely its size.
  std::vector<size_t> Waiting(int64_t length) const;
  void Take(int64_t length, size_t position);
  bool Empty() const { return waiting_ == 0; }

 private:
  QHash<int64_t, std::deque<size_t>> by_length_;
  size_t waiting_ = 0;
};

}  // namespace zandrel
