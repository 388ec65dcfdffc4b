#include "platform/path_recovery.h"

#include <QByteArray>

#include "platform/file_system.h"
#include "platform/native_name.h"

namespace zandrel {
namespace {

// The one name in the folder that displays as `shown`; empty when none or several do.
QString NameShownAs(const QString& folder, const QString& shown) {
  const std::optional<std::vector<DirEntry>> entries = ListDirectory(folder.isEmpty() ? QStringLiteral("/") : folder);
  if (!entries) return QString();
  QString found;
  for (const DirEntry& entry : *entries) {
    if (DisplayName(entry.name) != shown) continue;
    if (!found.isEmpty()) return QString();
    found = entry.name;
  }
  return found;
}

}  // namespace

QString RecoverPath(const QString& path) {
  if (path.isEmpty() || !path.contains(QChar(0xFFFD)) || PathEntryExists(path)) return path;
  const QChar separator(kSeparator);
  const QStringList parts = path.split(separator);
  QString at = parts.first();  // "" for an absolute path
  for (qsizetype i = 1; i < parts.size(); ++i) {
    const QString& part = parts[i];
    QString name = part;
    if (!part.isEmpty() && part.contains(QChar(0xFFFD)) && !PathEntryExists(at + separator + part)) {
      name = NameShownAs(at, part);
      if (name.isEmpty()) return path;
    }
    at += separator + name;
  }
  return at;
}

QString LocalPathOfUrl(const QUrl& url) {
  if (!url.isLocalFile()) return QString();
  const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
  const QString exact = DecodeName(QByteArray::fromPercentEncoding(encoded));
  return exact.isEmpty() ? url.toLocalFile() : exact;
}

}  // namespace zandrel
