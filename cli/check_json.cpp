#include "cli/check_json.h"

#include <QDir>
#include <algorithm>
#include <cstdint>
#include <optional>

#include "check/piece_layout.h"
#include "check/run_option_table.h"
#include "cli/json_writer.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

QString Slashed(QString relative) { return relative.replace(QChar(kSeparator), QChar(u'/')); }
QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

const char* StateName(EntryState state) {
  switch (state) {
    case EntryState::kNotChecked: return "not_checked";
    case EntryState::kOk: return "ok";
    case EntryState::kMissing: return "missing";
    case EntryState::kWrongSize: return "wrong_size";
    case EntryState::kUnreadable: return "unreadable";
  }
  return "";
}

const char* ActionName(EntryAction action) {
  switch (action) {
    case EntryAction::kNone: return nullptr;
    case EntryAction::kTrimmed: return "trimmed";
    case EntryAction::kDeleted: return "deleted";
    case EntryAction::kSmaller: return "smaller_not_trimmed";
    case EntryAction::kUnableToFix: return "unable_to_fix";
    case EntryAction::kNoSpace: return "no_space_for_backup";
  }
  return nullptr;
}

const char* UnneededName(UnneededAction action) {
  switch (action) {
    case UnneededAction::kReported: return "reported";
    case UnneededAction::kKept: return "kept_not_empty";
    case UnneededAction::kDeleted: return "deleted";
    case UnneededAction::kMoved: return "moved_to_backup";
    case UnneededAction::kDeleteFailed: return "delete_failed";
    case UnneededAction::kMoveFailed: return "move_failed";
  }
  return "";
}

void WriteOptions(JsonWriter& json, const CheckCommandLine& line, const CheckInputs& inputs) {
  const RunOptions& o = line.options;
  json.BeginObject("options");
  for (const RunOptionRow& row : kRunOptionTable) {
    if (row.json_name) json.Bool(row.json_name, o.*row.member == row.json_true_value);
  }
  json.Path("backup_dir", Shown(inputs.options.BackupDir))
      .PathArray("ignore", std::vector<QString>(line.ignore_paths.begin(), line.ignore_paths.end()))
      .PathArray("ignore_torrents", std::vector<QString>(line.ignore_torrents.begin(), line.ignore_torrents.end()))
      .Bool("dry_run", line.dry_run)
      .EndObject();
}

void WriteEntry(JsonWriter& json, const TorrentFileEntry& entry, const EntryRecord& record) {
  json.BeginObject(nullptr, true).Path("path", Slashed(entry.RelativePath())).Int("length", entry.Length);
  json.String("status", QString::fromLatin1(StateName(record.state)));
  json.OptionalInt("size_on_disk", record.size_on_disk < 0 ? std::nullopt : std::optional(record.size_on_disk));
  const char* action = ActionName(record.action);
  json.OptionalString("action", action ? std::optional(QString::fromLatin1(action)) : std::nullopt);
  json.OptionalPath("backup_folder",
                    record.backup_folder.isEmpty() ? std::nullopt : std::optional(Shown(record.backup_folder)));
  if (record.repair_tried) {
    json.BeginObject("repair", true).Path("from", Shown(record.repaired_from));
    json.String("mode", record.repair_copied ? QStringLiteral("copied") : QStringLiteral("moved"));
    json.Bool("done", record.repair_done).Bool("verified", record.repair_verified).EndObject();
  } else {
    json.Null("repair");
  }
  json.EndObject();
}

void WriteFailedPieces(JsonWriter& json, const TorrentModel& model, const RunRecord& record) {
  json.BeginArray("failed_pieces");
  for (const FailedPieceRecord& piece : record.failed_pieces()) {
    std::vector<QString> files;
    for (int i = piece.first; i <= piece.last; ++i) {
      const TorrentFileEntry& entry = model.TorrentFiles[static_cast<size_t>(i)];
      // Only files with data in the piece: neither an empty file nor a link can hold a bad byte.
      if (entry.Length > 0 && !entry.IsSymlink) files.push_back(Slashed(entry.RelativePath()));
    }
    json.BeginObject(nullptr, true).Int("index", piece.index).Int("number", piece.index + 1);
    json.PathArray("files", files).EndObject();
  }
  json.EndArray();
}

double Percent(int64_t part, int64_t whole) { return whole > 0 ? 100.0 * double(part) / double(whole) : 100.0; }

// The same by v2 hash trees: the bytes are the files' own, without the spacing between them.
void WriteV2Completeness(JsonWriter& json, const CheckOutcome& o) {
  int64_t files = 0, complete_files = 0, bytes = 0, bad_bytes = 0, pieces = 0, bad_pieces = 0;
  for (const V2FileRecord& file : o.record.v2_files()) {
    const size_t entry = static_cast<size_t>(file.entry);
    ++files;
    bytes += o.model.TorrentFiles[entry].Length;
    bad_bytes += file.bytes_failed;
    pieces += file.pieces;
    bad_pieces += file.failed;
    if (file.failed == 0 && entry < o.result.found.size() && o.result.found[entry] != 0) ++complete_files;
  }
  json.Int("files_complete", complete_files).Int("files", files)
      .Double("files_percent", Percent(complete_files, files), 1)
      .Int("bytes_complete", bytes - bad_bytes).Int("bytes", bytes)
      .Double("bytes_percent", Percent(bytes - bad_bytes, bytes), 1)
      .Int("pieces_complete", pieces - bad_pieces).Int("pieces", pieces)
      .Double("pieces_percent", Percent(pieces - bad_pieces, pieces), 1).EndObject();
}

// Each file's verdict by its own tree; only when the run verified v2 trees.
void WriteV2Files(JsonWriter& json, const CheckOutcome& o) {
  if (!o.record.verified_v2()) return;
  json.BeginArray("v2_files");
  for (const V2FileRecord& file : o.record.v2_files()) {
    const TorrentFileEntry& entry = o.model.TorrentFiles[static_cast<size_t>(file.entry)];
    json.BeginObject(nullptr, true).Path("path", Slashed(entry.RelativePath())).Int("pieces", file.pieces);
    json.Int("failed", file.failed).Double("percent", Percent(file.pieces - file.failed, file.pieces), 1).EndObject();
  }
  json.EndArray();
}

// Files found with the right size and in no failed piece; the files' own bytes (never padding)
// and the pieces, less those of the failed pieces. Each figure means the same for a v1 and a v2
// verification. Without a hash check that went through every piece only the files found with the
// right size are known.
void WriteCompleteness(JsonWriter& json, const CheckOutcome& o) {
  const int64_t files = static_cast<int64_t>(o.model.TorrentFiles.size());
  const bool hashed = o.line.options.HashCheck == 1 && !o.result.counters.Cancelled && o.result.counters.PiecesVerified;
  json.BeginObject("completeness").Bool("verified_by_hash", hashed);
  if (!hashed) {
    const int64_t found = std::count(o.result.found.begin(), o.result.found.end(), uint8_t{1});
    json.Int("files_complete", found).Int("files", files).Double("files_percent", Percent(found, files), 1);
    json.Null("bytes_complete").Null("bytes").Null("bytes_percent");
    json.Null("pieces_complete").Null("pieces").Null("pieces_percent").EndObject();
    return;
  }
  if (o.record.verified_v2()) return WriteV2Completeness(json, o);
  std::vector<bool> bad(o.model.TorrentFiles.size(), false);
  int64_t total_bytes = 0;
  for (const TorrentFileEntry& entry : o.model.TorrentFiles) {
    // Lengths come from the torrent: the sum saturates rather than wraps.
    if (__builtin_add_overflow(total_bytes, std::max<int64_t>(0, entry.Length), &total_bytes)) total_bytes = INT64_MAX;
  }
  // Without a piece length there are no pieces to fail.
  std::optional<PieceLayout> layout;
  if (o.model.PieceLength > 0) layout.emplace(o.model, o.model.PieceLength);
  int64_t bad_bytes = 0;
  for (const FailedPieceRecord& piece : o.record.failed_pieces()) {
    for (int i = piece.first; i <= piece.last; ++i) {
      // Neither an empty file nor a link holds a byte of the piece (a v2 verification names neither).
      const TorrentFileEntry& entry = o.model.TorrentFiles[static_cast<size_t>(i)];
      if (entry.Length > 0 && !entry.IsSymlink) bad[static_cast<size_t>(i)] = true;
    }
    // A hash beyond the end of the data covers no bytes.
    if (layout && piece.index < layout->PieceCount()) bad_bytes += layout->FileBytesIn(piece.index);
  }
  // Complete: on disk with the right size and in no failed piece. A missing empty file fails no
  // piece, and is still not there.
  int64_t complete_files = 0;
  for (size_t i = 0; i < bad.size(); ++i) {
    if (!bad[i] && i < o.result.found.size() && o.result.found[i] != 0) ++complete_files;
  }
  const int64_t pieces = o.model.PieceCount();
  const int64_t good_pieces = pieces - static_cast<int64_t>(o.record.failed_pieces().size());
  const int64_t good_bytes = std::max<int64_t>(0, total_bytes - bad_bytes);
  json.Int("files_complete", complete_files).Int("files", files)
      .Double("files_percent", Percent(complete_files, files), 1)
      .Int("bytes_complete", good_bytes).Int("bytes", total_bytes)
      .Double("bytes_percent", Percent(good_bytes, total_bytes), 1)
      .Int("pieces_complete", good_pieces).Int("pieces", pieces)
      .Double("pieces_percent", Percent(good_pieces, pieces), 1).EndObject();
}

void WriteUnneeded(JsonWriter& json, const RunRecord& record) {
  json.BeginArray("unneeded");
  for (const UnneededRecord& item : record.unneeded()) {
    json.BeginObject(nullptr, true).Path("path", Shown(item.path));
    json.String("type", item.directory ? QStringLiteral("directory") : QStringLiteral("file"));
    json.String("action", QString::fromLatin1(UnneededName(item.action)));
    json.OptionalPath("moved_to", item.moved_to.isEmpty() ? std::nullopt : std::optional(Shown(item.moved_to)));
    json.EndObject();
  }
  json.EndArray();
}

void WriteCounters(JsonWriter& json, const RunCounters& c) {
  json.BeginObject("counters")
      .Int("correct_files", c.CorrectFiles).Int("missing_files", c.MissingFiles)
      .Int("wrong_sized_files", c.WrongSizedFiles).Int("padded_files", c.PaddedFiles)
      .Int("trimmed_files", c.TrimmedFiles).Int("deleted_wrong_sized_files", c.DeletedWrongSized)
      .Int("fixed_files", c.FixedFiles).Int("unneeded_files", c.UnneededFiles)
      .Int("unneeded_directories", c.UnneededDirs).Int("deleted_unneeded_files", c.DeletedFiles)
      .Int("deleted_unneeded_directories", c.DeletedDirs).Int("unreadable_files", c.UnreadableFiles)
      .Bool("piece_failed", c.PieceFailed)
      .Bool("trim_failed", c.TrimFailed).Bool("cancelled", c.Cancelled)
      .EndObject();
}

}  // namespace

std::string CheckJson(const CheckOutcome& o) {
  JsonWriter json;
  json.BeginObject().Path("torrent", Shown(FullPathName(o.line.torrent))).Path("directory", Shown(o.inputs.download_dir));
  WriteOptions(json, o.line, o.inputs);
  json.BeginArray("entries");
  const std::vector<EntryRecord>& records = o.record.entries();
  for (size_t i = 0; i < o.model.TorrentFiles.size(); ++i) {
    WriteEntry(json, o.model.TorrentFiles[i], i < records.size() ? records[i] : EntryRecord());
  }
  json.EndArray();
  WriteFailedPieces(json, o.model, o.record);
  WriteCompleteness(json, o);
  WriteV2Files(json, o);
  WriteUnneeded(json, o.record);
  WriteCounters(json, o.result.counters);
  json.String("status", o.status).Path("report", Shown(o.result.report_path)).Int("exit_status", o.exit_status);
  return json.EndObject().Text();
}

}  // namespace zandrel
