#include "torrent/info_dictionary.h"

#include <utility>

#include "torrent/bencode.h"
#include "torrent/duplicate_paths.h"
#include "torrent/path_component.h"
#include "torrent/torrent_text.h"

namespace zandrel {
namespace {

using bencode::Kind;
using bencode::KeyIs;

// Padding files of creators from before BEP 47 carry this in their path instead of an attribute.
constexpr std::string_view kOldPaddingMarker = "_____padding_file_";
constexpr int64_t kAbsent = -1;
// "d6:lengthi0e4:pathl0:ee"
constexpr size_t kSmallestFileBytes = 23;

// Offsets of the values of one file dictionary, kAbsent for keys it lacks (the first of a
// repeated key counts, as in libtorrent). Paths are joined as they are passed.
struct FileKeys {
  int64_t length = kAbsent;
  int64_t attr = kAbsent;
  int64_t symlink_path = kAbsent;
  bool path_seen = false;
  bool path_utf8_seen = false;
  bool path_sound = false;
  TextSpan path;
  TextSpan written;
};

void Keep(int64_t& slot, int64_t at) {
  if (slot == kAbsent) slot = at;
}

class InfoReader {
 public:
  explicit InfoReader(std::string_view data) : data_(data), walker_(data) {}

  InfoDictionary Read();

 private:
  int64_t ReadInfo(int64_t at);
  void ReadInfoValues(int64_t files_at, int64_t length_at, int64_t name_at, int64_t name_utf8_at);
  void ReadPieceValues(int64_t piece_length_at, int64_t pieces_at, int64_t meta_version_at);
  int64_t ReadFiles(int64_t at);
  int64_t ReadFile(int64_t at);
  int64_t JoinPath(int64_t list_at, TextSpan& span, bool& sound, TextSpan* written = nullptr);
  void JoinComponents(const std::vector<std::string_view>& components, TextSpan& span, bool sound, TextSpan* written);
  void RenameDuplicates(std::vector<InfoFile>& files);
  int64_t ReadPieceLayers(int64_t at);
  int64_t ReadTreeNode(int64_t at, std::vector<std::string_view>& components);
  void ReadTreeFile(int64_t at, const std::vector<std::string_view>& components);
  void KeepWritten(const std::string& raw, bool legal, TextSpan span, TextSpan* written);
  void ReadPathKey(int64_t at, bool utf8, FileKeys& keys, int64_t& end);
  void ReadSingleFile(int64_t length_at, int64_t name_at);
  bool Is(int64_t at, Kind kind) const { return at != kAbsent && walker_.KindAt(at) == kind; }
  void Invalid() { out_.invalid = true; }

  std::string_view data_;
  bencode::Walker walker_;
  InfoDictionary out_;
};

InfoDictionary InfoReader::Read() {
  if (!bencode::ValidateDocument(data_) || walker_.KindAt(0) != Kind::kDictionary) return {};
  // No cleaned text is longer than its encoding, and no file dictionary is shorter than
  // kSmallestFileBytes, so neither is ever copied while it grows. (Large reservations are only
  // address space until they are written.)
  out_.text.reserve(data_.size());
  out_.files.reserve(data_.size() / kSmallestFileBytes + 1);
  bool layers_seen = false;
  walker_.ForEachPair(0, [&](std::string_view key, int64_t at) -> int64_t {
    if (KeyIs(key, "piece layers") && !std::exchange(layers_seen, true)) return ReadPieceLayers(at);
    if (out_.found || !KeyIs(key, "info")) return -1;
    out_.found = walker_.KindAt(at) == Kind::kDictionary;
    out_.invalid = !out_.found;
    // Read as it is passed: the info dictionary is nearly the whole document.
    return out_.found ? ReadInfo(at) : -1;
  });
  if (!out_.found || out_.invalid) return std::move(out_);
  std::vector<std::string_view> paths;
  paths.reserve(out_.files.size());
  RenameDuplicates(out_.files);
  RenameDuplicates(out_.v2_files);
  return std::move(out_);
}

void InfoReader::RenameDuplicates(std::vector<InfoFile>& files) {
  std::vector<std::string_view> paths;
  paths.reserve(files.size());
  for (const InfoFile& file : files) paths.push_back(out_.Text(file.path));
  for (auto& [index, path] : DuplicatePathRenames(paths, kPathSeparator)) {
    files[index].path = {static_cast<uint32_t>(out_.text.size()), static_cast<uint32_t>(path.size())};
    files[index].written = {};  // a renamed file is looked for under its new name only
    out_.text += path;
  }
}

int64_t InfoReader::ReadPieceLayers(int64_t at) {
  if (walker_.KindAt(at) != Kind::kDictionary) return -1;
  return walker_.ForEachPair(at, [&](std::string_view key, int64_t value) -> int64_t {
    // A layer of another kind is no layer; the file that needs it is refused for want of one.
    if (walker_.KindAt(value) == Kind::kString) out_.piece_layers.emplace_back(key, walker_.String(value));
    return -1;
  });
}

// A node of the v2 "file tree": a dictionary of names, each leading to a node, where the name ""
// leads to a file's own dictionary. The document's nesting bound also bounds this recursion.
int64_t InfoReader::ReadTreeNode(int64_t at, std::vector<std::string_view>& components) {
  if (walker_.KindAt(at) != Kind::kDictionary) {
    Invalid();
    return -1;
  }
  return walker_.ForEachPair(at, [&](std::string_view key, int64_t value) -> int64_t {
    if (key.empty()) {
      ReadTreeFile(value, components);
      return -1;
    }
    components.push_back(key);
    const int64_t end = ReadTreeNode(value, components);
    components.pop_back();
    return end;
  });
}

void InfoReader::ReadTreeFile(int64_t at, const std::vector<std::string_view>& components) {
  int64_t length_at = kAbsent, root_at = kAbsent, attr_at = kAbsent;
  if (walker_.KindAt(at) == Kind::kDictionary) {
    walker_.ForEachPair(at, [&](std::string_view key, int64_t value) -> int64_t {
      if (KeyIs(key, "length")) Keep(length_at, value);
      if (KeyIs(key, "pieces root")) Keep(root_at, value);
      if (KeyIs(key, "attr")) Keep(attr_at, value);
      return -1;
    });
  }
  if (components.empty() || !Is(length_at, Kind::kInteger) || (root_at != kAbsent && !Is(root_at, Kind::kString))) {
    return Invalid();
  }
  InfoFile& file = out_.v2_files.emplace_back();
  bool sound = true;
  JoinComponents(components, file.path, sound, &file.written);
  file.length = walker_.Integer(length_at);
  const std::string_view attr = Is(attr_at, Kind::kString) ? walker_.String(attr_at) : std::string_view();
  file.padding = attr.find('p') != std::string_view::npos;
  if (root_at != kAbsent) file.pieces_root = walker_.String(root_at);
}

int64_t InfoReader::ReadInfo(int64_t at) {
  int64_t files_at = kAbsent, length_at = kAbsent, name_at = kAbsent, name_utf8_at = kAbsent;
  int64_t piece_length_at = kAbsent, pieces_at = kAbsent, meta_version_at = kAbsent;
  const int64_t end = walker_.ForEachPair(at, [&](std::string_view key, int64_t value) -> int64_t {
    if (KeyIs(key, "files") && files_at == kAbsent) {
      files_at = value;
      // The file list is read as it is passed, so the largest part of the document is walked once.
      if (walker_.KindAt(value) == Kind::kList) return ReadFiles(value);
    }
    if (KeyIs(key, "length")) Keep(length_at, value);
    if (KeyIs(key, "name")) Keep(name_at, value);
    if (KeyIs(key, "name.utf-8")) Keep(name_utf8_at, value);
    if (KeyIs(key, "piece length")) Keep(piece_length_at, value);
    if (KeyIs(key, "pieces")) Keep(pieces_at, value);
    if (KeyIs(key, "meta version")) Keep(meta_version_at, value);
    if (KeyIs(key, "file tree") && !out_.file_tree_found) {
      out_.file_tree_found = true;
      std::vector<std::string_view> components;
      const int64_t tree_end = ReadTreeNode(value, components);
      // One file at the tree's top is a torrent of one file, saved without a folder.
      out_.v2_single_file = out_.v2_files.size() == 1 && out_.v2_files.front().path.size > 0 &&
                            out_.Text(out_.v2_files.front().path).find(kPathSeparator) == std::string_view::npos;
      return tree_end;
    }
    return -1;
  });
  ReadInfoValues(files_at, length_at, name_at, name_utf8_at);
  ReadPieceValues(piece_length_at, pieces_at, meta_version_at);
  return end;
}

void InfoReader::ReadInfoValues(int64_t files_at, int64_t length_at, int64_t name_at, int64_t name_utf8_at) {
  if (files_at != kAbsent && !Is(files_at, Kind::kList)) Invalid();
  // Older clients wrote "name" in a legacy code page and the UTF-8 form beside it.
  if (Is(name_utf8_at, Kind::kString)) name_at = name_utf8_at;
  if (Is(name_at, Kind::kString)) {
    out_.name.at = static_cast<uint32_t>(out_.text.size());
    if (!AppendCleanComponent(walker_.String(name_at), out_.text)) out_.text.resize(out_.name.at);
    out_.name.size = static_cast<uint32_t>(out_.text.size() - out_.name.at);
  }
  if (files_at == kAbsent && length_at != kAbsent) ReadSingleFile(length_at, name_at);
}

void InfoReader::ReadPieceValues(int64_t piece_length_at, int64_t pieces_at, int64_t meta_version_at) {
  if (piece_length_at != kAbsent) {
    if (!Is(piece_length_at, Kind::kInteger)) return Invalid();
    out_.piece_length_found = true;
    out_.piece_length = walker_.Integer(piece_length_at);
  }
  if (pieces_at != kAbsent) {
    if (!Is(pieces_at, Kind::kString)) return Invalid();
    out_.pieces_found = true;
    out_.pieces = walker_.String(pieces_at);
  }
  if (Is(meta_version_at, Kind::kInteger)) out_.meta_version = walker_.Integer(meta_version_at);
}

int64_t InfoReader::ReadFiles(int64_t at) {
  return walker_.ForEachItem(at, [&](int64_t item) -> int64_t {
    if (walker_.KindAt(item) != Kind::kDictionary) {
      Invalid();
      return -1;
    }
    return ReadFile(item);
  });
}

int64_t InfoReader::ReadFile(int64_t at) {
  FileKeys keys;
  const int64_t end = walker_.ForEachPair(at, [&](std::string_view key, int64_t value) -> int64_t {
    int64_t value_end = -1;
    if (KeyIs(key, "length")) Keep(keys.length, value);
    else if (KeyIs(key, "path")) ReadPathKey(value, false, keys, value_end);
    else if (KeyIs(key, "path.utf-8")) ReadPathKey(value, true, keys, value_end);
    else if (KeyIs(key, "attr")) Keep(keys.attr, value);
    else if (KeyIs(key, "symlink path")) Keep(keys.symlink_path, value);
    return value_end;
  });
  if (!Is(keys.length, Kind::kInteger) || !keys.path_sound) {
    Invalid();
    return end;
  }
  InfoFile& file = out_.files.emplace_back();
  file.path = keys.path;
  file.written = keys.written;
  file.length = walker_.Integer(keys.length);
  const std::string_view attr = Is(keys.attr, Kind::kString) ? walker_.String(keys.attr) : std::string_view();
  file.padding = attr.find('p') != std::string_view::npos ||
                 out_.Text(file.path).find(kOldPaddingMarker) != std::string_view::npos;
  // A link holds no bytes, whatever length it claims; without a target it is an empty file (as
  // libtorrent stores it).
  if (!file.padding && attr.find('l') != std::string_view::npos) {
    file.length = 0;
    if (Is(keys.symlink_path, Kind::kList)) JoinPath(keys.symlink_path, file.target, file.symlink);
  }
  return end;
}

// Older clients wrote "path" in a legacy code page and the UTF-8 form beside it as "path.utf-8",
// which wins whichever comes first.
void InfoReader::ReadPathKey(int64_t at, bool utf8, FileKeys& keys, int64_t& end) {
  bool& seen = utf8 ? keys.path_utf8_seen : keys.path_seen;
  if (seen || walker_.KindAt(at) != Kind::kList) {
    if (!utf8 && !seen) keys.path_seen = true;  // a "path" that is no list makes the file unsound
    return;
  }
  seen = true;
  if (!utf8 && keys.path_utf8_seen) return;
  end = JoinPath(at, keys.path, keys.path_sound, &keys.written);
}

// A component the file system takes exactly as written: Linux refuses only "/", the zero byte,
// "." and ".." and names over 255 bytes.
bool LegalAsWritten(std::string_view raw) {
  return !raw.empty() && raw.size() <= 255 && raw != "." && raw != ".." &&
         raw.find('/') == std::string_view::npos && raw.find('\0') == std::string_view::npos;
}

// Keeps the raw form of a path beside its cleaned form (span) when the two differ.
void InfoReader::KeepWritten(const std::string& raw, bool legal, TextSpan span, TextSpan* written) {
  if (!written || !legal || raw == out_.Text(span)) return;
  *written = {static_cast<uint32_t>(out_.text.size()), static_cast<uint32_t>(raw.size())};
  out_.text += raw;
}

// Appends the cleaned components of a path list to the text; sound is false when the list is
// empty or holds a value that is not a string. Returns the list's end.
int64_t InfoReader::JoinPath(int64_t list_at, TextSpan& span, bool& sound, TextSpan* written) {
  std::vector<std::string_view> components;
  sound = true;
  const int64_t end = walker_.ForEachItem(list_at, [&](int64_t item) -> int64_t {
    if (walker_.KindAt(item) != Kind::kString) {
      sound = false;
      return -1;
    }
    const std::string_view raw = walker_.String(item);
    components.push_back(raw);
    return static_cast<int64_t>(raw.data() - data_.data() + raw.size());
  });
  const bool any = !components.empty() || !sound;
  JoinComponents(components, span, sound, written);
  sound = sound && any;
  return end;
}

// Appends the cleaned components to the text. Components that clean to "." or ".." are dropped;
// a path left empty is "_".
void InfoReader::JoinComponents(const std::vector<std::string_view>& components, TextSpan& span, bool sound,
                                TextSpan* written) {
  std::string& text = out_.text;
  span.at = static_cast<uint32_t>(text.size());
  std::string raw_path;
  bool legal = written != nullptr;
  if (written) *written = {};  // a later "path.utf-8" replaces what "path" gave
  for (const std::string_view raw : components) {
    if (legal) {
      legal = LegalAsWritten(raw);
      if (!raw_path.empty()) raw_path += kPathSeparator;
      raw_path.append(raw);
    }
    const size_t mark = text.size();
    if (mark != span.at) text += kPathSeparator;
    if (!AppendCleanComponent(raw, text)) text.resize(mark);
  }
  if (text.size() == span.at) text += '_';
  span.size = static_cast<uint32_t>(text.size() - span.at);
  KeepWritten(raw_path, legal && sound && !components.empty(), span, written);
}

// A torrent of one file: the torrent's name is the file's name.
void InfoReader::ReadSingleFile(int64_t length_at, int64_t name_at) {
  if (!Is(length_at, Kind::kInteger) || (name_at != kAbsent && !Is(name_at, Kind::kString))) return Invalid();
  InfoFile& file = out_.files.emplace_back();
  out_.single_file = true;
  file.length = walker_.Integer(length_at);
  // A missing name leaves the path empty, and the read is refused.
  if (name_at == kAbsent) return;
  file.path.at = static_cast<uint32_t>(out_.text.size());
  const std::string_view raw = walker_.String(name_at);
  if (!AppendCleanComponent(raw, out_.text) || out_.text.size() == file.path.at) out_.text += '_';
  file.path.size = static_cast<uint32_t>(out_.text.size() - file.path.at);
  KeepWritten(std::string(raw), LegalAsWritten(raw), file.path, &file.written);
}

}  // namespace

InfoDictionary ReadInfoDictionary(std::string_view data) { return InfoReader(data).Read(); }

}  // namespace zandrel
