// Where the About window's pictures, texts and button stand: a pure function of their natural
// sizes.
#pragma once

#include <QRect>
#include <QSize>
#include <array>

namespace zandrel {

inline constexpr int kAboutLineCount = 4;
inline constexpr QSize kLogoSize{128, 128};
inline constexpr QSize kLinkPictureSize{147, 47};

struct AboutNaturalSizes {
  QSize ok_button;
  std::array<QSize, kAboutLineCount> lines;
};

struct AboutLayout {
  QSize inner;  // also the window's fixed size
  QRect logo;
  std::array<QRect, kAboutLineCount> lines;
  QRect link;
  QRect ok_button;
};

// The logo on the left; the text lines one under the other to its right, as wide as the widest
// of them (at least 260 pixels); under them the link picture with the OK button at the right of
// the same row, or under it when the row is too narrow for both. At least 148 pixels high.
AboutLayout LayoutAboutWindow(const AboutNaturalSizes& natural);

}  // namespace zandrel
