// BitTorrent v2 pieces: each file starts a piece of its own, and a piece is verified by the
// SHA-256 tree of its 16 KiB blocks, compared with the file's piece layer (or, for a file of one
// piece or less, with the file's root). A v2 piece never holds bytes of two files.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

#include "check/digest_context.h"
#include "check/piece_layout.h"
#include "check/piece_reader.h"
#include "torrent/torrent_model.h"

namespace zandrel {

struct V2Piece {
  int entry = -1;          // the one file the piece belongs to
  int64_t file_piece = 0;  // 0-based index within that file
  int64_t data_bytes = 0;  // the file's bytes in the piece
  int64_t leaves = 1;      // width of the piece's tree, a power of two
  const Sha256Digest* expected = nullptr;
};

class V2PieceTable {
 public:
  // The model must hold v2 trees (HasV2) and a piece length of a power of two >= 16 KiB.
  explicit V2PieceTable(const TorrentModel& model);

  // The entries spaced as v2 lays them out: each non-empty file begins at a piece boundary.
  const TorrentModel& Spaced() const { return spaced_; }
  int64_t PieceCount() const { return piece_count_; }
  V2Piece Piece(int64_t piece) const;
  // The widest tree of any piece: the leaves a hashing thread needs room for.
  int64_t MaxLeaves() const { return max_leaves_; }
  // Pieces [first, first + count) of an entry; count 0 for an empty file.
  int64_t FirstPiece(int entry) const { return files_[static_cast<size_t>(entry)].first_piece; }
  int64_t PiecesOf(int entry) const { return files_[static_cast<size_t>(entry)].pieces; }

 private:
  struct File {
    int64_t first_piece = 0;
    int64_t pieces = 0;
  };

  const TorrentModel& model_;
  TorrentModel spaced_;
  std::vector<File> files_;  // per entry
  int64_t piece_count_ = 0;
  int64_t max_leaves_ = 1;
};

// Hashes every piece of the unit by its tree and records which ones fail, as the v1 hashing does
// with SHA-1 digests. leaves must hold table.MaxLeaves() digests.
void HashUnitV2(const PieceLayout& layout, const V2PieceTable& table, WorkUnit& unit, const DigestContext& sha256,
                std::vector<Sha256Digest>& leaves, const std::atomic<bool>& stop);

enum class RootOutcome { kRead, kUnreadable, kCancelled };

// The root of the hash tree of the whole file at path, read front to back; a repair candidate whose
// root equals an entry's pieces root holds exactly the entry's bytes, whatever its name.
RootOutcome FileTreeRoot(const QString& path, Sha256Digest& root, const std::atomic<int>& cancel_flag);

}  // namespace zandrel
