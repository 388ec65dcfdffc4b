#include "platform/native_file.h"

#include <QDir>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "platform/file_identity.h"
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
  // Opened without waiting: a FIFO or a device at the path must fail or answer at once, never
  // hold the caller (and the folder locks it holds) until someone else opens the other end.
  const int fd = ::open(EncodeName(path).constData(), flags | O_NONBLOCK, 0666);
  if (fd < 0) return false;
  const int status = ::fcntl(fd, F_GETFL);
  if (status >= 0) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
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

QString ParentText(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

}  // namespace

QString AbsoluteName(const QString& path) {
  const QString full = path.startsWith(u'/') ? path : WorkingFolder() + u'/' + path;
  QString at = QStringLiteral("/");
  for (const QStringView part : QStringView(full).split(u'/', Qt::SkipEmptyParts)) {
    if (part == u".") continue;
    if (part == u"..") {
      // "L/.." leaves the folder L leads to, which cleaning the text would take for L's own.
      // Empty when nothing stands there: ".." then steps back by the text, as the kernel would
      // have refused the path anyway.
      const QString real = at == u"/" ? at : RealPath(at);
      at = ParentText(real.isEmpty() ? at : real);
      continue;
    }
    if (!at.endsWith(u'/')) at += u'/';
    at += part;
  }
  return at;
}

}  // namespace zandrel
