// The hash trees of BitTorrent v2: each file's 16 KiB blocks are hashed with SHA-256, and pairs of
// hashes are hashed together up to one root. A tree is always a whole binary tree: the leaves
// beyond the file's end are zero hashes, and a missing subtree is the root of one made of them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zandrel {

using Sha256Digest = std::array<uint8_t, 32>;

inline constexpr int64_t kMerkleBlockBytes = 16 * 1024;

// The smallest power of two that is at least n (1 for n <= 1).
inline int64_t MerkleWidth(int64_t n) {
  int64_t width = 1;
  while (width < n) width *= 2;
  return width;
}

// Reduces nodes (at most `width` of them, width a power of two) to the root of a tree of width
// nodes, where the missing nodes are `pad`. Combine(left, right) hashes the 64 bytes of a pair.
// nodes is used as scratch space.
template <typename Combine>
Sha256Digest ReduceToRoot(std::vector<Sha256Digest>& nodes, int64_t width, Sha256Digest pad, Combine&& combine) {
  if (nodes.empty()) nodes.push_back(pad);
  while (width > 1) {
    if (nodes.size() % 2 != 0) nodes.push_back(pad);
    for (size_t i = 0; i < nodes.size() / 2; ++i) nodes[i] = combine(nodes[2 * i], nodes[2 * i + 1]);
    nodes.resize(nodes.size() / 2);
    pad = combine(pad, pad);
    width /= 2;
  }
  return nodes.front();
}

// The root a file's piece layer must reduce to: the layer's hashes padded with the root of a
// piece made only of zero leaves. Uses Qt's SHA-256; the checking threads have their own.
Sha256Digest PieceLayerRoot(const uint8_t* layer, int64_t hashes, int64_t piece_length);

// SHA-256 of the 64 bytes left || right.
Sha256Digest CombineHashes(const Sha256Digest& left, const Sha256Digest& right);

}  // namespace zandrel
