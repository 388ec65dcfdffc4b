#include "check/preflight.h"

#include "check/run_report.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTime>

#include <cerrno>
#include <cstring>

#include "platform/file_identity.h"
#include "platform/file_system.h"
#include "platform/native_file.h"

namespace zandrel {
namespace {

// Every refusal's message names the path refused; the detail is the system's reason or, for a
// download given one level too high, the folder the files seem to be in.
Failure Refuse(const char16_t* key, const QString& path, const QString& detail = QString()) {
  return Failure::Message(FailureKind::kRefused, QString::fromUtf16(key),
                          {{QStringLiteral("%path%"), QDir::toNativeSeparators(path)},
                           {QStringLiteral("%reason%"), detail},
                           {QStringLiteral("%folder%"), QDir::toNativeSeparators(detail)}});
}

// The nearest folder that exists on the way up from path; empty when none does.
QString NearestExistingFolder(const QString& path) {
  QString at = AbsoluteName(path);
  while (!at.isEmpty()) {
    if (FileSize(at) == kDirectorySize) return at;
    if (at == u"/") break;
    const qsizetype slash = at.lastIndexOf(u'/');
    at = slash <= 0 ? QStringLiteral("/") : at.left(slash);
  }
  return QString();
}

// The folder a file would go into, without losing a byte of its name.
QString FolderOf(const QString& path) {
  const QString full = AbsoluteName(path);
  const qsizetype slash = full.lastIndexOf(u'/');
  return slash <= 0 ? QStringLiteral("/") : full.left(slash);
}

// The absolute, clean path with the links of its nearest existing folder resolved; the rest is
// kept as written. Empty when no folder of it exists.
QString RealPathOfNearest(const QString& path) {
  const QString folder = NearestExistingFolder(FolderOf(path));
  QString real = RealPath(folder);
  if (real.isEmpty()) return QString();
  QString rest = path.mid(folder.size());
  if (rest.startsWith(u'/')) rest.remove(0, 1);
  if (!real.endsWith(u'/')) real += u'/';
  return real + rest;
}

bool IsBareName(const QString& value) { return !value.contains(u'/') && !value.contains(QChar(kSeparator)); }

// The report's own refusals: where it may not go and what it may not replace.
Status ReportPlaceProblem(const QString& report, const CheckInputs& inputs) {
  // A link at the report's name puts the report where the link leads, existing or not.
  const QString lands_at = CreationTarget(report);
  if (lands_at.isEmpty()) return Refuse(u"Msg_ReportProblem", report, QStringLiteral("its links lead nowhere"));
  if (IsSameOrInside(report, inputs.download_dir) || IsSameOrInside(lands_at, inputs.download_dir))
    return Refuse(u"Msg_ReportProblem", report, QStringLiteral("it would be inside the download directory"));
  const std::optional<FileIdentity> existing = IdentityOf(report);
  if (!existing) return {};
  if (FileSize(report) == kDirectorySize) return Refuse(u"Msg_ReportProblem", report, QStringLiteral("is a directory"));
  if (IsSpecialFile(report))
    return Refuse(u"Msg_ReportProblem", report, QStringLiteral("is not a regular file"));
  if (existing == IdentityOf(inputs.torrent_path))
    return Refuse(u"Msg_ReportProblem", report, QStringLiteral("is the torrent file"));
  if (!IsZandrelReport(report))
    return Refuse(u"Msg_ReportProblem", report, QStringLiteral("the file exists and is not a report of this program"));
  return {};
}

}  // namespace

Status TorrentFileRefusal(const QString& path) {
  const int64_t size = FileSize(path);
  if (size == kNoFile) return Refuse(u"Msg_NotFound", path);
  if (size == kDirectorySize) return Refuse(u"Msg_IsDirectory", path);
  const QString reason = ReadError(path);
  if (!reason.isEmpty()) return Refuse(u"Msg_CannotRead", path, reason);
  return {};
}

Status DownloadDirRefusal(const QString& dir) {
  const int64_t size = FileSize(dir);
  if (size == kNoFile) return Refuse(u"Msg_NoSuchDirectory", dir);
  if (size != kDirectorySize) return Refuse(u"Msg_NotADirectory", dir);
  // A folder that cannot be listed would make every file "missing", and a repair or an unneeded
  // scan would act on that belief.
  const QString reason = ReadError(dir);
  if (!reason.isEmpty()) return Refuse(u"Msg_CannotRead", dir, reason);
  return {};
}

Status NormaliseIgnorePaths(QStringList& values, const QString& dir) {
  const QString base = AbsoluteName(dir);
  for (QString& value : values) {
    QString path = QDir::fromNativeSeparators(value);
    while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
    if (path.isEmpty() || IsBareName(path)) {
      value = path;
      continue;
    }
    // ".." is taken where the system takes it: from where a link leads, not from the link's name.
    const QString full = AbsoluteName(QDir::isAbsolutePath(path) ? path : base + u'/' + path);
    QString relative;
    if (full.startsWith(base + u'/')) {
      relative = full.mid(base.size() + 1);
    } else {
      // The download directory spelled another way (through a link, or resolved on the way by
      // ".."): relative to its real path. What the value names need not exist yet, so only its
      // nearest existing folder is resolved.
      const QString real = RealPath(base);
      const QString full_real = RealPathOfNearest(full);
      if (!real.isEmpty() && full_real.startsWith(real + u'/')) relative = full_real.mid(real.size() + 1);
    }
    if (relative.isEmpty()) return Refuse(u"Msg_IgnoreOutside", value, dir);
    value = relative.replace(u'/', QChar(kSeparator));
  }
  return {};
}

QString MisplacedDownloadFolder(const TorrentModel& model, const QString& dir) {
  const QString& name = model.TorrentName;
  if (model.SingleFile || name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..") return QString();
  const QString base = WithTrailingSeparator(dir);
  for (const TorrentFileEntry& entry : model.TorrentFiles) {
    if (PathEntryExists(base + entry.RelativePath())) return QString();
  }
  const QString folder = base + name;
  return FileSize(folder) == kDirectorySize ? folder : QString();
}

Status RunLocks::Acquire(const QString& download_dir, const QString& backup_dir) {
  Release();
  switch (download_.Acquire(download_dir)) {
    case FolderLock::Outcome::kLocked: break;
    case FolderLock::Outcome::kHeldElsewhere: return Refuse(u"Msg_CheckRunning", download_dir);
    case FolderLock::Outcome::kFailed: return Refuse(u"Msg_CannotRead", download_dir, ReadError(download_dir));
  }
  const QString backup_folder = NearestExistingFolder(backup_dir);
  if (backup_dir.isEmpty() || backup_folder.isEmpty() || IsSameOrInside(backup_folder, download_dir)) return {};
  if (backup_.Acquire(backup_folder) == FolderLock::Outcome::kHeldElsewhere) {
    Release();
    return Refuse(u"Msg_CheckRunning", backup_folder);
  }
  return {};
}

void RunLocks::Release() {
  backup_.Release();
  download_.Release();
}

bool IsZandrelReport(const QString& path) {
  QFile file;
  if (!OpenNamedFile(file, path, QIODevice::ReadOnly)) return false;
  const QString header = QString::fromUtf8(file.readLine(4096)).trimmed();
  const QString rule = QString::fromUtf8(file.readLine(4096)).trimmed();
  return header.startsWith(QStringLiteral("Zandrel v")) && rule.size() == header.size() &&
         rule == QString(header.size(), u'-');
}

Status CreateReportFile(CheckInputs& inputs) {
  ReportWriter writer;
  if (inputs.report_path.isEmpty()) {
    // Looked at before the folder is made: a refused run leaves no folder behind in the download.
    if (IsSameOrInside(inputs.logs_folder, inputs.download_dir))
      return Refuse(u"Msg_ReportProblem", inputs.logs_folder, QStringLiteral("it would be inside the download directory"));
    if (!CreateDirectories(inputs.logs_folder))
      return Refuse(u"Msg_ReportProblem", inputs.logs_folder, QStringLiteral("the folder cannot be created"));
    const QString path = WithTrailingSeparator(inputs.logs_folder) +
                         ReportFileName(inputs.torrent_path, QDate::currentDate(), QTime::currentTime());
    // Only where it goes: the free name it takes never replaces anything.
    if (IsSameOrInside(path, inputs.download_dir))
      return Refuse(u"Msg_ReportProblem", path, QStringLiteral("it would be inside the download directory"));
    const std::optional<QString> taken = writer.CreateNew(path);
    if (!taken) return Refuse(u"Msg_ReportProblem", path, writer.LastError());
    inputs.report_path = *taken;
    return {};
  }
  const QString& path = inputs.report_path;
  const QString folder = FolderOf(path);
  if (FileSize(folder) != kDirectorySize) return Refuse(u"Msg_ReportProblem", path, QStringLiteral("no such folder ") + folder);
  if (Status placed = ReportPlaceProblem(path, inputs); !placed) return placed;
  if (PathEntryExists(path)) {
    if (!writer.Create(path)) return Refuse(u"Msg_ReportProblem", path, writer.LastError());
    return {};
  }
  // A name taken between the look and the creation is never overwritten.
  QFile file;
  if (!OpenNamedFile(file, path, QIODevice::WriteOnly | QIODevice::NewOnly))
    return Refuse(u"Msg_ReportProblem", path, QString::fromLocal8Bit(std::strerror(errno)));
  return {};
}

Status RunPreflight(const TorrentModel& model, CheckInputs& inputs, RunLocks& locks) {
  if (model.TorrentFiles.empty()) return Refuse(u"Msg_NoFiles", inputs.torrent_path);
  if (Status usable = DownloadDirRefusal(inputs.download_dir); !usable) return usable;
  const QString folder = MisplacedDownloadFolder(model, inputs.download_dir);
  if (!folder.isEmpty()) return Refuse(u"Msg_FolderAboveDownload", inputs.download_dir, folder);
  const bool backups_elsewhere = inputs.options.CreateBackups == 1 || inputs.options.FixMissing == 1;
  if (Status locked = locks.Acquire(inputs.download_dir, backups_elsewhere ? inputs.options.BackupDir : QString());
      !locked) {
    return locked;
  }
  if (Status created = CreateReportFile(inputs); !created) {
    locks.Release();
    return created;
  }
  return {};
}

}  // namespace zandrel
