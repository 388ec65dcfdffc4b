#include "app/gui/main_window_font.h"

#include <cmath>

namespace zandrel {

QFont ControlFont(const Options& options, const QFont& default_font) {
  if (options.Font.isEmpty() && options.FontSize == 0 && options.FontStyle == 0) return default_font;
  QFont font = default_font;
  if (!options.Font.isEmpty()) font.setFamily(options.Font);
  // Sizes from a hand-edited file are kept within what a window can show.
  if (options.FontSize > 0) font.setPointSize(static_cast<int>(std::min<int64_t>(options.FontSize, 200)));
  const int64_t style = options.FontStyle;
  font.setWeight(style & kFontBold ? QFont::Bold : QFont::Normal);
  font.setItalic(style & kFontItalic);
  font.setUnderline(style & kFontUnderline);
  font.setStrikeOut(style & kFontStrikeOut);
  if (style & kFontQuality) font.setStyleStrategy(QFont::PreferQuality);
  return font;
}

void StoreFont(const QFont& font, Options& options) {
  options.Font = font.family();
  const double points = font.pointSizeF();
  options.FontSize = points > 0 ? static_cast<int64_t>(std::lround(points)) : 0;
  int64_t style = 0;
  if (font.weight() >= QFont::Bold) style |= kFontBold;
  if (font.italic()) style |= kFontItalic;
  if (font.underline()) style |= kFontUnderline;
  if (font.strikeOut()) style |= kFontStrikeOut;
  if (font.styleStrategy() & QFont::PreferQuality) style |= kFontQuality;
  options.FontStyle = style;
}

}  // namespace zandrel
