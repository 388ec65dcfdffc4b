#include "check/candidate_pieces.h"

#include <algorithm>
#include <cstring>

#include "check/sha1_context.h"
#include "platform/mapped_file.h"

namespace zandrel {
namespace {

constexpr int64_t kReadChunk = int64_t{4} << 20;

// Hashes [offset, offset + length) of the file; false when it cannot be read whole.
bool HashRange(ReadOnlyFile& file, const Sha1Context& sha1, std::vector<uint8_t>& buffer, int64_t offset,
               int64_t length, uint8_t* digest) {
  EVP_MD_CTX* ctx = sha1.ctx();
  if (EVP_DigestInit_ex(ctx, sha1.md(), nullptr) != 1) return false;
  while (length > 0) {
    const int64_t n = std::min(length, static_cast<int64_t>(buffer.size()));
    if (file.ReadAt(offset, buffer.data(), n) != n) return false;
    EVP_DigestUpdate(ctx, buffer.data(), static_cast<size_t>(n));
    offset += n;
    length -= n;
  }
  unsigned int size = 0;
  return EVP_DigestFinal_ex(ctx, digest, &size) == 1 && size == 20;
}

}  // namespace

CandidateVerdict CheckCandidatePieces(const PieceLayout& layout, const std::vector<Sha1Digest>& hashes, int entry,
                                      const QString& candidate, const std::atomic<int>& cancel_flag) {
  const int64_t begin = layout.FileBegin(entry);
  const int64_t end = layout.FileEnd(entry);
  const int64_t piece_length = layout.PieceLength();
  const int64_t hashed = std::min(layout.PieceCount(), static_cast<int64_t>(hashes.size()));
  int64_t piece = begin / piece_length + (begin % piece_length != 0 ? 1 : 0);
  if (piece >= hashed || layout.PieceEnd(piece) > end) return CandidateVerdict::kMatches;
  ReadOnlyFile file;
  const Sha1Context sha1;
  if (!file.Open(candidate) || !sha1.IsValid()) return CandidateVerdict::kDiffers;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(piece_length, kReadChunk)));
  for (; piece < hashed && layout.PieceEnd(piece) <= end; ++piece) {
    if (cancel_flag.load(std::memory_order_relaxed) != 0) return CandidateVerdict::kCancelled;
    uint8_t digest[EVP_MAX_MD_SIZE];
    const int64_t offset = layout.PieceBegin(piece) - begin;
    const int64_t length = layout.PieceEnd(piece) - layout.PieceBegin(piece);
    if (!HashRange(file, sha1, buffer, offset, length, digest) ||
        std::memcmp(digest, hashes[static_cast<size_t>(piece)].data(), 20) != 0) {
      return CandidateVerdict::kDiffers;
    }
  }
  return CandidateVerdict::kMatches;
}

}  // namespace zandrel
