#include "platform/file_system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <vector>

#include "platform/file_copy.h"
#include "platform/native_file.h"
#include "platform/native_name.h"

namespace zandrel {
namespace {

QByteArray Native(const QString& path) { return EncodeName(path); }

bool MoveLinkAcrossVolumes(const QByteArray& from, const QByteArray& to) {
  std::vector<char> target(4096);
  ssize_t n = ::readlink(from.constData(), target.data(), target.size() - 1);
  if (n < 0) return false;
  target[n] = 0;
  if (::symlink(target.data(), to.constData()) != 0) return false;
  if (::unlink(from.constData()) != 0) {
    ::unlink(to.constData());
    return false;
  }
  return true;
}

}  // namespace

int64_t FileSize(const QString& path) {
  if (path.isEmpty()) return -1;
  struct stat st {};
  if (::stat(Native(path).constData(), &st) != 0) return -1;
  if (S_ISDIR(st.st_mode)) return -2;
  return static_cast<int64_t>(st.st_size);
}

bool IsSymLink(const QString& path) {
  struct stat st {};
  return ::lstat(Native(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool ThroughLinkedDirectory(const QString& base, const QString& relative_dir) {
  QString path = WithTrailingSeparator(base);
  for (const QString& component : relative_dir.split(QChar(kSeparator), Qt::SkipEmptyParts)) {
    path += component;
    if (IsSymLink(path)) return true;
    path += QChar(kSeparator);
  }
  return false;
}

bool PathFits(const QString& path) { return Native(path).size() < PATH_MAX; }

bool PathEntryExists(const QString& path) {
  struct stat st {};
  return !path.isEmpty() && ::lstat(Native(path).constData(), &st) == 0;
}

std::optional<std::vector<DirEntry>> ListDirectory(const QString& dir) {
  QByteArray native = Native(dir);
  DIR* handle = ::opendir(native.isEmpty() ? "." : native.constData());
  if (!handle) return std::nullopt;
  std::vector<DirEntry> entries;
  while (dirent* e = ::readdir(handle)) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (::fstatat(::dirfd(handle), name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    EntryKind kind = EntryKind::kOther;
    if (type == DT_DIR) kind = EntryKind::kDirectory;
    else if (type == DT_REG || type == DT_LNK) kind = EntryKind::kFile;
    entries.push_back({DecodeName(name), kind});
  }
  ::closedir(handle);
  return entries;
}

bool DeleteFile(const QString& path) {
  struct stat st {};
  QByteArray native = Native(path);
  if (::lstat(native.constData(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(native.constData()) == 0;
}

bool CreateDirectory(const QString& path) { return ::mkdir(Native(path).constData(), 0777) == 0; }

bool CreateDirectories(const QString& path) {
  const QString full = FullPathName(path);
  for (qsizetype cut = 0; cut >= 0;) {
    cut = full.indexOf(QChar(kSeparator), cut + 1);
    const QString level = cut < 0 ? full : full.left(cut);
    if (FileSize(level) == -1) CreateDirectory(level);
  }
  return FileSize(full) == -2;
}

bool RemoveDirectory(const QString& path) { return ::rmdir(Native(path).constData()) == 0; }

bool MoveFile(const QString& from, const QString& to) {
  QByteArray src = Native(from), dst = Native(to);
  struct stat st {};
  if (::lstat(src.constData(), &st) != 0) return false;
  if (PathEntryExists(to)) return false;
  if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0) return true;
  int err = errno;
  if (err == EINVAL || err == ENOSYS) {
    // File systems without no-replace renames: the existence test above is the guard.
    if (::rename(src.constData(), dst.constData()) == 0) return true;
    err = errno;
  }
  if (err != EXDEV) return false;
  if (S_ISLNK(st.st_mode)) return MoveLinkAcrossVolumes(src, dst);
  if (!S_ISREG(st.st_mode)) return false;
  // Nothing cancels a move: it ends once the file is complete at its new place.
  const std::atomic<int> never_cancelled{0};
  if (SyncedCopy(from, to, st.st_size, never_cancelled) != StepResult::kDone) return false;
  if (::unlink(src.constData()) != 0) {
    ::unlink(dst.constData());
    return false;
  }
  return true;
}

void MakeWritable(const QString& path) {
  struct stat st {};
  QByteArray native = Native(path);
  if (::lstat(native.constData(), &st) != 0 || S_ISLNK(st.st_mode)) return;
  if (!(st.st_mode & S_IWUSR)) ::chmod(native.constData(), (st.st_mode & 07777) | S_IWUSR);
}

QString FullPathName(const QString& path) {
  if (path.isEmpty()) return QDir::currentPath();
  return AbsoluteName(path);
}

QString DriveText(const QString& path) {
  QString probe = FullPathName(path);
  while (!probe.isEmpty() && !PathEntryExists(probe)) {
    int cut = probe.lastIndexOf(QChar(kSeparator));
    if (cut <= 0) {
      probe = cut == 0 ? QString(QChar(kSeparator)) : QString();
      break;
    }
    probe.truncate(cut);
  }
  if (probe.isEmpty()) return QString();
  QStorageInfo info(probe);
  return info.isValid() ? info.rootPath() : QString();
}

int64_t DriveFreeSpace(const QString& drive) {
  if (drive.isEmpty()) return -1;
  QStorageInfo info(drive);
  if (!info.isValid() || !info.isReady()) return -1;
  return info.bytesAvailable();
}

std::optional<QByteArray> ReadWholeFile(const QString& path, int64_t max_bytes) {
  // Opened without blocking and checked on the open handle: a FIFO or a device standing at the
  // path must be refused, not waited on, and nothing can be swapped in between check and read.
  const int fd = ::open(Native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > max_bytes) {
    ::close(fd);
    return std::nullopt;
  }
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return std::nullopt;
  }
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError || bytes.size() > max_bytes) return std::nullopt;
  return bytes;
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

QString WithTrailingSeparator(const QString& path) {
  if (path.isEmpty() || path.endsWith(QChar(kSeparator))) return path;
  return path + QChar(kSeparator);
}

}  // namespace zandrel
