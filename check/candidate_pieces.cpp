#include "check/candidate_pieces.h"

#include <algorithm>
#include <cstring>

#include "check/digest_context.h"

namespace zandrel {
namespace {

constexpr int64_t kReadChunk = int64_t{4} << 20;

// kNeighbourUnreadable: a neighbour's file could not be read whole, which says nothing of the
// candidate; kCandidateUnreadable: the candidate's could not.
enum class Feed { kDone, kCandidateUnreadable, kNeighbourUnreadable, kFailed };

}  // namespace

// One piece hashed from the streams it lies in: the candidate for the entry's bytes, the
// neighbours' files for theirs, zeros for padding.
class CandidateChecker::PieceHasher {
 public:
  PieceHasher(const PieceLayout& layout, ReadOnlyFile& candidate, const EntrySource& neighbour)
      : layout_(layout), candidate_(candidate), neighbour_(neighbour),
        buffer_(static_cast<size_t>(std::min(layout.PieceLength(), kReadChunk))) {}

  bool IsValid() const { return sha1_.IsValid(); }
  void SetEntry(int entry) { entry_ = entry; }

  // Whether every byte of the piece is at hand: false when a neighbour's file is not there or
  // does not reach as far as the piece needs (a partial download not yet complete).
  bool Checkable(int64_t piece) const {
    const int64_t end = layout_.PieceEnd(piece);
    for (int j = FirstEntry(piece); j < layout_.EntryCount() && layout_.FileBegin(j) < end; ++j) {
      if (j == entry_ || !Overlap(j, piece)) continue;
      const NeighbourBytes source = neighbour_(j);
      const int64_t needed = std::min(end, layout_.FileEnd(j)) - layout_.FileBegin(j);
      if (source.path.isEmpty() || source.size < needed) return false;
    }
    return true;
  }

  // The digest of a piece that crosses into neighbouring entries or padding.
  Feed PieceDigest(int64_t piece, Sha1Digest* digest) {
    if (EVP_DigestInit_ex(sha1_.ctx(), sha1_.md(), nullptr) != 1) return Feed::kFailed;
    const int64_t begin = layout_.PieceBegin(piece), end = layout_.PieceEnd(piece);
    int64_t at = begin;
    for (int j = FirstEntry(piece); j < layout_.EntryCount() && layout_.FileBegin(j) < end; ++j) {
      if (!Overlap(j, piece)) continue;
      const int64_t from = std::max(begin, layout_.FileBegin(j)), to = std::min(end, layout_.FileEnd(j));
      Zeros(from - at);
      const Feed fed = FileBytes(j, from - layout_.FileBegin(j), to - from);
      if (fed != Feed::kDone) return fed;
      at = to;
    }
    Zeros(end - at);
    return Final(digest);
  }

  // The digest of the candidate's bytes [offset, offset + length): a piece wholly inside it.
  Feed OwnDigest(int64_t offset, int64_t length, Sha1Digest* digest) {
    if (EVP_DigestInit_ex(sha1_.ctx(), sha1_.md(), nullptr) != 1) return Feed::kFailed;
    const Feed fed = FileBytes(entry_, offset, length);
    return fed == Feed::kDone ? Final(digest) : fed;
  }

 private:
  // An empty file holds no byte of any piece, whether or not it is on disk.
  bool Overlap(int j, int64_t piece) const {
    return layout_.FileEnd(j) > layout_.FileBegin(j) && layout_.FileEnd(j) > layout_.PieceBegin(piece) &&
           layout_.FileBegin(j) < layout_.PieceEnd(piece);
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
  Feed FileBytes(int j, int64_t offset, int64_t length) {
    ReadOnlyFile neighbour_file;
    ReadOnlyFile* file = &candidate_;
    const Feed short_read = j == entry_ ? Feed::kCandidateUnreadable : Feed::kNeighbourUnreadable;
    if (j != entry_) {
      if (!neighbour_file.Open(neighbour_(j).path)) return short_read;
      file = &neighbour_file;
    }
    while (length > 0) {
      const int64_t n = std::min(length, static_cast<int64_t>(buffer_.size()));
      if (file->ReadAt(offset, buffer_.data(), n) != n) return short_read;
      EVP_DigestUpdate(sha1_.ctx(), buffer_.data(), static_cast<size_t>(n));
      offset += n;
      length -= n;
    }
    return Feed::kDone;
  }
  Feed Final(Sha1Digest* digest) {
    uint8_t bytes[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(sha1_.ctx(), bytes, &size) != 1 || size != digest->size()) return Feed::kFailed;
    std::memcpy(digest->data(), bytes, digest->size());
    return Feed::kDone;
  }

  const PieceLayout& layout_;
  int entry_ = 0;
  ReadOnlyFile& candidate_;
  const EntrySource& neighbour_;
  const DigestContext sha1_;
  std::vector<uint8_t> buffer_;
};

CandidateChecker::CandidateChecker(const PieceLayout& layout, const std::vector<Sha1Digest>& hashes,
                                   const QString& candidate, const EntrySource& neighbour,
                                   const std::atomic<int>& cancel_flag)
    : layout_(layout), hashes_(hashes), candidate_path_(candidate), neighbour_(neighbour), cancel_flag_(cancel_flag) {}

CandidateChecker::~CandidateChecker() = default;

CandidateVerdict CandidateChecker::Check(int entry) {
  const int64_t begin = layout_.FileBegin(entry);
  const int64_t end = layout_.FileEnd(entry);
  const int64_t piece_length = layout_.PieceLength();
  const int64_t hashed = std::min(layout_.PieceCount(), static_cast<int64_t>(hashes_.size()));
  if (begin >= end || begin / piece_length >= hashed) return CandidateVerdict::kUnchecked;
  if (!opened_) {
    opened_ = true;
    if (candidate_.Open(candidate_path_)) hasher_ = std::make_unique<PieceHasher>(layout_, candidate_, neighbour_);
  }
  if (!candidate_.IsOpen()) return CandidateVerdict::kUnreadable;
  // Without a digest nothing can be hashed, and a file nothing vouches for is not used.
  if (!hasher_->IsValid()) return CandidateVerdict::kDiffers;
  hasher_->SetEntry(entry);
  bool any_checked = false;
  for (int64_t piece = begin / piece_length; piece < hashed && layout_.PieceBegin(piece) < end; ++piece) {
    if (cancel_flag_.load(std::memory_order_relaxed) != 0) return CandidateVerdict::kCancelled;
    const int64_t piece_begin = layout_.PieceBegin(piece), piece_end = layout_.PieceEnd(piece);
    Sha1Digest digest{};
    Feed fed = Feed::kDone;
    if (piece_begin >= begin && piece_end <= end) {
      const std::pair<int64_t, int64_t> key{piece_begin - begin, piece_end - piece_begin};
      const auto known = own_pieces_.find(key);
      if (known != own_pieces_.end()) {
        digest = known->second;
      } else {
        fed = hasher_->OwnDigest(key.first, key.second, &digest);
        if (fed == Feed::kDone) own_pieces_.emplace(key, digest);
      }
    } else {
      if (!hasher_->Checkable(piece)) continue;
      fed = hasher_->PieceDigest(piece, &digest);
    }
    // A neighbour that could not be read leaves its pieces unchecked: it is not the candidate's fault.
    if (fed == Feed::kNeighbourUnreadable) continue;
    if (fed == Feed::kCandidateUnreadable) return CandidateVerdict::kUnreadable;
    if (fed != Feed::kDone || digest != hashes_[static_cast<size_t>(piece)]) return CandidateVerdict::kDiffers;
    any_checked = true;
  }
  return any_checked ? CandidateVerdict::kMatches : CandidateVerdict::kUnchecked;
}

}  // namespace zandrel
