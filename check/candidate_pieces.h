// Whether a file offered to the repair stage holds an entry's data: every piece that lies wholly
// inside the entry is hashed from the file at its offset in the entry. Pieces shared with
// neighbouring entries say nothing about this file alone and are not looked at.
#pragma once

#include <QString>
#include <atomic>
#include <vector>

#include "check/piece_layout.h"

namespace zandrel {

enum class CandidateVerdict { kMatches, kDiffers, kCancelled };

// kMatches also when the entry holds no whole piece: only its size can be judged then.
CandidateVerdict CheckCandidatePieces(const PieceLayout& layout, const std::vector<Sha1Digest>& hashes, int entry,
                                      const QString& candidate, const std::atomic<int>& cancel_flag);

}  // namespace zandrel
