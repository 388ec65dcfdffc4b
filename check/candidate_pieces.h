// Whether a file offered to the repair stage holds an entry's data: every piece of the entry is
// hashed from the file at its offset in the entry. A piece shared with neighbouring entries is
// hashed with their bytes where those are on disk; one whose neighbours' bytes are not all there
// (missing, not yet written, unreadable) is left out.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "check/piece_layout.h"
#include "platform/mapped_file.h"

namespace zandrel {

// kUnchecked: not one piece of the entry could be hashed (the entry holds none, its pieces have no
// hash, or their neighbours' bytes are not on disk); only its size can be judged then.
// kUnreadable: the candidate itself could not be read.
enum class CandidateVerdict { kMatches, kDiffers, kUnchecked, kUnreadable, kCancelled };

// Where a neighbouring entry's bytes can be read and how many the file holds from the entry's
// start (a partial download may hold fewer than the entry's length); an empty path when there is
// no file to read them from.
struct NeighbourBytes {
  QString path;
  int64_t size = 0;
};
using EntrySource = std::function<NeighbourBytes(int entry)>;

// Judges one candidate against the entries of its size, one after another. Pieces that lie wholly
// inside the candidate are hashed once for all entries: two entries placed alike in the stream ask
// for the same bytes of it.
class CandidateChecker {
 public:
  CandidateChecker(const PieceLayout& layout, const std::vector<Sha1Digest>& hashes, const QString& candidate,
                   const EntrySource& neighbour, const std::atomic<int>& cancel_flag);

  ~CandidateChecker();
  CandidateChecker(const CandidateChecker&) = delete;
  CandidateChecker& operator=(const CandidateChecker&) = delete;

  CandidateVerdict Check(int entry);

 private:
  const PieceLayout& layout_;
  const std::vector<Sha1Digest>& hashes_;
  const QString candidate_path_;
  const EntrySource& neighbour_;
  const std::atomic<int>& cancel_flag_;
  class PieceHasher;
  std::unique_ptr<PieceHasher> hasher_;
  ReadOnlyFile candidate_;
  bool opened_ = false;
  // Digests of whole-candidate pieces by their (offset, length) in the candidate.
  std::map<std::pair<int64_t, int64_t>, Sha1Digest> own_pieces_;
};

}  // namespace zandrel
