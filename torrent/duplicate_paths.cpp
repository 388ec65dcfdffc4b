#include "torrent/duplicate_paths.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "torrent/bencode.h"

namespace zandrel {
namespace {

// Where a hash starts its search in a table of mask + 1 slots. The low bits of a hash from Mix owe
// little to the high bytes of its last word, so names that differ only there ("f0000001",
// "f0000002") would crowd into a few slots; these bits depend on every bit of the hash.
size_t SlotOf(uint64_t hash, size_t mask) {
  hash ^= hash >> 32;
  hash *= 0xD6E8FEB86659FD93ull;
  return static_cast<size_t>(hash ^ (hash >> 32)) & mask;
}

// An open-addressing set of 64-bit hashes; 0 marks a free slot, so a hash of 0 is stored as 1.
class HashSet {
 public:
  explicit HashSet(size_t expected) {
    size_t capacity = 16;
    while (capacity < expected * 2) capacity *= 2;
    slots_.assign(capacity, 0);
  }
  // False when the hash was there already.
  bool Insert(uint64_t hash) {
    hash = hash == 0 ? 1 : hash;
    if (count_ * 2 >= slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    for (size_t i = SlotOf(hash, mask);; i = (i + 1) & mask) {
      if (slots_[i] == hash) return false;
      if (slots_[i] == 0) {
        slots_[i] = hash;
        ++count_;
        return true;
      }
    }
  }

 private:
  void Grow() {
    std::vector<uint64_t> old(slots_.size() * 2, 0);
    old.swap(slots_);
    count_ = 0;
    for (const uint64_t hash : old) {
      if (hash != 0) Insert(hash);
    }
  }

  std::vector<uint64_t> slots_;
  size_t count_ = 0;
};

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Eight bytes with the ASCII capitals made small, all at once.
uint64_t FoldWord(uint64_t x) {
  const uint64_t low7 = x & ~kHighBits;
  const uint64_t above_z = low7 + (0x7F - 'Z') * kOnes;
  const uint64_t from_a = low7 + (0x80 - 'A') * kOnes;
  const uint64_t capital = ~x & (from_a ^ above_z) & kHighBits;
  return x | (capital >> 2);
}

uint64_t Mix(uint64_t hash, uint64_t word) {
  hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
  return hash ^ (hash >> 29);
}

// A case-folded hash of one component, eight bytes at a time.
uint64_t ComponentHash(uint64_t parent, std::string_view component) {
  uint64_t hash = Mix(parent, component.size());
  size_t i = 0;
  for (; i + 8 <= component.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, component.data() + i, 8);
    hash = Mix(hash, FoldWord(word));
  }
  if (i < component.size()) {
    uint64_t word = 0;
    std::memcpy(&word, component.data() + i, component.size() - i);
    hash = Mix(hash, FoldWord(word));
  }
  return hash;
}

// Whether any two paths (or a path and a folder) might collide, by case-folded hashes: almost every
// torrent has none, and then no string is copied. A hash collision only sends the read down the
// exact path below. Consecutive files mostly share their folder, which is hashed once for them.
bool MayCollide(const std::vector<std::string_view>& paths, char separator) {
  HashSet taken(paths.size());
  std::vector<uint64_t> file_hashes;
  file_hashes.reserve(paths.size());
  std::string_view last_dir;
  uint64_t dir_hash = 0;
  for (const std::string_view path : paths) {
    const size_t cut = path.rfind(separator) + 1;  // 0 when there is no separator
    const std::string_view dir = path.substr(0, cut);
    if (dir != last_dir || file_hashes.empty()) {
      last_dir = dir;
      dir_hash = 0;
      for (size_t begin = 0; begin < cut;) {
        const size_t end = path.find(separator, begin);
        dir_hash = ComponentHash(dir_hash, path.substr(begin, end - begin));
        taken.Insert(dir_hash);
        begin = end + 1;
      }
    }
    file_hashes.push_back(ComponentHash(dir_hash, path.substr(cut)));
  }
  // Folders were all entered first: a file may take no folder's path, wherever that folder comes.
  for (const uint64_t hash : file_hashes) {
    if (!taken.Insert(hash)) return true;
  }
  return false;
}

bool FoldedEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (bencode::LowerAscii(a[i]) != bencode::LowerAscii(b[i])) return false;
  }
  return true;
}

// Folders and files by case-folded name under their folder. A node stands for its whole path, so a
// folder deep in a crafted torrent costs its own name once, where the text of every folder above it
// would cost the square of the path's length.
class PathTree {
 public:
  static constexpr uint32_t kRoot = 0;

  explicit PathTree(size_t files) : slots_(16, kFree) {
    nodes_.reserve(files + 1);
    nodes_.push_back({kRoot, {}, 0});
  }

  // The node of name in the folder parent, added when there is none; added tells which. name
  // points into the caller's text, which outlives the tree.
  uint32_t Child(uint32_t parent, std::string_view name, bool* added) {
    const uint64_t hash = ComponentHash(nodes_[parent].hash, name);
    uint32_t& slot = Find(parent, name, hash);
    *added = slot == kFree;
    if (*added) slot = Add(parent, name, hash);
    return slot;
  }

  // Adds a name made here (a copy is kept); false when the folder holds it already.
  bool AddCopy(uint32_t parent, std::string_view name) {
    const uint64_t hash = ComponentHash(nodes_[parent].hash, name);
    uint32_t& slot = Find(parent, name, hash);
    if (slot != kFree) return false;
    slot = Add(parent, kept_.emplace_back(name), hash);
    return true;
  }

 private:
  static constexpr uint32_t kFree = 0;  // the root is never in a slot
  struct Node {
    uint32_t parent;
    std::string_view name;
    uint64_t hash;
  };

  // The slot that holds the node, or the free slot where it belongs; room for one more node is
  // made first, so that slot stays valid until it is filled.
  uint32_t& Find(uint32_t parent, std::string_view name, uint64_t hash) {
    if (nodes_.size() * 2 >= slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    size_t i = SlotOf(hash, mask);
    for (; slots_[i] != kFree; i = (i + 1) & mask) {
      const Node& node = nodes_[slots_[i]];
      if (node.hash == hash && node.parent == parent && FoldedEqual(node.name, name)) break;
    }
    return slots_[i];
  }

  uint32_t Add(uint32_t parent, std::string_view name, uint64_t hash) {
    nodes_.push_back({parent, name, hash});
    return static_cast<uint32_t>(nodes_.size() - 1);
  }

  void Grow() {
    std::vector<uint32_t> old(slots_.size() * 2, kFree);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const uint32_t index : old) {
      if (index == kFree) continue;
      size_t i = SlotOf(nodes_[index].hash, mask);
      while (slots_[i] != kFree) i = (i + 1) & mask;
      slots_[i] = index;
    }
  }

  std::vector<Node> nodes_;
  std::vector<uint32_t> slots_;
  std::deque<std::string> kept_;  // never moves its strings, which nodes point into
};

// "dir/name.1.ext" for the path dir/name.ext: the number goes before the last dot of the last
// component (a leading dot counts, so ".hidden" gives ".1.hidden").
std::string Numbered(std::string_view path, char separator, int number) {
  const size_t last = path.rfind(separator);
  const size_t start = last == std::string::npos ? 0 : last + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < start) dot = path.size();
  return std::string(path.substr(0, dot)) + "." + std::to_string(number) + std::string(path.substr(dot));
}

}  // namespace

std::vector<std::pair<size_t, std::string>> DuplicatePathRenames(const std::vector<std::string_view>& paths,
                                                                char separator) {
  std::vector<std::pair<size_t, std::string>> renames;
  if (paths.size() < 2 || !MayCollide(paths, separator)) return renames;
  PathTree tree(paths.size());
  bool added = false;
  // Folders all go in first: a file may take no folder's path, wherever that folder comes.
  std::vector<uint32_t> folders(paths.size());
  std::string_view last_dir;
  uint32_t folder = PathTree::kRoot;
  for (size_t index = 0; index < paths.size(); ++index) {
    const std::string_view path = paths[index];
    const size_t cut = path.rfind(separator) + 1;  // 0 when there is no separator
    if (index == 0 || path.substr(0, cut) != last_dir) {
      last_dir = path.substr(0, cut);
      folder = PathTree::kRoot;
      for (size_t begin = 0; begin < cut;) {
        const size_t end = path.find(separator, begin);
        folder = tree.Child(folder, path.substr(begin, end - begin), &added);
        begin = end + 1;
      }
    }
    folders[index] = folder;
  }
  // The next number to try for a taken path. Names are only ever added, so every lower number is
  // still taken: many files of one path (padding files of creators that name them all alike) cost
  // one try each, not one for every file before them.
  std::unordered_map<uint32_t, int> next_number;
  for (size_t index = 0; index < paths.size(); ++index) {
    const std::string_view path = paths[index];
    const size_t cut = path.rfind(separator) + 1;
    const uint32_t taken = tree.Child(folders[index], path.substr(cut), &added);
    if (added) continue;
    int& number = next_number[taken];
    std::string candidate;
    do {
      candidate = Numbered(path, separator, ++number);
    } while (!tree.AddCopy(folders[index], std::string_view(candidate).substr(cut)));
    renames.emplace_back(index, std::move(candidate));
  }
  return renames;
}

}  // namespace zandrel
