#include "app/torrent_listing_file.h"

#include <QFileInfo>

#include "platform/file_system.h"

namespace zandrel {

QString DefaultListingName(const QString& torrent_path) {
  const QString name = QFileInfo(torrent_path).fileName();
  const qsizetype dot = name.lastIndexOf(u'.');
  return (dot < 0 ? name : name.left(dot)) + QStringLiteral(".txt");
}

ListingSaved SaveTorrentListing(const QString& path, const std::vector<TreeItem>& items) {
  const QStringList lines = ListingLines(items);
  if (lines.isEmpty()) return ListingSaved::kNothingTicked;
  QByteArray bytes;
  for (const QString& line : lines) {
    bytes += line.toUtf8();
    bytes += "\r\n";
  }
  return WriteWholeFile(path, bytes) ? ListingSaved::kWritten : ListingSaved::kNotCreated;
}

}  // namespace zandrel
