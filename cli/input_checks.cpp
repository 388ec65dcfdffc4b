#include "cli/input_checks.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/native_file.h"

namespace zandrel {

QString TorrentFileProblem(const QString& path) {
  const int64_t size = FileSize(path);
  if (size == -1) return QStringLiteral("not found");
  if (size == -2) return QStringLiteral("is a directory");
  QFile file;
  if (!OpenNamedFile(file, path, QIODevice::ReadOnly)) {
    return errno == EACCES ? QStringLiteral("permission denied") : QString::fromLocal8Bit(std::strerror(errno));
  }
  return QString();
}

QString DownloadDirProblem(const QString& dir) {
  const int64_t size = FileSize(dir);
  if (size == -1) return QStringLiteral("no such directory");
  if (size != -2) return QStringLiteral("not a directory");
  return QString();
}

QString MisplacedDownloadFolder(const std::vector<TorrentFileEntry>& files, const QString& torrent_name,
                                const QString& dir) {
  if (torrent_name.isEmpty() || torrent_name.contains(u'/') || torrent_name == u"." || torrent_name == u"..") {
    return QString();
  }
  const QString base = WithTrailingSeparator(dir);
  for (const TorrentFileEntry& entry : files) {
    if (PathEntryExists(base + entry.RelativePath())) return QString();
  }
  const QString folder = base + torrent_name;
  return FileSize(folder) == -2 ? folder : QString();
}

QString ReportProblem(const QString& report_path, bool create_folder) {
  // Not QFileInfo::absolutePath(): it loses the bytes of a folder name that is not UTF-8.
  const QString full = AbsoluteName(report_path);
  const qsizetype slash = full.lastIndexOf(u'/');
  const QString folder = slash <= 0 ? QStringLiteral("/") : full.left(slash);
  if (create_folder && !QDir().mkpath(folder)) return QStringLiteral("cannot create the folder %1").arg(folder);
  if (FileSize(folder) != -2) return QStringLiteral("no such folder %1").arg(folder);
  if (FileSize(report_path) == -2) return QStringLiteral("%1 is a directory").arg(report_path);
  QFile file;
  // Append creates a missing file without cutting an existing one short.
  if (!OpenNamedFile(file, report_path, QIODevice::WriteOnly | QIODevice::Append)) {
    return QStringLiteral("cannot write %1: %2").arg(report_path, QString::fromLocal8Bit(std::strerror(errno)));
  }
  return QString();
}

}  // namespace zandrel
