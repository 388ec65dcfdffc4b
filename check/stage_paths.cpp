#include "check/stage_paths.h"

#include "platform/file_system.h"

namespace zandrel {
namespace {

bool SamePlace(const QString& a, const QString& b) {
  return FullPathName(a).compare(FullPathName(b), kFileNameCase) == 0;
}

}  // namespace

bool RelativeToDownload(const CheckRun& run, const QString& path, QString* relative) {
  if (run.download_dir.isEmpty() || !path.startsWith(run.download_dir, kFileNameCase)) return false;
  *relative = path.mid(run.download_dir.size());
  return true;
}

bool IsNeededPath(const CheckRun& run, const QString& path) {
  QString relative;
  return RelativeToDownload(run, path, &relative) && run.needed_paths.IsPresent(relative);
}

QString FileNamePart(const QString& path) { return path.mid(path.lastIndexOf(QChar(kSeparator)) + 1); }

bool IgnoredFile(const CheckRun& run, const QString& relative) {
  return run.ignore_list.IsPresent(relative) || run.ignore_list.IsPresent(FileNamePart(relative));
}

bool IgnoredDirectory(const CheckRun& run, const QString& relative, const QString& path) {
  if (run.ignore_list.IsPresent(relative)) return true;
  // Cheap test first: only a folder named like the marker can be the backup location.
  return FileNamePart(relative).compare(kBackupMarker, Qt::CaseInsensitive) == 0 &&
         SamePlace(path, run.options.BackupDir);
}

bool IsRunReport(const CheckRun& run, const QString& path) {
  return !run.report_path.isEmpty() && FileNamePart(path) == FileNamePart(run.report_path) &&
         SamePlace(path, run.report_path);
}

QString UnusedSiblingName(const QString& path) {
  QString name = path + QStringLiteral(".zandrel-part");
  for (int i = 1; PathEntryExists(name); ++i) name = path + QStringLiteral(".zandrel-part") + QString::number(i);
  return name;
}

QString UnusedSiblingName(const DiskActions& disk, const QString& path) {
  QString name = path + QStringLiteral(".zandrel-part");
  for (int i = 1; disk.PathEntryExists(name); ++i) name = path + QStringLiteral(".zandrel-part") + QString::number(i);
  return name;
}

bool MoveReplacing(DiskActions& disk, const QString& from, const QString& to) {
  if (!disk.PathEntryExists(to)) return disk.MoveFile(from, to);
  if (disk.FileSize(to) == -2 && !IsSymLink(to)) return false;
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
