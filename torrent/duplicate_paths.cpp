#include "torrent/duplicate_paths.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "torrent/bencode.h"

namespace zandrel {
namespace {

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
    for (size_t i = static_cast<size_t>(hash ^ (hash >> 29)) & mask;; i = (i + 1) & mask) {
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

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = bencode::LowerAscii(c);
  return folded;
}

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
  std::unordered_set<std::string> taken;
  for (const std::string_view path : paths) {
    for (size_t i = path.find(separator); i != std::string::npos; i = path.find(separator, i + 1)) {
      taken.insert(Folded(path.substr(0, i)));
    }
  }
  for (size_t index = 0; index < paths.size(); ++index) {
    if (taken.insert(Folded(paths[index])).second) continue;
    std::string candidate;
    int number = 0;
    do {
      candidate = Numbered(paths[index], separator, ++number);
    } while (!taken.insert(Folded(candidate)).second);
    renames.emplace_back(index, std::move(candidate));
  }
  return renames;
}

}  // namespace zandrel
