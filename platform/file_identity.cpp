#include "platform/file_identity.h"

#include <QDir>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/native_name.h"

namespace zandrel {
namespace {

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The folder above path, spelled as given ("" once the root has been passed).
QString ParentOf(const QString& path) {
  const QString cleaned = QDir::cleanPath(QDir(path).absolutePath());
  if (cleaned == QDir::rootPath()) return QString();
  return QFileInfo(cleaned).absolutePath();
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const QString& path) {
  struct stat st {};
  if (path.isEmpty() || ::stat(EncodeName(path).constData(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool IsSameOrInside(const QString& path, const QString& dir) {
  const std::optional<FileIdentity> target = IdentityOf(dir);
  if (!target) return false;
  // Resolved first, so that "a/link/.." climbs from where the link leads, as the system does.
  QString at = QDir::cleanPath(QDir(path).absolutePath());
  for (int steps = 0; !at.isEmpty() && steps < 4096; ++steps) {
    const std::optional<FileIdentity> here = IdentityOf(at);
    if (here) {
      if (*here == *target) return true;
      const QString real = QFileInfo(at).canonicalFilePath();
      if (!real.isEmpty() && real != at) at = real;
    }
    at = ParentOf(at);
  }
  return false;
}

QString FolderReadProblem(const QString& dir) {
  DIR* handle = ::opendir(EncodeName(dir).constData());
  if (!handle) return SystemReason(errno);
  errno = 0;
  const bool readable = ::readdir(handle) != nullptr || errno == 0;
  const int error = errno;
  ::closedir(handle);
  return readable ? QString() : SystemReason(error);
}

QString FileReadProblem(const QString& path) {
  const int fd = ::open(EncodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return SystemReason(errno);
  ::close(fd);
  return QString();
}

}  // namespace zandrel
