#include "platform/file_identity.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "platform/native_file.h"
#include "platform/native_name.h"

namespace zandrel {
namespace {

// The folder above an absolute, cleaned path ("" once the root has been passed).
QString ParentOf(const QString& path) {
  if (path == u"/") return QString();
  const qsizetype slash = path.lastIndexOf(u'/');
  return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

}  // namespace

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

QString CreationTarget(const QString& path) {
  QString at = AbsoluteName(path);
  // The system gives up on chains longer than this too.
  for (int hops = 0; hops < 40; ++hops) {
    if (!IsSymLink(at)) return at;
    std::vector<char> target(4096);
    const ssize_t n = ::readlink(EncodeName(at).constData(), target.data(), target.size() - 1);
    if (n <= 0) return QString();
    const QString leads_to = DecodeName(QByteArrayView(target.data(), n));
    at = AbsoluteName(leads_to.startsWith(u'/') ? leads_to : ParentOf(at) + u'/' + leads_to);
  }
  return QString();
}

}  // namespace zandrel
