#include "app/about_layout.h"

#include <algorithm>

namespace zandrel {
namespace {

constexpr int kMargin = 8;
constexpr int kMinContentWidth = 260;
constexpr int kMinInnerHeight = 148;

}  // namespace

AboutLayout LayoutAboutWindow(const AboutNaturalSizes& natural) {
  int content_width = std::max(kMinContentWidth, natural.ok_button.width());
  int lines_height = 0;
  for (const QSize& line : natural.lines) {
    content_width = std::max(content_width, line.width());
    lines_height += line.height();
  }
  const QSize ok = natural.ok_button;
  const bool ok_beside_link = kLinkPictureSize.width() + kMargin + ok.width() <= content_width;
  const int row_height = ok_beside_link ? std::max(kLinkPictureSize.height(), ok.height())
                                        : kLinkPictureSize.height() + kMargin + ok.height();
  const int column_x = kMargin + kLogoSize.width() + kMargin;

  AboutLayout layout;
  layout.inner = QSize(column_x + content_width + kMargin,
                       std::max(kMinInnerHeight, kMargin + lines_height + kMargin + row_height + kMargin));
  layout.logo = QRect(QPoint(kMargin, kMargin), kLogoSize);
  int y = kMargin;
  for (int i = 0; i < kAboutLineCount; ++i) {
    layout.lines[i] = QRect(column_x, y, content_width, natural.lines[i].height());
    y += natural.lines[i].height();
  }
  // The button row sits at the bottom, so spare height (a short text) opens above it.
  const int row_bottom = layout.inner.height() - kMargin;
  const int link_y = row_bottom - (ok_beside_link ? kLinkPictureSize.height() : row_height);
  layout.link = QRect(QPoint(column_x, link_y), kLinkPictureSize);
  layout.ok_button = QRect(column_x + content_width - ok.width(), row_bottom - ok.height(), ok.width(), ok.height());
  return layout;
}

}  // namespace zandrel
