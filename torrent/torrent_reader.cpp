#include "torrent/torrent_reader.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/native_name.h"
#include "torrent/info_dictionary.h"
#include "torrent/input_limits.h"
#include "torrent/merkle_tree.h"
#include "torrent/torrent_details.h"
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
bool SoundForModel(const InfoDictionary& info, bool v2_only) {
  int64_t total = 0;
  for (const InfoFile& file : info.files) {
    if (file.length < 0 || file.length > kInt64Max - total) return false;
    total += file.length;
  }
  if (info.piece_length_found && info.piece_length < 0) return false;
  if (!(info.pieces.size() < kHashBytes || (info.piece_length_found && info.piece_length > 0))) return false;
  return v2_only || EveryPieceHasAHash(info, total);
}

bool IsV2(const InfoDictionary& info) { return info.meta_version >= 2 && info.file_tree_found; }

// The layer of a file longer than one piece, found by the file's root; empty when there is none.
// The layers are sorted by their roots (see SortLayers), so that a torrent of many files costs
// no more than a search per file.
std::string_view LayerOf(const InfoDictionary& info, std::string_view root) {
  const auto it = std::lower_bound(info.piece_layers.begin(), info.piece_layers.end(), root,
                                   [](const auto& pair, std::string_view key) { return pair.first < key; });
  return it != info.piece_layers.end() && it->first == root ? it->second : std::string_view();
}

// The first of a repeated root counts, as with every repeated key.
void SortLayers(InfoDictionary& info) {
  std::stable_sort(info.piece_layers.begin(), info.piece_layers.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

int64_t PiecesOf(int64_t length, int64_t piece_length) { return length / piece_length + (length % piece_length != 0); }

// Why the v2 part of a torrent cannot be trusted to verify its files; empty when it can. Each
// layer must lead to its root, or a crafted torrent could make damaged data pass.
QStringView V2Problem(const InfoDictionary& info) {
  const int64_t piece_length = info.piece_length;
  if (!info.piece_length_found || piece_length < kMerkleBlockBytes || (piece_length & (piece_length - 1)) != 0 ||
      piece_length > kMaxPieceBufferBytes) {
    return u"Status_TorrentV2PieceLength";
  }
  // Files lie at piece boundaries: the whole stretch, padding included, must be countable.
  int64_t spread = 0;
  std::set<std::string_view> verified;
  for (const InfoFile& file : info.v2_files) {
    if (file.length < 0 || file.length > kInt64Max - spread - piece_length) return u"Status_ProcessTorrentError";
    spread += PiecesOf(file.length, piece_length) * piece_length;
    if (file.length == 0 || file.padding) continue;
    if (file.pieces_root.size() != 32) return u"Status_TorrentV2PiecesRoot";
    if (file.length <= piece_length) continue;
    const std::string_view layer = LayerOf(info, file.pieces_root);
    const int64_t pieces = PiecesOf(file.length, piece_length);
    if (static_cast<int64_t>(layer.size()) != 32 * pieces) return u"Status_TorrentV2PieceLayer";
    // Files of the same content share a layer; each layer is hashed once, or a crafted torrent of
    // many such files would cost one hashing of a large layer per file.
    if (!verified.insert(file.pieces_root).second) continue;
    const Sha256Digest root = PieceLayerRoot(reinterpret_cast<const uint8_t*>(layer.data()), pieces, piece_length);
    if (std::memcmp(root.data(), file.pieces_root.data(), 32) != 0) return u"Status_TorrentV2PieceLayer";
  }
  return {};
}

// A hybrid torrent describes its files twice; clients refuse one whose descriptions differ, since
// the v1 and v2 hashes would then not verify the same data.
bool PartsAgree(const InfoDictionary& info) {
  size_t v2 = 0;
  for (const InfoFile& file : info.files) {
    if (file.padding) continue;
    if (v2 == info.v2_files.size()) return false;
    const InfoFile& other = info.v2_files[v2++];
    if (file.length != other.length || info.Text(file.path) != info.Text(other.path)) return false;
  }
  return v2 == info.v2_files.size();
}

// Why this program cannot read a torrent (a status message key): no info dictionary, a malformed
// one, or an untrustworthy v2 part. Empty when it can. A v2-only torrent's files come from its tree.
QStringView Refusal(InfoDictionary& info, QStringView* v2_problem) {
  if (!info.found || info.invalid) return u"Status_ProcessTorrentError";
  if (info.meta_version >= 2 && !info.pieces_found && !info.file_tree_found) return u"Status_ProcessTorrentError";
  if (IsV2(info)) {
    SortLayers(info);
    const QStringView problem = V2Problem(info);
    // A hybrid torrent's v1 part still verifies every file; only its v2 trees go unused.
    if (!problem.isEmpty() && !info.pieces_found) return problem;
    *v2_problem = problem;
    if (!info.pieces_found) {
      info.files = std::move(info.v2_files);
      info.v2_files.clear();
      info.single_file = info.v2_single_file;
    } else if (!PartsAgree(info)) {
      return u"Status_TorrentV1V2Differ";
    }
  }
  for (const InfoFile& file : info.files) {
    if (file.path.size == 0) return u"Status_ProcessTorrentError";  // would stand for the download directory
  }
  return {};
}

// Each entry's root and layer; a v2-only torrent's entries are spaced as if padded to whole
// pieces, the last one too, as libtorrent lays them out.
void FillV2(const InfoDictionary& info, TorrentModel& model) {
  model.HasV2 = true;
  model.HasV1Pieces = info.pieces_found;
  const std::vector<InfoFile>& tree = info.pieces_found ? info.v2_files : info.files;
  size_t next = 0;
  for (TorrentFileEntry& entry : model.TorrentFiles) {
    while (next < tree.size() && tree[next].padding) ++next;
    if (next == tree.size()) break;
    const InfoFile& file = tree[next++];
    if (!info.pieces_found) {
      entry.PadAfter = (info.piece_length - entry.Length % info.piece_length) % info.piece_length;
    }
    if (file.length == 0 || file.pieces_root.size() != 32) continue;
    entry.HasPiecesRoot = true;
    std::memcpy(entry.PiecesRoot.data(), file.pieces_root.data(), 32);
    if (file.length <= info.piece_length) continue;
    const std::string_view layer = LayerOf(info, file.pieces_root);
    entry.LayerAt = static_cast<int64_t>(model.LayerHashes.size());
    for (size_t at = 0; at + 32 <= layer.size(); at += 32) {
      std::memcpy(model.LayerHashes.emplace_back().data(), layer.data() + at, 32);
    }
  }
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
void FillModel(const InfoDictionary& info, TorrentModel& model, bool v2_usable) {
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
  if (IsV2(info) && v2_usable) FillV2(info, model);
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

Failure ReadFailure(QStringView key) { return Failure::Message(FailureKind::kFailed, key.toString()); }

// The whole file, or why it cannot be a torrent.
Result<QByteArray> TorrentBytes(const QString& path) {
  const int64_t size = FileSize(path);
  if (size == kNoFile) return ReadFailure(u"Status_TorrentNotFound");
  std::optional<QByteArray> bytes;
  if (size > 0 && size <= kMaxTorrentBytes) bytes = ReadWholeFile(path, kMaxTorrentBytes);
  if (!bytes || bytes->isEmpty()) return ReadFailure(u"Status_ProcessTorrentError");
  return std::move(*bytes);
}

std::string_view Document(const QByteArray& bytes) {
  return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

Result<TorrentModel> ReadTorrent(const QString& path, const MessageTable& messages) {
  const Result<QByteArray> bytes = TorrentBytes(path);
  if (!bytes) return bytes.Why();
  const std::string_view document = Document(*bytes);
  InfoDictionary info = ReadInfoDictionary(document);
  QStringView v2_problem;
  QStringView refusal = Refusal(info, &v2_problem);
  if (refusal.isEmpty() && !SoundForModel(info, IsV2(info) && !info.pieces_found)) refusal = u"Status_ProcessTorrentError";
  if (!refusal.isEmpty()) return ReadFailure(refusal);
  TorrentModel model;
  FillModel(info, model, v2_problem.isEmpty());
  if (!v2_problem.isEmpty()) model.V2Problem = messages.MessageText(v2_problem);
  ReadTorrentDetails(document, model.Details);
  return model;
}

Status AddTorrentPaths(const QString& path, PathMap& ignore_list) {
  const Result<QByteArray> bytes = TorrentBytes(path);
  if (!bytes) return bytes.Why();
  InfoDictionary info = ReadInfoDictionary(Document(*bytes));
  QStringView v2_problem;
  QStringView refusal = Refusal(info, &v2_problem);
  if (refusal.isEmpty() && !AddToIgnoreList(info, ignore_list)) refusal = u"Status_ProcessTorrentError";
  if (!refusal.isEmpty()) return ReadFailure(refusal);
  return {};
}

}  // namespace zandrel
