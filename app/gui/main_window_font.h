// The main window's font from the options, and the options from a chosen font.
#pragma once

#include <QFont>

#include "app/options.h"

namespace zandrel {

// Style bits of the FontStyle option.
inline constexpr int64_t kFontBold = 256, kFontItalic = 512, kFontUnderline = 4, kFontStrikeOut = 8,
                         kFontQuality = 16;

// The system's default font (`default_font`) when Font, FontSize and FontStyle are all unset.
QFont ControlFont(const Options& options, const QFont& default_font);
// Stores a chosen font in Font, FontSize and FontStyle.
void StoreFont(const QFont& font, Options& options);

}  // namespace zandrel
