#include "check/stages.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

// The path made of the first `count` separator-ended components of `path`.
QString LeadingComponents(const QString& path, qsizetype count) {
  qsizetype pos = -1;
  for (qsizetype i = 0; i < count; ++i) pos = path.indexOf(QChar(kSeparator), pos + 1);
  return path.left(pos + 1);
}

void WriteUnableToCreate(StageRun& run, const QString& dir) { run.Emit(FolderCreated{dir, false}); }

}  // namespace

QString BackupFolder(const RunContext& run, const QString& relative) {
  return run.backup_marker_folder + run.download_folder_name + QChar(kSeparator) + relative;
}

bool BackupFoldersAreReal(const RunContext& run, const QString& relative_dir) {
  const QString& location = run.backup_marker_folder;
  if (IsSymLink(location.chopped(1))) return false;
  return !ThroughLinkedDirectory(location, BackupFolder(run, relative_dir).mid(location.size()));
}

StepResult PrepareBackupLocation(StageRun& run) {
  bool made = true;
  const QString& location = run.context.backup_marker_folder;
  if (run.disk.FileSize(location) == kNoFile) {
    const qsizetype levels = location.count(QChar(kSeparator));
    for (qsizetype i = 1; i <= levels; ++i) {
      const QString level = LeadingComponents(location, i);
      if (run.disk.FileSize(level) == kNoFile && !run.disk.CreateDirectory(level)) made = false;
    }
  }
  // A marker folder that is a link leads elsewhere: it counts as a location that cannot be made.
  if (IsSymLink(location.chopped(1))) made = false;
  if (!made) {
    WriteUnableToCreate(run, location);
    return StepResult::kFailed;
  }
  const QString folder = BackupFolder(run.context).chopped(1);
  if (run.disk.FileSize(folder) == kNoFile && !run.disk.CreateDirectory(folder)) WriteUnableToCreate(run, folder);
  return StepResult::kDone;
}

StepResult CreateDirectoryPath(StageRun& run, const QString& path, CreateMode mode) {
  // How the deepest level handled so far came out; only a path made to its end is reported made.
  enum class Level { kMade, kStood, kNotMade } last = Level::kMade;
  QString base;
  if (mode == kBackupRelative) base = BackupFolder(run.context);
  const QStringList components = path.split(QChar(kSeparator));
  const qsizetype levels = components.size() - 1;
  // Below a link nothing is created: it would be created wherever the link points.
  bool linked = mode == kBackupRelative && !BackupFoldersAreReal(run.context, QString());
  for (qsizetype i = 0; i < levels; ++i) {
    base += components[i] + QChar(kSeparator);
    if (mode == kBackupRelative && (linked || IsSymLink(base.chopped(1)))) {
      linked = true;
      last = Level::kNotMade;
      continue;
    }
    const int64_t size = run.disk.FileSize(base);
    if (size == kNoFile) {
      if (!run.disk.CreateDirectory(base)) last = Level::kNotMade;
    } else if (size == kDirectorySize) {
      last = Level::kStood;
    }
  }
  const StepResult result = last == Level::kNotMade ? StepResult::kFailed : StepResult::kDone;
  if (mode != kBackupRelative || levels < 1) return result;
  if (last == Level::kMade) {
    run.Emit(FolderCreated{base, true});
  } else if (last == Level::kNotMade) {
    WriteUnableToCreate(run, base);
  }
  return result;
}

}  // namespace zandrel
