#include "torrent/torrent_reader.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "torrent/input_limits.h"
#include "torrent/path_component.h"

namespace zandrel {
namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();
constexpr int64_t kHashBytes = 20;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What one read found; handed to the model or the ignore list only when the read succeeds.
struct ScanOutput {
  bool info_found = false;
  bool invalid = false;  // a value no sound model can hold (negative sizes, sizes that overflow)
  bool pieces_found = false;
  bool piece_length_found = false;
  int64_t piece_length = 0;
  int64_t pieces_size = 0;
  int64_t meta_version = 0;
  int64_t pad_before = 0;
  std::vector<TorrentFileEntry> files;
  std::vector<Sha1Digest> hashes;
  std::vector<QString> ignore_paths;
};

// The byte scanner: walks the file once, recognising the key patterns of the info dictionary and
// reading the value after each one straight from the bytes.
class TorrentScanner {
 public:
  TorrentScanner(std::string_view data, bool load_model) : data_(data), load_model_(load_model) {}

  ScanOutput Run();

 private:
  enum class Current { kNone, kEntry, kPadding };

  int64_t size() const { return static_cast<int64_t>(data_.size()); }
  bool Matches(int64_t at, std::string_view pattern) const;
  int64_t Find(int64_t from, char c) const;
  int64_t Number(int64_t begin, int64_t end) const;
  void Stop() { stopped_ = true; }

  void Pass();
  void FileStart();
  bool MatchFileDictStart(int64_t at, int64_t* after_key, bool* padding) const;
  bool ReadShortString(int64_t* at, int64_t limit, std::string_view* text) const;
  bool SkipShortInteger(int64_t* at, int64_t limit) const;
  bool SkipValue(int64_t at, int64_t* end) const;
  void BeginFile(bool padding);
  void StoreLength(int64_t length);
  void PathOrName();
  bool ReadComponents(std::string& joined);
  void StorePath(std::string& joined);
  void PieceFields();
  void ReadPieceLength();
  void ReadPieces();
  void ReadMetaVersion();

  std::string_view data_;
  bool load_model_;
  int64_t pos_ = 0;
  bool stopped_ = false;
  bool path_seen_ = false;
  bool name_mode_ = false;
  Current current_ = Current::kNone;
  int64_t total_bytes_ = 0;   // file lengths and padding, which must fit in 64 bits together
  int64_t ignore_bytes_ = 0;  // text bound for the ignore list so far
  std::string last_dir_bytes_;
  QString last_dir_;          // shared by consecutive entries of one directory
  ScanOutput out_;
};

ScanOutput TorrentScanner::Run() {
  // The first pass always runs; patterns starting in the last 15 bytes are not looked for after it.
  do {
    Pass();
    ++pos_;
  } while (!stopped_ && pos_ < size() - 15);
  return std::move(out_);
}

bool TorrentScanner::Matches(int64_t at, std::string_view pattern) const {
  const auto n = static_cast<int64_t>(pattern.size());
  if (at < 0 || at > size() - n) return false;
  for (int64_t i = 0; i < n; ++i) {
    if (LowerAscii(data_[at + i]) != pattern[i]) return false;
  }
  return true;
}

int64_t TorrentScanner::Find(int64_t from, char c) const {
  if (from < 0 || from >= size()) return -1;
  const void* hit = std::memchr(data_.data() + from, c, size() - from);
  return hit ? static_cast<const char*>(hit) - data_.data() : -1;
}

// The number spelled by data[begin, end): leading spaces and tabs, an optional sign, then decimal
// digits up to the first other byte; no digits give 0, and values too large saturate.
int64_t TorrentScanner::Number(int64_t begin, int64_t end) const {
  int64_t i = begin;
  while (i < end && (data_[i] == ' ' || data_[i] == '\t')) ++i;
  bool negative = false;
  if (i < end && (data_[i] == '-' || data_[i] == '+')) negative = data_[i++] == '-';
  uint64_t value = 0;
  const uint64_t limit = negative ? uint64_t{1} << 63 : static_cast<uint64_t>(kInt64Max);
  for (; i < end && IsDigit(data_[i]); ++i) {
    const uint64_t digit = data_[i] - '0';
    value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
  }
  if (!negative) return static_cast<int64_t>(value);
  return value == limit ? kInt64Min : -static_cast<int64_t>(value);
}

void TorrentScanner::Pass() {
  if (Matches(pos_, ":infod")) {
    out_.info_found = true;
    pos_ += 5;  // onto the "d" that opens the info dictionary
  }
  if (!out_.info_found) return;
  FileStart();
  if (!stopped_) PathOrName();
  if (!stopped_) PieceFields();
}

// A file's length: a file dictionary, or the single file of an info dictionary whose v2 file tree
// was stepped over.
void TorrentScanner::FileStart() {
  int64_t after_key = 0;
  bool padding = false;
  if (Matches(pos_, "9:file tree")) {
    // The v2 tree repeats every file with "d6:length" patterns of its own: step over it whole.
    int64_t end = 0;
    if (!SkipValue(pos_ + 11, &end)) return Stop();
    pos_ = end;
    if (!Matches(pos_, "6:length")) return;
    after_key = pos_ + 8;
  } else if (!MatchFileDictStart(pos_, &after_key, &padding)) {
    return;
  }
  BeginFile(padding);
  pos_ = after_key + 1;  // past the "i" of the integer
  const int64_t e = Find(pos_, 'e');
  if (e < 0) return Stop();
  StoreLength(Number(pos_, e));
  pos_ = e + 1;
}

// "d" + (short key/value pairs whose keys sort before "length") + "6:length" at `at`. Sets
// *after_key to the byte after "6:length" and *padding when an "attr" value holds "p".
bool TorrentScanner::MatchFileDictStart(int64_t at, int64_t* after_key, bool* padding) const {
  if (at >= size() || LowerAscii(data_[at]) != 'd') return false;
  const int64_t limit = std::min(size(), at + 1 + kMaxPreLengthBytes);
  int64_t p = at + 1;
  *padding = false;
  while (!Matches(p, "6:length")) {
    std::string_view key;
    if (!ReadShortString(&p, limit, &key)) return false;
    std::string lower_key(key);
    std::transform(lower_key.begin(), lower_key.end(), lower_key.begin(), LowerAscii);
    if (lower_key >= "length") return false;
    if (p < limit && data_[p] == 'i') {
      if (!SkipShortInteger(&p, limit)) return false;
      continue;
    }
    std::string_view value;
    if (!ReadShortString(&p, limit, &value)) return false;
    if (lower_key == "attr" && value.find('p') != std::string_view::npos) *padding = true;
  }
  *after_key = p + 8;
  return true;
}

// A complete bencoded string inside [*at, limit); moves *at past it.
bool TorrentScanner::ReadShortString(int64_t* at, int64_t limit, std::string_view* text) const {
  int64_t p = *at;
  int64_t length = 0;
  for (; p < limit && IsDigit(data_[p]); ++p) {
    length = length * 10 + (data_[p] - '0');
    if (length > kMaxPreLengthBytes) return false;
  }
  if (p == *at || p >= limit || data_[p] != ':' || length > limit - p - 1) return false;
  *text = data_.substr(p + 1, length);
  *at = p + 1 + length;
  return true;
}

// A complete bencoded integer inside [*at, limit); moves *at past it.
bool TorrentScanner::SkipShortInteger(int64_t* at, int64_t limit) const {
  int64_t p = *at + 1;
  if (p < limit && data_[p] == '-') ++p;
  const int64_t digits = p;
  while (p < limit && IsDigit(data_[p])) ++p;
  if (p == digits || p >= limit || data_[p] != 'e') return false;
  *at = p + 1;
  return true;
}

// Steps over one complete bencoded value starting at `at`, without recursion. False when the
// value is malformed or runs past the end.
bool TorrentScanner::SkipValue(int64_t at, int64_t* end) const {
  int64_t depth = 0;
  do {
    if (at >= size()) return false;
    const char c = data_[at];
    if (c == 'd' || c == 'l') {
      ++depth;
      ++at;
    } else if (c == 'e') {
      if (depth == 0) return false;
      --depth;
      ++at;
    } else if (c == 'i') {
      const int64_t e = Find(at + 1, 'e');
      if (e < 0) return false;
      at = e + 1;
    } else {
      int64_t length = 0;
      const int64_t digits = at;
      for (; at < size() && IsDigit(data_[at]); ++at) length = std::min(size(), length * 10 + (data_[at] - '0'));
      if (at == digits || at >= size() || data_[at] != ':' || length > size() - at - 1) return false;
      at += 1 + length;
    }
  } while (depth > 0);
  *end = at;
  return true;
}

void TorrentScanner::BeginFile(bool padding) {
  current_ = padding ? Current::kPadding : Current::kEntry;
  if (!padding && load_model_) out_.files.emplace_back();
}

void TorrentScanner::StoreLength(int64_t length) {
  if (!load_model_) return;
  if (length < 0 || length > kInt64Max - total_bytes_) {
    out_.invalid = true;
    return Stop();
  }
  total_bytes_ += length;
  if (current_ == Current::kEntry) out_.files.back().Length = length;
  // Padding: zero bytes in the piece stream after the file before it (or before the first file).
  else if (out_.files.empty()) out_.pad_before += length;
  else out_.files.back().PadAfter += length;
}

void TorrentScanner::PathOrName() {
  const bool is_path = Matches(pos_, "4:path");
  if (!is_path && (path_seen_ || !Matches(pos_, "4:name"))) return;
  if (is_path) {
    pos_ += 7;  // past the pattern and the "l" that opens the list
    path_seen_ = true;
  } else {
    pos_ += 6;
    name_mode_ = true;
  }
  std::string joined;
  if (ReadComponents(joined)) StorePath(joined);
}

// Reads components up to the end of the list (a name is one component). False when the data
// ends inside them; the scan stops there.
bool TorrentScanner::ReadComponents(std::string& joined) {
  // A component's length always starts with a digit, so an "e" here can only close the list,
  // whatever key follows it.
  while (name_mode_ || pos_ >= size() || LowerAscii(data_[pos_]) != 'e') {
    const int64_t colon = Find(pos_, ':');
    const int64_t n = colon < 0 ? -1 : Number(pos_, colon);
    if (n < 0 || n > size() - colon - 1) {
      Stop();
      return false;
    }
    pos_ = colon + 1;
    const size_t mark = joined.size();
    if (!joined.empty()) joined += static_cast<char>(kSeparator);
    if (!AppendCleanComponent(data_.substr(pos_, n), joined)) joined.resize(mark);
    pos_ += n;
    if (name_mode_) break;
  }
  return true;
}

void TorrentScanner::StorePath(std::string& joined) {
  if (joined.empty()) joined.push_back('_');
  // A path before any file, or the path of a padding file, belongs to no entry.
  if (current_ != Current::kEntry) return;
  if (!load_model_) {
    ignore_bytes_ += static_cast<int64_t>(joined.size());
    for (size_t i = 0; i < joined.size(); ++i) {
      if (joined[i] == static_cast<char>(kSeparator)) ignore_bytes_ += static_cast<int64_t>(i);
    }
    if (ignore_bytes_ > kMaxIgnoreTextBytes) {
      out_.invalid = true;
      return Stop();
    }
    out_.ignore_paths.push_back(QString::fromUtf8(joined.data(), static_cast<qsizetype>(joined.size())));
    return;
  }
  const size_t separator = joined.rfind(static_cast<char>(kSeparator));
  const size_t cut = separator == std::string::npos ? 0 : separator + 1;
  const std::string_view dir(joined.data(), cut);
  if (dir != last_dir_bytes_) {
    last_dir_bytes_.assign(dir);
    last_dir_ = QString::fromUtf8(dir.data(), static_cast<qsizetype>(dir.size()));
  }
  TorrentFileEntry& entry = out_.files.back();
  entry.Dir = last_dir_;
  entry.Name = QString::fromUtf8(joined.data() + cut, static_cast<qsizetype>(joined.size() - cut));
}

void TorrentScanner::PieceFields() {
  if (Matches(pos_, "12:piece length")) {
    ReadPieceLength();
  } else if (Matches(pos_, "12:meta version")) {
    ReadMetaVersion();
  } else if (Matches(pos_, "12:piece layers")) {
    // v2 hashes after the info dictionary: binary data that must not be scanned for patterns.
    int64_t end = 0;
    if (!SkipValue(pos_ + 15, &end)) return Stop();
    pos_ = end - 1;  // the pass's step lands on the first byte after the value
  }
}

void TorrentScanner::ReadPieceLength() {
  pos_ += 16;  // past the pattern and the "i"
  const int64_t colon = Find(pos_, ':');
  if (colon < 0) return Stop();
  // The bytes up to the colon end with the integer's "e" and the one-digit length of the next key.
  const int64_t piece_length = Number(pos_, std::max(pos_, colon - 2));
  if (piece_length < 0 && load_model_) {
    out_.invalid = true;
    return Stop();
  }
  out_.piece_length = piece_length;
  out_.piece_length_found = true;
  out_.pieces_size = 0;
  out_.hashes.clear();
  pos_ = colon + 1;
  if (Matches(pos_, "pieces")) ReadPieces();
}

// The hashes are stepped over 20 bytes at a time, never scanned. Whatever part of the pieces
// string the file really holds is what counts, so the model's piece count always matches its
// hashes.
void TorrentScanner::ReadPieces() {
  pos_ += 6;
  const int64_t colon = Find(pos_, ':');
  if (colon < 0) return Stop();
  const int64_t declared = Number(pos_, colon);
  pos_ = colon + 1;
  const int64_t available = size() - pos_;
  out_.pieces_found = true;
  out_.pieces_size = std::clamp<int64_t>(declared, 0, available);
  const int64_t count = out_.pieces_size / kHashBytes;
  out_.hashes.clear();
  if (load_model_) {
    out_.hashes.resize(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
      std::memcpy(out_.hashes[i].data(), data_.data() + pos_ + i * kHashBytes, kHashBytes);
    }
  }
  pos_ += count * kHashBytes;
  if (declared > available) Stop();
}

void TorrentScanner::ReadMetaVersion() {
  pos_ += 16;  // past the pattern and the "i"
  const int64_t e = Find(pos_, 'e');
  if (e < 0) return Stop();
  out_.meta_version = Number(pos_, e);
  pos_ = e;  // the pass's step lands on the key after the integer ("4:name" in a single-file torrent)
}

// Hands a successful read over: entries and hashes to the model, or paths to the ignore list.
void Commit(ScanOutput& scan, int mode, TorrentModel& model, PathMap& ignore_list) {
  if (mode != kLoadModel) {
    const QChar separator(kSeparator);
    for (const QString& path : scan.ignore_paths) {
      ignore_list.Add(path);
      for (qsizetype i = path.indexOf(separator); i >= 0; i = path.indexOf(separator, i + 1)) {
        ignore_list.Add(path.left(i));
      }
    }
    return;
  }
  model.TorrentFiles.insert(model.TorrentFiles.end(), std::make_move_iterator(scan.files.begin()),
                            std::make_move_iterator(scan.files.end()));
  model.PieceHashes = std::move(scan.hashes);
  if (scan.piece_length_found) {
    model.PieceLength = scan.piece_length;
    model.PiecesSize = scan.pieces_size;
  }
  model.PadBefore = scan.pad_before;
}

// Pieces that cannot be mapped onto the files, or a torrent this program cannot read yet (v2
// only), make the read fail as a whole.
bool Acceptable(const ScanOutput& scan, int mode) {
  if (!scan.info_found || scan.invalid) return false;
  // A file whose path never came would stand for the download directory itself.
  for (const TorrentFileEntry& entry : scan.files) {
    if (entry.Name.isEmpty()) return false;
  }
  if (scan.meta_version >= 2 && !scan.pieces_found) return false;
  if (mode == kLoadModel && !scan.hashes.empty() && scan.piece_length <= 0) return false;
  return true;
}

}  // namespace

int ReadTorrent(const QString& path, int mode, TorrentModel& model, PathMap& ignore_list,
                const MessageTable& messages, const StatusCallback& status) {
  auto show = [&](QStringView key) {
    if (status) status(messages.MessageText(key));
  };
  const int64_t size = FileSize(path);
  if (size == -1) {
    show(u"Status_TorrentNotFound");
    return 0;
  }
  std::optional<QByteArray> bytes;
  if (size > 0 && size <= kMaxTorrentBytes) bytes = ReadWholeFile(path, kMaxTorrentBytes);
  if (!bytes || bytes->isEmpty()) {
    show(u"Status_ProcessTorrentError");
    return 0;
  }
  show(u"Status_ProcessTorrent");
  if (mode == kLoadModel) {
    // The hashes and the piece count go together, so a failed read never leaves a count that
    // belongs to another torrent.
    model.PieceHashes.clear();
    model.PiecesSize = 0;
    model.PadBefore = 0;
  }
  const std::string_view data(bytes->constData(), static_cast<size_t>(bytes->size()));
  ScanOutput scan = TorrentScanner(data, mode == kLoadModel).Run();
  bytes.reset();
  if (!Acceptable(scan, mode)) {
    show(u"Status_ProcessTorrentError");
    return 0;
  }
  Commit(scan, mode, model, ignore_list);
  return 1;
}

}  // namespace zandrel
