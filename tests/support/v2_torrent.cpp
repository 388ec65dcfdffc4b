#include "tests/support/v2_torrent.h"

#include <openssl/sha.h>

#include <algorithm>
#include <map>
#include <utility>

#include "tests/support/bencode.h"

namespace zandrel::test {
namespace {

constexpr int64_t kBlock = 16384;

// The root of a tree over `leaves`, padded with `pad` hashes to `width` leaves (a power of two).
std::string MerkleRoot(std::vector<std::string> leaves, size_t width, const std::string& pad) {
  leaves.resize(width, pad);
  std::string level_pad = pad;
  while (leaves.size() > 1) {
    std::vector<std::string> up;
    for (size_t i = 0; i < leaves.size(); i += 2) up.push_back(Sha256(leaves[i] + leaves[i + 1]));
    leaves = std::move(up);
  }
  return leaves.front();
}

size_t PowerOfTwoAtLeast(size_t n) {
  size_t width = 1;
  while (width < n) width *= 2;
  return width;
}

// The zero hash of a whole piece-sized subtree, which pads the piece layer's own tree.
std::string PadPieceHash(int64_t piece_length) {
  std::string hash(32, '\0');
  for (int64_t span = kBlock; span < piece_length; span *= 2) hash = Sha256(hash + hash);
  return hash;
}

// The file tree, nested by path component; a file is the entry under the empty key.
struct Node {
  std::map<std::string, Node> children;
  std::string leaf;
};

std::string Encode(const Node& node) {
  std::vector<std::pair<std::string, std::string>> items;
  for (const auto& [key, child] : node.children) items.emplace_back(key, Encode(child));
  if (!node.leaf.empty()) items.insert(items.begin(), {"", node.leaf});
  return BDict(items);
}

std::string FileTree(const V2Torrent& t) {
  Node root;
  for (size_t i = 0; i < t.files.size(); ++i) {
    Node* node = &root;
    for (const std::string& component : t.files[i].path) node = &node->children[component];
    std::vector<std::pair<std::string, std::string>> leaf = {{"length", BInt(static_cast<int64_t>(t.files[i].bytes.size()))}};
    if (!t.roots[i].empty()) leaf.emplace_back("pieces root", BStr(t.roots[i]));
    node->leaf = BDict(leaf);
  }
  return Encode(root);
}

// The v1 "files" list and "pieces" of a hybrid: every file but the last padded to a piece boundary.
std::pair<std::string, std::string> V1Part(const V2Torrent& t) {
  std::vector<std::string> list;
  std::string stream;
  for (size_t i = 0; i < t.files.size(); ++i) {
    std::vector<std::string> path;
    for (size_t c = 0; c < t.files[i].path.size(); ++c) {
      const bool last = c + 1 == t.files[i].path.size();
      path.push_back(BStr(last && !t.v1_names.empty() ? t.v1_names[i] : t.files[i].path[c]));
    }
    const int64_t length = t.v1_lengths.empty() ? static_cast<int64_t>(t.files[i].bytes.size()) : t.v1_lengths[i];
    list.push_back(BDict({{"length", BInt(length)}, {"path", BList(path)}}));
    stream += t.files[i].bytes;
    const int64_t pad = (t.piece_length - static_cast<int64_t>(stream.size()) % t.piece_length) % t.piece_length;
    if (pad > 0 && i + 1 < t.files.size()) {
      list.push_back(BDict({{"attr", BStr("p")}, {"length", BInt(pad)},
                            {"path", BList({BStr(".pad"), BStr(std::to_string(pad))})}}));
      stream += std::string(static_cast<size_t>(pad), '\0');
    }
  }
  return {BList(list), PiecesFor(stream, t.piece_length)};
}

}  // namespace

std::string Sha256(std::string_view data) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
  return std::string(reinterpret_cast<const char*>(digest), SHA256_DIGEST_LENGTH);
}

V2Torrent MakeV2Torrent(std::vector<V2File> files, int64_t piece_length, bool hybrid) {
  V2Torrent t;
  t.piece_length = piece_length;
  t.hybrid = hybrid;
  for (const V2File& file : files) {
    std::vector<std::string> blocks;
    for (size_t at = 0; at < file.bytes.size(); at += kBlock) blocks.push_back(Sha256(file.bytes.substr(at, kBlock)));
    std::string root, layer;
    const size_t per_piece = static_cast<size_t>(piece_length / kBlock);
    if (blocks.size() <= per_piece) {
      if (!blocks.empty()) root = MerkleRoot(blocks, PowerOfTwoAtLeast(blocks.size()), std::string(32, '\0'));
    } else {
      std::vector<std::string> pieces;
      for (size_t at = 0; at < blocks.size(); at += per_piece) {
        std::vector<std::string> part(blocks.begin() + static_cast<ptrdiff_t>(at),
                                      blocks.begin() + static_cast<ptrdiff_t>(std::min(at + per_piece, blocks.size())));
        pieces.push_back(MerkleRoot(part, per_piece, std::string(32, '\0')));
        layer += pieces.back();
      }
      root = MerkleRoot(pieces, PowerOfTwoAtLeast(pieces.size()), PadPieceHash(piece_length));
    }
    t.roots.push_back(root);
    t.layers.push_back(layer);
  }
  t.files = std::move(files);
  return t;
}

std::string V2Torrent::Build() const {
  std::vector<std::pair<std::string, std::string>> info = {{"file tree", FileTree(*this)}};
  if (hybrid) info.emplace_back("files", V1Part(*this).first);
  info.emplace_back("meta version", BInt(2));
  info.emplace_back("name", BStr(name));
  info.emplace_back("piece length", BInt(piece_length));
  if (hybrid) info.emplace_back("pieces", BStr(V1Part(*this).second));
  std::vector<std::pair<std::string, std::string>> layer_items;
  for (size_t i = 0; i < files.size(); ++i) {
    if (!layers[i].empty()) layer_items.emplace_back(roots[i], BStr(layers[i]));
  }
  std::sort(layer_items.begin(), layer_items.end());
  return BDict({{"announce", BStr("http://tracker.invalid/announce")}, {"info", BDict(info)},
                {"piece layers", BDict(layer_items)}});
}

}  // namespace zandrel::test
