// Texts as a torrent holds them: UTF-8 bytes, with a path's cleaned components joined by the
// platform's separator, until they are shown or used as file names.
#pragma once

#include <QString>
#include <string_view>

#include "platform/file_system.h"

namespace zandrel {

inline constexpr char kPathSeparator = static_cast<char>(kSeparator);

// A leading U+FEFF is a character of the name, not a byte-order mark to drop: what the check
// looks for and what `info` shows must be the same name.
QString FromUtf8(std::string_view text);

}  // namespace zandrel
