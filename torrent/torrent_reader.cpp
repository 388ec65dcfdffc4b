#include "torrent/torrent_reader.h"

#include <QByteArray>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/native_name.h"
#include "torrent/info_dictionary.h"
#include "torrent/input_limits.h"
#include "torrent/torrent_text.h"

namespace zandrel {
namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kHashBytes = 20;

QByteArrayView AsBytes(std::string_view text) { return QByteArrayView(text.data(), static_cast<qsizetype>(text.size())); }

// A piece without a hash could never fail, so a torrent that lacks some would let damaged data pass
// as verified. Surplus hashes are harmless and stay accepted. `total` includes the padding files.
bool EveryPieceHasAHash(const InfoDictionary& info, int64_t total) {
  if (!info.piece_length_found || info.piece_length <= 0) return true;
  const int64_t pieces = total / info.piece_length + (total % info.piece_length != 0 ? 1 : 0);
  return static_cast<int64_t>(info.pieces.size()) / kHashBytes >= pieces;
}

// Lengths no download can have would mislead every later stage (a negative length would make
// trimming cut a file to nothing), and pieces need a piece length to be mapped onto the files.
bool SoundForModel(const InfoDictionary& info) {
  int64_t total = 0;
  for (const InfoFile& file : info.files) {
    if (file.length < 0 || file.length > kInt64Max - total) return false;
    total += file.length;
  }
  if (info.piece_length_found && info.piece_length < 0) return false;
  if (!(info.pieces.size() < kHashBytes || (info.piece_length_found && info.piece_length > 0))) return false;
  return EveryPieceHasAHash(info, total);
}

// A torrent this program cannot read: no info dictionary, a malformed one, or v2 only.
bool Acceptable(const InfoDictionary& info, int mode) {
  if (!info.found || info.invalid) return false;
  for (const InfoFile& file : info.files) {
    if (file.path.size == 0) return false;  // would stand for the download directory itself
  }
  if (info.meta_version >= 2 && !info.pieces_found) return false;
  return mode != kLoadModel || SoundForModel(info);
}

// Every path and each of its directories; false when the text would pass the bound.
bool AddToIgnoreList(const InfoDictionary& info, PathMap& ignore_list) {
  int64_t bytes = 0;
  // Padding files are kept too: a client that writes them needs them again.
  for (const InfoFile& file : info.files) {
    const std::string_view path = info.Text(file.path);
    bytes += static_cast<int64_t>(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
      if (path[i] == kPathSeparator) bytes += static_cast<int64_t>(i);
    }
    if (bytes > kMaxIgnoreTextBytes) return false;
  }
  const QChar separator(kSeparator);
  for (const InfoFile& file : info.files) {
    const QString path = FromUtf8(info.Text(file.path));
    ignore_list.Add(path);
    for (qsizetype i = path.indexOf(separator); i >= 0; i = path.indexOf(separator, i + 1)) {
      ignore_list.Add(path.left(i));
    }
  }
  return true;
}

// Entries in torrent order; padding becomes the zero bytes after the entry before it (or before
// the first entry).
void FillModel(const InfoDictionary& info, TorrentModel& model) {
  std::string_view last_dir_bytes;
  QString last_dir;  // shared by consecutive entries of one directory
  for (const InfoFile& file : info.files) {
    if (file.padding) {
      (model.TorrentFiles.empty() ? model.PadBefore : model.TorrentFiles.back().PadAfter) += file.length;
      model.PaddingPaths.push_back(FromUtf8(info.Text(file.path)));
      continue;
    }
    const std::string_view path = info.Text(file.path);
    const size_t cut = path.rfind(kPathSeparator) + 1;  // 0 when there is no separator
    const std::string_view dir = path.substr(0, cut);
    if (dir != last_dir_bytes) {
      last_dir_bytes = dir;
      last_dir = FromUtf8(dir);
    }
    TorrentFileEntry& entry = model.TorrentFiles.emplace_back();
    entry.Dir = last_dir;
    entry.Name = FromUtf8(path.substr(cut));
    entry.Length = file.length;
    if (file.written.size > 0) entry.AsWritten = DecodeName(AsBytes(info.Text(file.written)));
    if (file.symlink) {
      entry.IsSymlink = true;
      entry.SymlinkTarget = FromUtf8(info.Text(file.target));
    }
  }
  model.TorrentName = FromUtf8(info.Text(info.name));
  model.SingleFile = info.single_file;
  if (info.piece_length_found) model.PieceLength = info.piece_length;
  const auto count = static_cast<int64_t>(info.pieces.size()) / kHashBytes;
  model.PiecesSize = static_cast<int64_t>(info.pieces.size());
  model.PieceHashes.resize(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    std::memcpy(model.PieceHashes[i].data(), info.pieces.data() + i * kHashBytes, kHashBytes);
  }
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
    model.PaddingPaths.clear();
  }
  const InfoDictionary info = ReadInfoDictionary(std::string_view(bytes->constData(), static_cast<size_t>(bytes->size())));
  if (!Acceptable(info, mode) || (mode != kLoadModel && !AddToIgnoreList(info, ignore_list))) {
    show(u"Status_ProcessTorrentError");
    return 0;
  }
  if (mode == kLoadModel) FillModel(info, model);
  return 1;
}

}  // namespace zandrel
