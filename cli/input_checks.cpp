#include "cli/input_checks.h"

#include "check/preflight.h"

namespace zandrel {

QString TorrentFileProblem(const QString& path) {
  const Status usable = TorrentFileRefusal(path);
  if (usable) return QString();
  const Failure& why = usable.Why();
  if (why.key == u"Msg_NotFound") return QStringLiteral("not found");
  if (why.key == u"Msg_IsDirectory") return QStringLiteral("is a directory");
  return why.Field(u"%reason%");
}

}  // namespace zandrel
