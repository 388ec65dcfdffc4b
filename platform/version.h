#pragma once

#include <QString>

namespace zandrel {

// The version text that follows "v" in report headers, the settings file and language files.
inline QString VersionText() { return QStringLiteral(ZANDREL_VERSION_TEXT); }

}  // namespace zandrel
