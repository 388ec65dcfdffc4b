#include "platform/file_identity.h"


#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/native_file.h"
#include "platform/native_name.h"

namespace zandrel {
namespace {

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The folder above an absolute, cleaned path ("" once the root has been passed).
QString ParentOf(const QString& path) {
  if (path == u"/") return QString();
  const qsizetype slash = path.lastIndexOf(u'/');
  return slash <= 0 ? QStringLiteral("/") : path.left(slash);
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
  QString at = AbsoluteName(path);
  for (int steps = 0; !at.isEmpty() && steps < 4096; ++steps) {
    const std::optional<FileIdentity> here = IdentityOf(at);
    if (here) {
      if (*here == *target) return true;
      // Climbs from where a link leads, as the system would.
      const QString real = RealPath(at);
      if (!real.isEmpty() && real != at) at = real;
    }
    at = ParentOf(at);
  }
  return false;
}

QString RealPath(const QString& path) {
  char* resolved = ::realpath(EncodeName(path).constData(), nullptr);
  if (!resolved) return QString();
  const QString real = DecodeName(resolved);
  std::free(resolved);
  return real;
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
