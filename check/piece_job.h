// What a hashing thread works on for one piece. Plain data: a bus error (a mapped file truncated
// meanwhile) abandons the hashing without unwinding, so nothing here may own a resource.
#pragma once

#include <openssl/evp.h>

#include <atomic>
#include <cstdint>

#include "check/piece_reader.h"
#include "torrent/merkle_tree.h"

namespace zandrel {

struct PieceJob {
  EVP_MD_CTX* ctx;
  const EVP_MD* md;
  const WorkUnit* unit;
  size_t extent;  // first extent that can overlap the piece
  int64_t begin;
  int64_t end;
  const std::atomic<bool>* stop;
  bool complete;
  unsigned char digest[EVP_MAX_MD_SIZE];  // a v1 piece's SHA-1
  Sha256Digest* leaves;                   // a v2 piece's block hashes

  // Moves the extent cursor to the first extent that reaches the piece at `begin`.
  void SeekPiece(int64_t piece_begin) {
    begin = piece_begin;
    const auto& extents = unit->extents;
    while (extent < extents.size() && extents[extent].begin + extents[extent].length <= begin) ++extent;
  }
};

}  // namespace zandrel
