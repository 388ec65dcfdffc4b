// Writing v2-only and hybrid .torrent files with real SHA-256 trees, and spoiling one part at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel::test {

struct V2File {
  std::vector<std::string> path;  // components
  std::string bytes;
};

// The parts of a v2 torrent as they would be written; a test changes one before Build.
struct V2Torrent {
  std::string name = "T";
  int64_t piece_length = 16384;
  std::vector<V2File> files;       // in the order the file tree sorts them
  std::vector<std::string> roots;   // "pieces root" per file (empty for an empty file)
  std::vector<std::string> layers;  // piece layer per file (empty for files of one piece or less)
  bool hybrid = false;
  // A hybrid's v1 part: file lengths as its "files" list gives them (the v2 lengths when empty).
  std::vector<int64_t> v1_lengths;
  std::vector<std::string> v1_names;  // last path component per file (the v2 ones when empty)

  std::string Build() const;
};

std::string Sha256(std::string_view data);
// Roots and layers filled in from the files' bytes, as a creator computes them.
V2Torrent MakeV2Torrent(std::vector<V2File> files, int64_t piece_length, bool hybrid = false);

}  // namespace zandrel::test
