#include "check/stage_paths.h"

#include <algorithm>

#include "messages/text.h"
#include "platform/file_system.h"

namespace zandrel {

std::optional<QString> RelativeToDownload(const RunContext& run, const QString& path) {
  if (run.download_dir.isEmpty()) return std::nullopt;
  if (path.startsWith(run.download_dir, kFileNameCase)) return path.mid(run.download_dir.size());
  // Spelled another way: the folder above it that is the download directory itself, if any.
  const auto download = IdentityOf(run.download_dir);
  if (!download) return std::nullopt;
  for (qsizetype cut = path.lastIndexOf(QChar(kSeparator)); cut > 0; cut = path.lastIndexOf(QChar(kSeparator), cut - 1)) {
    if (IdentityOf(path.left(cut)) != download) continue;
    const QString relative = path.mid(cut + 1);
    if (relative.isEmpty()) return std::nullopt;
    return relative;
  }
  return std::nullopt;
}

bool IsNeededPath(const RunContext& run, const QString& path) {
  const std::optional<QString> relative = RelativeToDownload(run, path);
  return relative && run.needed.IsPresent(*relative);
}

QString FileNamePart(const QString& path) { return path.mid(path.lastIndexOf(QChar(kSeparator)) + 1); }

bool IgnoredFile(const RunContext& run, const QString& relative) {
  return run.ignore_list.IsPresent(relative) || run.ignore_list.IsPresent(FileNamePart(relative));
}

bool IgnoredDirectory(const RunContext& run, const QString& relative) {
  // A folder named like the marker holds backups, whichever run made it: this one's, an earlier
  // one's made with another backup folder, or a nested download's own. None is ever unneeded.
  return run.ignore_list.IsPresent(relative) || FileNamePart(relative).compare(kBackupMarker, Qt::CaseInsensitive) == 0;
}

bool IsKeptFile(const RunContext& run, const QString& path) {
  if (run.kept_identities.empty()) return false;
  const std::optional<FileIdentity> identity = IdentityOf(path);
  return identity && std::find(run.kept_identities.begin(), run.kept_identities.end(), *identity) !=
                         run.kept_identities.end();
}

QString WithNameSuffix(const QString& path, const QString& suffix) {
  const QString name = FileNamePart(path);
  return path.left(path.size() - name.size()) + FitName(name, suffix);
}

QString FreeNameBeside(const DiskActions& disk, const QString& path) {
  if (!disk.PathEntryExists(path)) return path;
  const QString name = FileNamePart(path);
  const QString folder = path.left(path.size() - name.size());
  const qsizetype dot = name.lastIndexOf(u'.');
  const QString stem = dot > 0 ? name.left(dot) : name;
  const QString extension = dot > 0 ? name.mid(dot) : QString();
  QString candidate;
  for (int number = 2;; ++number) {
    candidate = folder + FitName(stem, u'_' + QString::number(number) + extension);
    if (!disk.PathEntryExists(candidate)) return candidate;
  }
}

QString UnusedSiblingName(const DiskActions& disk, const QString& path) {
  QString name = WithNameSuffix(path, QStringLiteral(".zandrel-part"));
  for (int i = 1; disk.PathEntryExists(name); ++i) name = WithNameSuffix(path, QStringLiteral(".zandrel-part") + QString::number(i));
  return name;
}

bool MoveReplacing(DiskActions& disk, const QString& from, const QString& to) {
  if (!disk.PathEntryExists(to)) return disk.MoveFile(from, to);
  if (disk.FileSize(to) == kDirectorySize && !IsSymLink(to)) return false;
  const QString aside = UnusedSiblingName(disk, to);
  if (!disk.MoveFile(to, aside)) return false;
  if (!disk.MoveFile(from, to)) {
    disk.MoveFile(aside, to);
    return false;
  }
  disk.DeleteFile(aside);
  return true;
}

}  // namespace zandrel
