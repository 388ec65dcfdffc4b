#include "app/about_texts.h"

#include <QDir>
#include <QFileInfo>

#include "platform/version.h"

namespace zandrel {

std::array<QString, kAboutLineCount> AboutTexts() {
  return {QStringLiteral("Zandrel"), QStringLiteral("Version ") + VersionText(),
          QStringLiteral("Checks BitTorrent downloads against their .torrent files"),
          QStringLiteral("Copyright \u00a9 2026 the Zandrel developers")};
}

QString ShippedReadmePath(const QString& program_dir) {
  const QString path = QDir::cleanPath(program_dir + QStringLiteral("/../share/doc/zandrel/README.md"));
  return QFileInfo(path).isFile() ? path : QString();
}

}  // namespace zandrel
