// What a .torrent's info dictionary says, read structurally: its keys may come in any order, as
// creators that do not sort them write them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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

  std::string_view Text(TextSpan span) const { return std::string_view(text).substr(span.at, span.size); }
};

// Reads the info dictionary of the bencoded document in data. An incomplete or malformed
// document (cut short anywhere, nested too deep) leaves found false. Duplicate paths are renamed
// as clients store them.
InfoDictionary ReadInfoDictionary(std::string_view data);

}  // namespace zandrel
