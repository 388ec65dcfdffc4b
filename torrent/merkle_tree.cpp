#include "torrent/merkle_tree.h"

#include <QCryptographicHash>
#include <cstring>

namespace zandrel {

Sha256Digest CombineHashes(const Sha256Digest& left, const Sha256Digest& right) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(QByteArrayView(left.data(), 32));
  hash.addData(QByteArrayView(right.data(), 32));
  Sha256Digest out{};
  std::memcpy(out.data(), hash.resultView().data(), 32);
  return out;
}

Sha256Digest PieceLayerRoot(const uint8_t* layer, int64_t hashes, int64_t piece_length) {
  // The root of a piece of zero leaves: one level per doubling from a block to a piece.
  Sha256Digest pad{};
  for (int64_t span = kMerkleBlockBytes; span < piece_length; span *= 2) pad = CombineHashes(pad, pad);
  std::vector<Sha256Digest> nodes(static_cast<size_t>(hashes));
  for (int64_t i = 0; i < hashes; ++i) std::memcpy(nodes[static_cast<size_t>(i)].data(), layer + 32 * i, 32);
  return ReduceToRoot(nodes, MerkleWidth(hashes), pad, CombineHashes);
}

}  // namespace zandrel
