// zandrel-cli info [--json] TORRENT: what the reader makes of a .torrent file, either as the
// torrent view's text listing or as one JSON object for scripts.
#include <QByteArray>
#include <QString>
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "messages/message_table.h"
#include "platform/file_system.h"
#include "torrent/path_map.h"
#include "torrent/torrent_listing.h"
#include "torrent/torrent_model.h"
#include "torrent/torrent_reader.h"

namespace zandrel {
namespace {

const char kInfoUsage[] =
    "Usage: zandrel-cli info [--json] TORRENT\n"
    "\n"
    "Without --json: the torrent's files as an indented tree with sizes, the same text the torrent\n"
    "view saves (UTF-8; lines end with a line feed here instead of CR LF).\n"
    "With --json: one object {\"piece_length\": N, \"pieces\": M, \"files\": [{\"path\": ..., \"length\": ...}]}\n"
    "with the files in torrent order, \"/\" between path components and padding files left out.\n"
    "Exit status 2 when the torrent cannot be read.\n";

void WriteOut(const QByteArray& bytes) { std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout); }

// A JSON string literal; the text is UTF-8, control characters escaped.
void AppendJsonString(std::string& out, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  out += '"';
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

QByteArray JsonText(const TorrentModel& model) {
  std::string out = "{\"piece_length\": " + std::to_string(model.PieceLength) +
                    ", \"pieces\": " + std::to_string(model.PieceCount()) + ", \"files\": [";
  bool first = true;
  for (const TorrentFileEntry& entry : model.TorrentFiles) {
    out += first ? "\n  {\"path\": " : ",\n  {\"path\": ";
    first = false;
    QString path = entry.RelativePath();
    path.replace(QChar(kSeparator), QChar(u'/'));
    AppendJsonString(out, path);
    out += ", \"length\": " + std::to_string(entry.Length) + "}";
  }
  out += first ? "]}\n" : "\n]}\n";
  return QByteArray::fromStdString(out);
}

QByteArray ListingText(const TorrentModel& model) {
  const QStringList lines = ListingLines(BuildTreeItems(SortedForView(model.TorrentFiles)));
  QByteArray out;
  for (const QString& line : lines) {
    out += line.toUtf8();
    out += '\n';
  }
  return out;
}

}  // namespace

int RunInfoCommand(const QStringList& args) {
  bool json = false;
  QString torrent_path;
  for (const QString& arg : args) {
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      std::fputs(kInfoUsage, stdout);
      return 0;
    }
    if (arg == QLatin1String("--json")) {
      json = true;
    } else if (arg.startsWith(u'-') || !torrent_path.isEmpty()) {
      std::fprintf(stderr, "zandrel-cli info: unexpected argument '%s'\n\n%s", qPrintable(arg), kInfoUsage);
      return 2;
    } else {
      torrent_path = arg;
    }
  }
  if (torrent_path.isEmpty()) {
    std::fputs(kInfoUsage, stderr);
    return 2;
  }
  MessageTable messages(QStringLiteral("lang"));
  messages.InitMessageTable();
  TorrentModel model;
  PathMap ignore_list;
  QString last_status;
  const auto status = [&last_status](const QString& text) { last_status = text; };
  if (ReadTorrent(torrent_path, kLoadModel, model, ignore_list, messages, status) != 1) {
    std::fprintf(stderr, "%s\n", last_status.toUtf8().constData());
    return 2;
  }
  WriteOut(json ? JsonText(model) : ListingText(model));
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace zandrel
