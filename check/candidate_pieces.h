// Whether a file offered to the repair stage holds an entry's data: every piece of the entry is
// hashed from the file at its offset in the entry. A piece shared with neighbouring entries is
// hashed with their bytes where those are on disk; one whose neighbours are not is left out.
#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <vector>

#include "check/piece_layout.h"

namespace zandrel {

// kUnchecked: not one piece of the entry could be hashed (the entry holds none, its pieces have no
// hash, or their neighbours are not on disk); only its size can be judged then.
enum class CandidateVerdict { kMatches, kDiffers, kUnchecked, kCancelled };

// Where a neighbouring entry's bytes can be read: a file of its full length, or empty.
using EntrySource = std::function<QString(int entry)>;

CandidateVerdict CheckCandidatePieces(const PieceLayout& layout, const std::vector<Sha1Digest>& hashes, int entry,
                                      const QString& candidate, const EntrySource& neighbour,
                                      const std::atomic<int>& cancel_flag);

}  // namespace zandrel
