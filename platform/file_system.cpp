#include "platform/file_system.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
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
  if (path.isEmpty()) return kNoFile;
  struct stat st {};
  if (::stat(Native(path).constData(), &st) != 0) return kNoFile;
  if (S_ISDIR(st.st_mode)) return kDirectorySize;
  return static_cast<int64_t>(st.st_size);
}

bool IsSpecialFile(const QString& path) {
  struct stat st {};
  if (path.isEmpty() || ::stat(Native(path).constData(), &st) != 0) return false;
  return !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

namespace {

// The system's reason for `error`; empty for nothing there, a file where a folder of the path
// should be, or a path no file can have: missing, not unreadable.
QString ErrorText(int error) {
  if (error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG) return QString();
  return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

QString StatError(const QString& path) {
  struct stat st {};
  if (path.isEmpty() || ::stat(Native(path).constData(), &st) == 0) return QString();
  return ErrorText(errno);
}

QString ReadError(const QString& path) {
  const QString stat_error = StatError(path);
  if (!stat_error.isEmpty()) return stat_error;
  const QByteArray native = Native(path);
  // Only files and folders are opened: opening a device or a FIFO may have effects of its own.
  struct stat kind {};
  if (::stat(native.constData(), &kind) != 0 || !(S_ISREG(kind.st_mode) || S_ISDIR(kind.st_mode))) return QString();
  const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? QString() : QString::fromLocal8Bit(std::strerror(errno));
  struct stat st {};
  int error = 0;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    // A folder that opens may still refuse its listing.
    DIR* handle = ::fdopendir(fd);
    if (!handle) {
      error = errno;
      ::close(fd);
    } else {
      errno = 0;
      if (!::readdir(handle) && errno != 0) error = errno;
      ::closedir(handle);
    }
  } else {
    ::close(fd);
  }
  return error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(error));
}

std::optional<FileIdentity> IdentityOf(const QString& path) {
  struct stat st {};
  if (path.isEmpty() || ::stat(Native(path).constData(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool SamePlace(const QString& a, const QString& b) {
  const auto first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

namespace {

// The mount a path lies on: its device and, where the system tells it, the mount's own number.
std::optional<std::pair<uint64_t, uint64_t>> MountOf(const QString& path) {
  struct statx stx {};
  if (path.isEmpty() || ::statx(AT_FDCWD, Native(path).constData(), 0, STATX_MNT_ID, &stx) != 0) return std::nullopt;
  const uint64_t device = (uint64_t{stx.stx_dev_major} << 32) | stx.stx_dev_minor;
  return std::make_pair(device, (stx.stx_mask & STATX_MNT_ID) ? uint64_t{stx.stx_mnt_id} : uint64_t{0});
}

}  // namespace

bool SameMount(const QString& a, const QString& b) {
  const auto first = MountOf(a);
  return first && first == MountOf(b);
}

int64_t LinkCount(const QString& path) {
  struct stat st {};
  if (::lstat(Native(path).constData(), &st) != 0) return 0;
  return static_cast<int64_t>(st.st_nlink);
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

bool IsRunnableFile(const QString& path) {
  struct stat st {};
  const QByteArray native = Native(path);
  return !path.isEmpty() && ::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
         ::faccessat(AT_FDCWD, native.constData(), X_OK, AT_EACCESS) == 0;
}

bool PathEntryExists(const QString& path) {
  struct stat st {};
  return !path.isEmpty() && ::lstat(Native(path).constData(), &st) == 0;
}

std::optional<std::vector<DirEntry>> ListDirectory(const QString& dir, QString* why) {
  QByteArray native = Native(dir);
  DIR* handle = ::opendir(native.isEmpty() ? "." : native.constData());
  if (!handle) {
    if (why) *why = ErrorText(errno);
    return std::nullopt;
  }
  std::vector<DirEntry> entries;
  // A listing that breaks off (an I/O error) is no listing: a walk would take the missing entries
  // as absent.
  for (errno = 0; dirent* e = ::readdir(handle); errno = 0) {
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
  const int error = errno;
  ::closedir(handle);
  if (error == 0) return entries;
  if (why) *why = ErrorText(error);
  return std::nullopt;
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
    if (FileSize(level) == kNoFile) CreateDirectory(level);
  }
  return FileSize(full) == kDirectorySize;
}

bool RemoveDirectory(const QString& path) { return ::rmdir(Native(path).constData()) == 0; }

bool ReplaceFile(const QString& from, const QString& to) {
  const QByteArray src = Native(from), dst = Native(to);
  struct stat st {};
  if (::lstat(src.constData(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (::lstat(dst.constData(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
  return ::rename(src.constData(), dst.constData()) == 0;
}

namespace {

bool SameVersion(const struct stat& a, const struct stat& b) {
  return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

// Renames on one volume without ever replacing what stands at `to`: 0, or the system's error.
int RenameNoReplace(const QByteArray& from, const QByteArray& to) {
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
  const int error = errno;
  if (error != EINVAL && error != ENOSYS) return error;
  // File systems without no-replace renames: a test just before is the guard.
  struct stat st {};
  if (::lstat(to.constData(), &st) == 0) return EEXIST;
  return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// Makes the names in the folder that holds `path` durable: a rename into it must be on the disk
// before the source on another volume goes. A file system that cannot sync a folder has nothing
// to sync there.
bool SyncFolderOf(const QByteArray& path) {
  const qsizetype cut = path.lastIndexOf('/');
  const QByteArray folder = cut < 0 ? QByteArray(".") : cut == 0 ? QByteArray("/") : path.left(cut);
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
  ::close(fd);
  return synced;
}

// What a killed move left at its temporary name is its own unfinished copy: a regular file, never
// a link or a folder. False when something else stands there, or it cannot be removed.
bool RemoveLeftoverCopy(const QByteArray& copy) {
  struct stat st {};
  if (::lstat(copy.constData(), &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode) && ::unlink(copy.constData()) == 0;
}

// Between volumes: a complete, synced copy under a temporary name first, which then takes the
// target's name in one step; the source goes only when it did not change meanwhile (a file still
// being written would otherwise lose what was added during the copy). A run killed at any moment
// leaves no partial file under the target's name, only the temporary one, which the next move to
// the same target removes.
MoveOutcome CopyAcrossVolumes(const QString& from, const QString& to, const struct stat& before,
                              const std::function<void()>& before_removal) {
  const QString copy_name = MoveCopyName(to);
  const QByteArray src = Native(from), dst = Native(to), copy = Native(copy_name);
  if (!RemoveLeftoverCopy(copy)) return MoveOutcome::kFailed;
  // Nothing cancels a move: it ends once the file is complete at its new place.
  const std::atomic<int> never_cancelled{0};
  if (SyncedCopy(from, copy_name, before.st_size, never_cancelled) != StepResult::kDone) return MoveOutcome::kFailed;
  if (before_removal) before_removal();
  struct stat after {};
  if (::lstat(src.constData(), &after) != 0 || !SameVersion(before, after)) {
    ::unlink(copy.constData());
    return MoveOutcome::kSourceChanged;
  }
  if (RenameNoReplace(copy, dst) != 0) {
    ::unlink(copy.constData());
    return MoveOutcome::kFailed;
  }
  if (!SyncFolderOf(dst) || ::unlink(src.constData()) != 0) {
    ::unlink(dst.constData());
    return MoveOutcome::kFailed;
  }
  return MoveOutcome::kMoved;
}

}  // namespace

QString FitName(QString name, const QString& tail) {
  const qsizetype tail_bytes = EncodeName(tail).size();
  while (!name.isEmpty() && EncodeName(name).size() + tail_bytes > kMaxNameBytes) {
    name.chop(name.size() >= 2 && name.back().isLowSurrogate() && name.at(name.size() - 2).isHighSurrogate() ? 2 : 1);
  }
  return name + tail;
}

QString MoveCopyName(const QString& to) {
  const qsizetype cut = to.lastIndexOf(QChar(kSeparator)) + 1;
  const QString name = to.mid(cut);
  const QString suffix = QString::fromUtf16(kMoveCopySuffix);
  if (EncodeName(name).size() + EncodeName(suffix).size() <= kMaxNameBytes) return to + suffix;
  const QByteArray hash = QCryptographicHash::hash(EncodeName(name), QCryptographicHash::Sha1).toHex().left(8);
  return to.left(cut) + FitName(name, u'~' + QString::fromLatin1(hash) + suffix);
}

MoveOutcome MoveFileChecked(const QString& from, const QString& to, const std::function<void()>& before_removal) {
  QByteArray src = Native(from), dst = Native(to);
  struct stat st {};
  if (::lstat(src.constData(), &st) != 0) return MoveOutcome::kFailed;
  if (PathEntryExists(to)) return MoveOutcome::kFailed;
  const int err = RenameNoReplace(src, dst);
  if (err == 0) return MoveOutcome::kMoved;
  if (err != EXDEV) return MoveOutcome::kFailed;
  if (S_ISLNK(st.st_mode)) return MoveLinkAcrossVolumes(src, dst) ? MoveOutcome::kMoved : MoveOutcome::kFailed;
  if (!S_ISREG(st.st_mode)) return MoveOutcome::kFailed;
  return CopyAcrossVolumes(from, to, st, before_removal);
}

bool MoveFile(const QString& from, const QString& to) { return MoveFileChecked(from, to) == MoveOutcome::kMoved; }

bool MakeWritable(const QString& path) {
  struct stat st {};
  QByteArray native = Native(path);
  if (::lstat(native.constData(), &st) != 0 || S_ISLNK(st.st_mode) || st.st_nlink > 1) return false;
  if (st.st_mode & S_IWUSR) return false;
  return ::chmod(native.constData(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

QString FullPathName(const QString& path) {
  if (path.isEmpty()) return QDir::currentPath();
  return AbsoluteName(path);
}

namespace {

// A field of /proc/self/mountinfo with its octal escapes ("\040" for a space, "\011", "\012",
// "\134" for a backslash) undone: the name's own bytes.
QByteArray UnescapedMountField(QByteArrayView field) {
  QByteArray bytes;
  bytes.reserve(field.size());
  for (qsizetype i = 0; i < field.size(); ++i) {
    const auto octal = [&](qsizetype k) { return k < field.size() && field[k] >= '0' && field[k] <= '7'; };
    if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      bytes += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
      i += 3;
    } else {
      bytes += field[i];
    }
  }
  return bytes;
}

// Where the mount with this id is mounted, from /proc/self/mountinfo ("<id> <parent> <major:minor>
// <root> <mount point> ..."); empty when it is not listed.
QByteArray MountPointOfId(uint64_t mount_id) {
  QFile table(QStringLiteral("/proc/self/mountinfo"));
  if (!table.open(QIODevice::ReadOnly)) return {};
  const QByteArray id = QByteArray::number(static_cast<qulonglong>(mount_id));
  for (const QByteArray& line : table.readAll().split('\n')) {
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() > 4 && fields[0] == id) return UnescapedMountField(fields[4]);
  }
  return {};
}

// The highest folder above the (existing) path that is still on its device: where no mount ids
// can be had. The path is resolved first, so that no link on the way leads up the wrong tree.
QByteArray MountPointByDevice(const QByteArray& path) {
  char* resolved = ::realpath(path.constData(), nullptr);
  if (!resolved) return {};
  QByteArray probe(resolved);
  std::free(resolved);
  struct stat st {};
  if (::stat(probe.constData(), &st) != 0) return {};
  while (probe != "/") {
    const qsizetype cut = probe.lastIndexOf('/');
    const QByteArray parent = cut <= 0 ? QByteArray("/") : probe.left(cut);
    struct stat above {};
    if (::stat(parent.constData(), &above) != 0 || above.st_dev != st.st_dev) break;
    probe = parent;
  }
  return probe;
}

}  // namespace

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
  // The name's own bytes all the way: a folder whose name is not UTF-8 has a drive like any other.
  const QByteArray native = Native(probe);
  struct statx stx {};
  QByteArray root;
  // (A link that leads nowhere lies on its own folder's mount.)
  const bool looked = ::statx(AT_FDCWD, native.constData(), 0, STATX_MNT_ID, &stx) == 0 ||
                      ::statx(AT_FDCWD, native.constData(), AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &stx) == 0;
  if (looked && (stx.stx_mask & STATX_MNT_ID)) root = MountPointOfId(stx.stx_mnt_id);
  if (root.isEmpty()) root = MountPointByDevice(native);
  return DecodeName(root);
}

int64_t DriveFreeSpace(const QString& drive) {
  if (drive.isEmpty()) return -1;
  struct statvfs st {};
  if (::statvfs(Native(drive).constData(), &st) != 0) return -1;
  return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
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
