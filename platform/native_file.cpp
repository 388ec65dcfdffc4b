#include "platform/native_file.h"

#include <QDir>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "platform/native_name.h"

namespace zandrel {

bool OpenNamedFile(QFile& file, const QString& path, QIODevice::OpenMode mode) {
  int flags = O_CLOEXEC;
  if (!(mode & QIODevice::WriteOnly)) {
    flags |= O_RDONLY;
  } else {
    flags |= O_WRONLY | O_CREAT;
    if (mode & QIODevice::NewOnly) flags |= O_EXCL;
    if (mode & QIODevice::Truncate) flags |= O_TRUNC;
    if (mode & QIODevice::Append) flags |= O_APPEND;
  }
  const int fd = ::open(EncodeName(path).constData(), flags, 0666);
  if (fd < 0) return false;
  if (!file.open(fd, mode & ~(QIODevice::NewOnly | QIODevice::Truncate), QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return false;
  }
  return true;
}

namespace {

QString WorkingFolder() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return QDir::currentPath();
    buffer.resize(buffer.size() * 2);
  }
  return DecodeName(QByteArrayView(buffer.data()));
}

}  // namespace

QString AbsoluteName(const QString& path) {
  if (path.startsWith(u'/')) return QDir::cleanPath(path);
  return QDir::cleanPath(WorkingFolder() + u'/' + path);
}

}  // namespace zandrel
