#include "check/candidate_pieces.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "check/digest_context.h"
#include "platform/mapped_file.h"

namespace zandrel {
namespace {

constexpr int64_t kReadChunk = int64_t{4} << 20;

enum class Feed { kDone, kUnreadable };

// One piece hashed from the stream it lies in: the candidate for the entry's bytes, the
// neighbours' files for theirs, zeros for padding.
class PieceHasher {
 public:
  PieceHasher(const PieceLayout& layout, int entry, ReadOnlyFile& candidate, const EntrySource& neighbour)
      : layout_(layout), entry_(entry), candidate_(candidate), neighbour_(neighbour),
        buffer_(static_cast<size_t>(std::min(layout.PieceLength(), kReadChunk))) {}

  bool IsValid() const { return sha1_.IsValid(); }

  // Whether every byte of the piece is at hand: false when a neighbour's bytes are not on disk.
  bool Checkable(int64_t piece) const {
    for (int j = FirstEntry(piece); j < layout_.EntryCount() && layout_.FileBegin(j) < PieceEnd(piece); ++j) {
      if (j != entry_ && Overlap(j, piece) && neighbour_(j).isEmpty()) return false;
    }
    return true;
  }

  // Compares the piece with its hash; kUnreadable when some file could not be read whole.
  Feed Matches(int64_t piece, const Sha1Digest& hash, bool* matches) {
    EVP_MD_CTX* ctx = sha1_.ctx();
    if (EVP_DigestInit_ex(ctx, sha1_.md(), nullptr) != 1) return Feed::kUnreadable;
    const int64_t begin = layout_.PieceBegin(piece), end = PieceEnd(piece);
    int64_t at = begin;
    for (int j = FirstEntry(piece); j < layout_.EntryCount() && layout_.FileBegin(j) < end; ++j) {
      if (!Overlap(j, piece)) continue;
      const int64_t from = std::max(begin, layout_.FileBegin(j)), to = std::min(end, layout_.FileEnd(j));
      Zeros(from - at);
      if (!FileBytes(j, from - layout_.FileBegin(j), to - from)) return Feed::kUnreadable;
      at = to;
    }
    Zeros(end - at);
    uint8_t digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx, digest, &size) != 1 || size != 20) return Feed::kUnreadable;
    *matches = std::memcmp(digest, hash.data(), 20) == 0;
    return Feed::kDone;
  }

 private:
  int64_t PieceEnd(int64_t piece) const { return layout_.PieceEnd(piece); }
  // An empty file holds no byte of any piece, whether or not it is on disk.
  bool Overlap(int j, int64_t piece) const {
    return layout_.FileEnd(j) > layout_.FileBegin(j) && layout_.FileEnd(j) > layout_.PieceBegin(piece) &&
           layout_.FileBegin(j) < PieceEnd(piece);
  }
  // The entries are in stream order: walk back from ours to the first that may reach the piece.
  int FirstEntry(int64_t piece) const {
    int j = entry_;
    while (j > 0 && layout_.FileBegin(j) > layout_.PieceBegin(piece)) --j;
    return j;
  }
  void Zeros(int64_t count) {
    std::fill(buffer_.begin(), buffer_.end(), uint8_t{0});
    for (; count > 0; count -= std::min<int64_t>(count, buffer_.size())) {
      EVP_DigestUpdate(sha1_.ctx(), buffer_.data(), static_cast<size_t>(std::min<int64_t>(count, buffer_.size())));
    }
  }
  bool FileBytes(int j, int64_t offset, int64_t length) {
    ReadOnlyFile neighbour_file;
    ReadOnlyFile* file = &candidate_;
    if (j != entry_) {
      if (!neighbour_file.Open(neighbour_(j))) return false;
      file = &neighbour_file;
    }
    while (length > 0) {
      const int64_t n = std::min(length, static_cast<int64_t>(buffer_.size()));
      if (file->ReadAt(offset, buffer_.data(), n) != n) return false;
      EVP_DigestUpdate(sha1_.ctx(), buffer_.data(), static_cast<size_t>(n));
      offset += n;
      length -= n;
    }
    return true;
  }

  const PieceLayout& layout_;
  const int entry_;
  ReadOnlyFile& candidate_;
  const EntrySource& neighbour_;
  const DigestContext sha1_;
  std::vector<uint8_t> buffer_;
};

}  // namespace

CandidateVerdict CheckCandidatePieces(const PieceLayout& layout, const std::vector<Sha1Digest>& hashes, int entry,
                                      const QString& candidate, const EntrySource& neighbour,
                                      const std::atomic<int>& cancel_flag) {
  const int64_t begin = layout.FileBegin(entry);
  const int64_t end = layout.FileEnd(entry);
  const int64_t piece_length = layout.PieceLength();
  const int64_t hashed = std::min(layout.PieceCount(), static_cast<int64_t>(hashes.size()));
  if (begin >= end || begin / piece_length >= hashed) return CandidateVerdict::kUnchecked;
  ReadOnlyFile file;
  if (!file.Open(candidate)) return CandidateVerdict::kDiffers;
  PieceHasher hasher(layout, entry, file, neighbour);
  if (!hasher.IsValid()) return CandidateVerdict::kDiffers;
  bool any_checked = false;
  for (int64_t piece = begin / piece_length; piece < hashed && layout.PieceBegin(piece) < end; ++piece) {
    if (cancel_flag.load(std::memory_order_relaxed) != 0) return CandidateVerdict::kCancelled;
    if (!hasher.Checkable(piece)) continue;
    bool matches = false;
    if (hasher.Matches(piece, hashes[static_cast<size_t>(piece)], &matches) != Feed::kDone || !matches) {
      return CandidateVerdict::kDiffers;
    }
    any_checked = true;
  }
  return any_checked ? CandidateVerdict::kMatches : CandidateVerdict::kUnchecked;
}

}  // namespace zandrel
