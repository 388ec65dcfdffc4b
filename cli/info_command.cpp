// zandrel-cli info [--json] TORRENT: what a .torrent file holds, either as text (the details
// torrent users look for, then the torrent view's listing) or as one JSON object for scripts.
#include <QByteArray>
#include <QCommandLineParser>
#include <QDateTime>
#include <QString>
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "cli/input_checks.h"
#include "cli/json_writer.h"
#include "cli/option_table.h"
#include "messages/failure_text.h"
#include "messages/message_table.h"
#include "messages/text.h"
#include "platform/file_system.h"
#include "torrent/torrent_listing.h"
#include "torrent/torrent_model.h"
#include "torrent/torrent_reader.h"

namespace zandrel {
namespace {

const OptionRow kInfoOptions[] = {
    {"json", nullptr, "one object with the keys piece_length, pieces, files (each\n"
                      "{\"path\", \"length\"}, in torrent order, \"/\" between path\n"
                      "components, padding files left out, a symbolic link with\n"
                      "\"symlink\": its target, a v2 file with \"pieces_root\"),\n"
                      "name, total_size, file_count, meta_version, info_hash,\n"
                      "info_hash_v2, private, created_by, creation_date, comment,\n"
                      "trackers (a list of tiers) and web_seeds"},
};

std::string InfoUsage() {
  return "Usage: zandrel-cli info [--json] TORRENT\n"
         "\n"
         "Without --json: name, total size, file count, pieces, info-hashes, private flag, creator,\n"
         "creation date, comment, trackers and web seeds, then the files as an indented tree with sizes\n"
         "(the text the torrent view saves). Control characters in the torrent's texts are shown\n"
         "escaped (\\n, \\x1b), so that no torrent can forge a line or drive the terminal.\n"
         "\n" +
         OptionsHelp(kInfoOptions) +
         "\n"
         "'--' ends the options, so that a TORRENT may begin with '-'.\n"
         "Exit status 2 when the torrent cannot be read.\n";
}

void WriteOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

int64_t TotalSize(const TorrentModel& model) {
  int64_t total = 0;
  for (const TorrentFileEntry& entry : model.TorrentFiles) {
    // A torrent can claim lengths near 2^63: the total stops at the largest value.
    total = entry.Length > INT64_MAX - total ? INT64_MAX : total + entry.Length;
  }
  return total;
}

QString HumanSize(int64_t bytes) {
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  if (bytes < 1024) return QStringLiteral("%1 bytes").arg(bytes);
  double value = double(bytes);
  int unit = -1;
  while (value >= 1024.0 && unit < 5) {
    value /= 1024.0;
    ++unit;
  }
  return QStringLiteral("%1 %2").arg(value, 0, 'f', 2).arg(QLatin1String(kUnits[unit]));
}

QString DateText(int64_t seconds) {
  return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"));
}

std::string JsonText(const TorrentModel& model, const TorrentDetails& meta) {
  JsonWriter json;
  json.BeginObject().Int("piece_length", model.PieceLength).Int("pieces", model.PieceCount()).BeginArray("files");
  for (const TorrentFileEntry& entry : model.TorrentFiles) {
    QString path = entry.RelativePath();
    path.replace(QChar(kSeparator), QChar(u'/'));
    json.BeginObject(nullptr, true).Path("path", path).Int("length", entry.Length);
    if (entry.IsSymlink) json.String("symlink", QString(entry.SymlinkTarget).replace(QChar(kSeparator), QChar(u'/')));
    if (entry.HasPiecesRoot) json.String("pieces_root", HexDigest(entry.PiecesRoot));
    json.EndObject();
  }
  json.EndArray().String("name", meta.name).Int("total_size", TotalSize(model));
  json.Int("file_count", static_cast<int64_t>(model.TorrentFiles.size()));
  json.Int("meta_version", meta.meta_version);
  json.OptionalString("info_hash", meta.info_hash_v1.isEmpty() ? std::nullopt : std::optional(meta.info_hash_v1));
  json.OptionalString("info_hash_v2", meta.info_hash_v2.isEmpty() ? std::nullopt : std::optional(meta.info_hash_v2));
  json.Bool("private", meta.is_private).OptionalString("created_by", meta.created_by);
  json.OptionalInt("creation_date", meta.creation_date).OptionalString("comment", meta.comment);
  json.BeginArray("trackers");
  for (const std::vector<QString>& tier : meta.tracker_tiers) json.StringArray(nullptr, tier);
  json.EndArray().StringArray("web_seeds", meta.web_seeds).EndObject();
  return json.Text();
}

// Every text comes from the torrent, whose author could have put escape sequences or line breaks
// in it to drive the terminal or forge a line: control characters are shown escaped.
void AddLine(std::string& out, const char* label, const QString& value) {
  out += label;
  out += ShownText(value).toStdString();
  out += '\n';
}

std::string DetailsText(const TorrentModel& model, const TorrentDetails& meta) {
  std::string out;
  const int64_t total = TotalSize(model);
  AddLine(out, "Name: ", meta.name);
  AddLine(out, "Size: ", total < 1024 ? HumanSize(total) : HumanSize(total) + QStringLiteral(" (%1 bytes)").arg(total));
  AddLine(out, "Files: ", QString::number(model.TorrentFiles.size()));
  AddLine(out, "Pieces: ", QStringLiteral("%1 of %2").arg(model.PieceCount()).arg(HumanSize(model.PieceLength)) +
                               (model.PieceLength < 1024 ? QString() : QStringLiteral(" (%1 bytes)").arg(model.PieceLength)));
  AddLine(out, "Meta version: ", QString::number(meta.meta_version) +
                                    (model.HasV2 && model.HasV1Pieces ? QStringLiteral(" (hybrid: v1 and v2)") : QString()));
  if (!meta.info_hash_v1.isEmpty()) AddLine(out, "Info hash: ", meta.info_hash_v1);
  if (!meta.info_hash_v2.isEmpty()) AddLine(out, "Info hash v2: ", meta.info_hash_v2);
  AddLine(out, "Private: ", meta.is_private ? QStringLiteral("yes") : QStringLiteral("no"));
  if (meta.created_by) AddLine(out, "Created by: ", *meta.created_by);
  if (meta.creation_date) AddLine(out, "Created on: ", DateText(*meta.creation_date));
  if (meta.comment) AddLine(out, "Comment: ", *meta.comment);
  for (size_t tier = 0; tier < meta.tracker_tiers.size(); ++tier) {
    for (const QString& url : meta.tracker_tiers[tier]) AddLine(out, "Tracker: ", QStringLiteral("tier %1 %2").arg(tier + 1).arg(url));
  }
  for (const QString& url : meta.web_seeds) AddLine(out, "Web seed: ", url);
  out += "\nFiles:\n";
  for (const QString& line : ListingLines(BuildTreeItems(SortedForView(model.TorrentFiles)))) AddLine(out, "", line);
  if (model.HasV2) {
    // Each file's whole-content identity: two files with the same root hold the same bytes.
    out += "\nPieces roots:\n";
    for (const TorrentFileEntry& entry : model.TorrentFiles) {
      if (!entry.HasPiecesRoot) continue;
      AddLine(out, "", HexDigest(entry.PiecesRoot) + QStringLiteral("  ") + QString(entry.RelativePath()).replace(QChar(kSeparator), QChar(u'/')));
    }
  }
  return out;
}

int InfoError(const QString& path, const QString& message) {
  std::fprintf(stderr, "zandrel-cli info: %s: %s\n", Bytes(path).c_str(), Bytes(message).c_str());
  return 2;
}

int InfoUsageError(const QString& problem) {
  std::fprintf(stderr, "zandrel-cli info: %s\n\n%s", Bytes(problem).c_str(), InfoUsage().c_str());
  return 2;
}

// Parses the arguments; 0 when they are complete, -1 after the help, otherwise the exit status.
int ParseInfoArgs(const QStringList& args, bool* json, QString* torrent_path) {
  QCommandLineParser parser;
  QString error, unknown;
  if (!ParseOptions(kInfoOptions, args, parser, &error, &unknown)) {
    return InfoUsageError(unknown.isEmpty() ? error : QStringLiteral("%1 '%2'").arg(error, unknown));
  }
  if (parser.isSet(QStringLiteral("help"))) {
    std::fputs(InfoUsage().c_str(), stdout);
    return -1;
  }
  *json = parser.isSet(QStringLiteral("json"));
  const QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) return InfoUsageError(QStringLiteral("no TORRENT given"));
  if (positional.size() > 1) {
    return InfoUsageError(QStringLiteral("surplus argument '%1' (only one TORRENT is read)").arg(positional[1]));
  }
  *torrent_path = positional[0];
  return 0;
}

}  // namespace

int RunInfoCommand(const QStringList& args) {
  bool json = false;
  QString torrent_path;
  if (const int status = ParseInfoArgs(args, &json, &torrent_path)) return status < 0 ? 0 : status;
  const QString problem = TorrentFileProblem(torrent_path);
  if (!problem.isEmpty()) return InfoError(torrent_path, problem);
  MessageTable messages(QStringLiteral("lang"));
  messages.InitMessageTable();
  const Result<TorrentModel> read = ReadTorrent(torrent_path, messages);
  if (!read) return InfoError(torrent_path, FailureText(read.Why(), messages));
  const TorrentModel& model = *read;
  // What check refuses, info refuses too.
  if (model.TorrentFiles.empty()) return InfoError(torrent_path, QStringLiteral("the torrent lists no files"));
  WriteOut(json ? JsonText(model, model.Details) : DetailsText(model, model.Details));
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace zandrel
