// What a .torrent's info dictionary says, read structurally: its keys may come in any order, as
// creators that do not sort them write them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zandrel {

// Texts are spans of InfoDictionary::text, so that a torrent of many files costs no allocation
// per file.
// (A torrent of more than 4 GiB is never loaded.)
struct TextSpan {
  uint32_t at = 0;
  uint32_t size = 0;
};

struct InfoFile {
  TextSpan path;       // cleaned components joined by the separator (UTF-8)
  int64_t length = 0;  // 0 for a symbolic link (attribute "l"): it holds no bytes of any piece
  bool padding = false;
  bool symlink = false;
  TextSpan target;     // a link's target, relative to the download directory, like path
  // The path exactly as the torrent writes it (its raw bytes), when cleaning changed it and every
  // component is still a name the file system takes; size 0 otherwise.
  TextSpan written;
  std::string_view pieces_root;  // BitTorrent v2: the file's tree root, inside the document
};

struct InfoDictionary {
  bool found = false;    // the document has an info dictionary
  bool invalid = false;  // a value of the wrong type, a file without length or path
  std::vector<InfoFile> files;
  std::string text;  // every path and link target, back to back
  bool piece_length_found = false;
  int64_t piece_length = 0;
  bool pieces_found = false;
  std::string_view pieces;  // the raw pieces string, inside the document's bytes
  int64_t meta_version = 0;
  TextSpan name;             // the torrent's own name, cleaned as one path component
  bool single_file = false;  // no file list: the torrent's name is its one file
  // BitTorrent v2: the "file tree" in its own order, and the top-level "piece layers" as pairs of
  // a pieces root and its layer, both inside the document's bytes.
  bool file_tree_found = false;
  bool v2_single_file = false;  // the tree's one file stands at its top
  std::vector<InfoFile> v2_files;
  std::vector<std::pair<std::string_view, std::string_view>> piece_layers;

  std::string_view Text(TextSpan span) const { return std::string_view(text).substr(span.at, span.size); }
};

// Reads the info dictionary of the bencoded document in data. An incomplete or malformed
// document (cut short anywhere, nested too deep) leaves found false. Duplicate paths are renamed
// as clients store them.
InfoDictionary ReadInfoDictionary(std::string_view data);

}  // namespace zandrel
