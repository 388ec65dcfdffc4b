#include "check/stages.h"
#include "messages/text.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

// The path made of the first `count` separator-ended components of `path`.
QString LeadingComponents(const QString& path, qsizetype count) {
  qsizetype pos = -1;
  for (qsizetype i = 0; i < count; ++i) pos = path.indexOf(QChar(kSeparator), pos + 1);
  return path.left(pos + 1);
}

void WriteUnableToCreate(CheckRun& run, const QString& dir) {
  run.WriteReportLine(FillPlaceholders(run.Text(u"Log_UnableToCreateDirectory"), {{u"%dir%", Quoted(dir)}}));
}

QString LastComponent(const QString& dir) {
  QString text = dir;
  if (text.endsWith(QChar(kSeparator))) text.chop(1);
  const qsizetype cut = text.lastIndexOf(QChar(kSeparator));
  return cut < 0 ? QString() : text.mid(cut + 1);
}

}  // namespace

QString BackupFolder(const CheckRun& run, const QString& relative) {
  return run.backup_marker_folder + run.engine.DownloadFolderName + QChar(kSeparator) + relative;
}

bool BackupFoldersAreReal(const CheckRun& run, const QString& relative_dir) {
  const QString& location = run.backup_marker_folder;
  if (IsSymLink(location.chopped(1))) return false;
  return !ThroughLinkedDirectory(location, BackupFolder(run, relative_dir).mid(location.size()));
}

void PrepareBackupLocation(CheckRun& run, const QString& dir) {
  int& status = run.engine.DirectoryStatus;
  status = 0;
  const QString& location = run.backup_marker_folder;
  if (run.disk.FileSize(location) == -1) {
    const qsizetype levels = location.count(QChar(kSeparator));
    for (qsizetype i = 1; i <= levels; ++i) {
      const QString level = LeadingComponents(location, i);
      if (run.disk.FileSize(level) == -1 && !run.disk.CreateDirectory(level)) status = 1;
    }
  }
  // A marker folder that is a link leads elsewhere: it counts as a location that cannot be made.
  if (IsSymLink(location.chopped(1))) status = 1;
  if (status == 0) {
    run.engine.DownloadFolderName = LastComponent(dir);
    const QString folder = BackupFolder(run).chopped(1);
    if (run.disk.FileSize(folder) == -1 && !run.disk.CreateDirectory(folder)) WriteUnableToCreate(run, folder);
  }
  if (status == 1) WriteUnableToCreate(run, location);
}

void CreateDirectoryPath(CheckRun& run, const QString& path, int mode) {
  int& status = run.engine.DirectoryStatus;
  QString base;
  if (mode == kBackupRelative) base = BackupFolder(run);
  status = 0;
  const QStringList components = path.split(QChar(kSeparator));
  const qsizetype levels = components.size() - 1;
  // Below a link nothing is created: it would be created wherever the link points.
  bool linked = mode == kBackupRelative && !BackupFoldersAreReal(run, QString());
  for (qsizetype i = 0; i < levels; ++i) {
    base += components[i] + QChar(kSeparator);
    if (mode == kBackupRelative && (linked || IsSymLink(base.chopped(1)))) {
      linked = true;
      status = 1;
      continue;
    }
    const int64_t size = run.disk.FileSize(base);
    if (size == -1) {
      if (!run.disk.CreateDirectory(base)) status = 1;
    } else if (size == -2) {
      status = -2;
    }
  }
  if (mode != kBackupRelative || levels < 1) return;
  if (status == 0) {
    run.WriteReportLine(run.Done(FillPlaceholders(run.Text(u"Log_CreatedDirectory"), {{u"%dir%", Quoted(base)}})));
  } else if (status == 1) {
    WriteUnableToCreate(run, base);
  }
}

}  // namespace zandrel
