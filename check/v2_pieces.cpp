#include "check/v2_pieces.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

#include "check/piece_job.h"
#include "platform/mapped_file.h"

namespace zandrel {
namespace {

int64_t CeilDiv(int64_t a, int64_t b) { return a / b + (a % b != 0); }

// One leaf per 16 KiB block of [begin, end); the last block is hashed as far as the file goes.
void HashBlocks(void* argument) {
  PieceJob& job = *static_cast<PieceJob*>(argument);
  job.complete = false;
  const std::vector<WorkUnit::Extent>& extents = job.unit->extents;
  size_t e = job.extent;
  Sha256Digest* leaf = job.leaves;
  for (int64_t block = job.begin; block < job.end; block += kMerkleBlockBytes, ++leaf) {
    if (job.stop->load(std::memory_order_relaxed)) return;
    const int64_t block_end = std::min(job.end, block + kMerkleBlockBytes);
    if (EVP_DigestInit_ex(job.ctx, job.md, nullptr) != 1) return;
    for (int64_t from = block; from < block_end;) {
      while (e < extents.size() && extents[e].begin + extents[e].length <= from) ++e;
      // Every byte of a readable piece lies in some extent of the file.
      if (e == extents.size() || extents[e].begin > from || extents[e].data == nullptr) return;
      const int64_t to = std::min(block_end, extents[e].begin + extents[e].length);
      EVP_DigestUpdate(job.ctx, extents[e].data + (from - extents[e].begin), static_cast<size_t>(to - from));
      from = to;
    }
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(job.ctx, leaf->data(), &size) != 1 || size != 32) return;
  }
  job.complete = true;
}

struct EvpCombine {
  const DigestContext& context;
  Sha256Digest operator()(const Sha256Digest& left, const Sha256Digest& right) const {
    Sha256Digest out{};
    unsigned int size = 0;
    EVP_DigestInit_ex(context.ctx(), context.md(), nullptr);
    EVP_DigestUpdate(context.ctx(), left.data(), 32);
    EVP_DigestUpdate(context.ctx(), right.data(), 32);
    EVP_DigestFinal_ex(context.ctx(), out.data(), &size);
    return out;
  }
};

// The root of `used` leaves in a tree of `width` leaves, the rest zero.
Sha256Digest RootOf(const DigestContext& sha256, std::vector<Sha256Digest>& leaves, int64_t used, int64_t width) {
  std::vector<Sha256Digest> nodes(leaves.begin(), leaves.begin() + used);
  return ReduceToRoot(nodes, width, Sha256Digest{}, EvpCombine{sha256});
}

}  // namespace

V2PieceTable::V2PieceTable(const TorrentModel& model) : model_(model) {
  const int64_t piece_length = model.PieceLength;
  spaced_.PieceLength = piece_length;
  spaced_.TorrentFiles.reserve(model.TorrentFiles.size());
  files_.resize(model.TorrentFiles.size());
  for (size_t i = 0; i < model.TorrentFiles.size(); ++i) {
    TorrentFileEntry& entry = spaced_.TorrentFiles.emplace_back();
    entry.Length = model.TorrentFiles[i].Length;
    entry.PadAfter = i + 1 < model.TorrentFiles.size() ? (piece_length - entry.Length % piece_length) % piece_length : 0;
    files_[i] = {piece_count_, CeilDiv(entry.Length, piece_length)};
    piece_count_ += files_[i].pieces;
  }
  max_leaves_ = std::max<int64_t>(1, piece_length / kMerkleBlockBytes);
}

V2Piece V2PieceTable::Piece(int64_t piece) const {
  // The last file whose pieces begin at or before this one; empty files take no piece.
  auto it = std::upper_bound(files_.begin(), files_.end(), piece,
                             [](int64_t p, const File& file) { return p < file.first_piece; });
  while (it != files_.begin() && (it - 1)->pieces == 0) --it;
  V2Piece out;
  if (it == files_.begin()) return out;
  const size_t entry = static_cast<size_t>(it - files_.begin() - 1);
  const File& file = files_[entry];
  if (piece >= file.first_piece + file.pieces) return out;
  const TorrentFileEntry& source = model_.TorrentFiles[entry];
  const int64_t piece_length = model_.PieceLength;
  out.entry = static_cast<int>(entry);
  out.file_piece = piece - file.first_piece;
  out.data_bytes = std::min(piece_length, source.Length - out.file_piece * piece_length);
  if (file.pieces == 1) {
    // A file of one piece is its own tree: only as wide as its blocks need.
    out.leaves = MerkleWidth(CeilDiv(source.Length, kMerkleBlockBytes));
    out.expected = &source.PiecesRoot;
  } else {
    out.leaves = piece_length / kMerkleBlockBytes;
    const size_t at = static_cast<size_t>(source.LayerAt + out.file_piece);
    if (at < model_.LayerHashes.size()) out.expected = &model_.LayerHashes[at];
  }
  if (!source.HasPiecesRoot) out.expected = nullptr;
  return out;
}

void HashUnitV2(const PieceLayout& layout, const V2PieceTable& table, WorkUnit& unit, const DigestContext& sha256,
                std::vector<Sha256Digest>& leaves, const std::atomic<bool>& stop) {
  PieceJob job{};
  job.ctx = sha256.ctx();
  job.md = sha256.md();
  job.unit = &unit;
  job.stop = &stop;
  job.leaves = leaves.data();
  for (int64_t i = 0; i < unit.piece_count; ++i) {
    if (stop.load(std::memory_order_relaxed)) return;
    const size_t index = static_cast<size_t>(i);
    const int64_t piece = unit.first_piece + i;
    const V2Piece v2 = table.Piece(piece);
    if (unit.unreadable[index] || v2.expected == nullptr) {
      unit.failed[index] = 1;
      continue;
    }
    job.SeekPiece(layout.PieceBegin(piece));
    job.end = job.begin + v2.data_bytes;
    const bool read = RunGuardingMappedReads(HashBlocks, &job) && job.complete;
    if (!read) {
      unit.failed[index] = 1;
      continue;
    }
    const Sha256Digest root = RootOf(sha256, leaves, CeilDiv(v2.data_bytes, kMerkleBlockBytes), v2.leaves);
    unit.failed[index] = std::memcmp(root.data(), v2.expected->data(), 32) != 0;
  }
}

RootOutcome FileTreeRoot(const QString& path, Sha256Digest& root, const std::atomic<int>& cancel_flag) {
  constexpr int64_t kChunk = 64 * kMerkleBlockBytes;
  ReadOnlyFile file;
  const DigestContext sha256("SHA256");
  if (!file.Open(path) || !sha256.IsValid()) return RootOutcome::kUnreadable;
  file.AdviseSequential();
  const int64_t length = file.Size();
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(kChunk, std::max<int64_t>(length, 1))));
  std::vector<Sha256Digest> leaves;
  leaves.reserve(static_cast<size_t>(CeilDiv(length, kMerkleBlockBytes)));
  for (int64_t at = 0; at < length; at += kChunk) {
    if (cancel_flag.load(std::memory_order_relaxed) != 0) return RootOutcome::kCancelled;
    const int64_t want = std::min(kChunk, length - at);
    if (file.ReadAt(at, buffer.data(), want) != want) return RootOutcome::kUnreadable;
    for (int64_t from = 0; from < want; from += kMerkleBlockBytes) {
      unsigned int size = 0;
      EVP_DigestInit_ex(sha256.ctx(), sha256.md(), nullptr);
      EVP_DigestUpdate(sha256.ctx(), buffer.data() + from, static_cast<size_t>(std::min(kMerkleBlockBytes, want - from)));
      EVP_DigestFinal_ex(sha256.ctx(), leaves.emplace_back().data(), &size);
    }
  }
  const int64_t blocks = static_cast<int64_t>(leaves.size());
  root = RootOf(sha256, leaves, blocks, MerkleWidth(blocks));
  return RootOutcome::kRead;
}

}  // namespace zandrel
