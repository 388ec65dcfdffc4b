#include "app/about_layout.h"

#include <gtest/gtest.h>

namespace zandrel {
namespace {

AboutNaturalSizes Sizes(QSize ok, int line_width, int line_height, int widest_line = 0) {
  AboutNaturalSizes natural{ok, {}};
  for (QSize& line : natural.lines) line = QSize(line_width, line_height);
  if (widest_line > 0) natural.lines[2].setWidth(widest_line);
  return natural;
}

TEST(AboutLayoutTest, SizesFollowTheTextsWithMinimums) {
  struct Case {
    const char* what;
    AboutNaturalSizes natural;
    QSize inner;
    QRect link, ok;
  } cases[] = {
      // Short texts: 260 wide content, 148 high; the button row sits at the bottom.
      {"short texts", Sizes({80, 30}, 100, 10), {412, 148}, {144, 93, 147, 47}, {324, 110, 80, 30}},
      {"a long line widens the column", Sizes({80, 30}, 100, 20, 500), {652, 151}, {144, 96, 147, 47}, {564, 113, 80, 30}},
      {"tall lines make the window taller", Sizes({80, 30}, 100, 30), {412, 191}, {144, 136, 147, 47}, {324, 153, 80, 30}},
      // A button that does not fit beside the link goes under it.
      {"wide button", Sizes({150, 30}, 100, 20), {412, 189}, {144, 96, 147, 47}, {254, 151, 150, 30}},
      {"taller button than picture", Sizes({80, 60}, 100, 20), {412, 164}, {144, 109, 147, 47}, {324, 96, 80, 60}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const AboutLayout layout = LayoutAboutWindow(c.natural);
    EXPECT_EQ(layout.inner, c.inner);
    EXPECT_EQ(layout.logo, QRect(8, 8, 128, 128));
    EXPECT_EQ(layout.link, c.link);
    EXPECT_EQ(layout.ok_button, c.ok);
    // Lines stack from the top of the text column, none overlapping the button row.
    int y = 8;
    for (int i = 0; i < kAboutLineCount; ++i) {
      EXPECT_EQ(layout.lines[i].topLeft(), QPoint(144, y));
      EXPECT_GE(layout.lines[i].width(), c.natural.lines[i].width());
      y += c.natural.lines[i].height();
    }
    EXPECT_LE(y, std::min(layout.link.top(), layout.ok_button.top()));
    EXPECT_LE(layout.ok_button.right(), layout.inner.width() - 1);
    EXPECT_LE(layout.ok_button.bottom(), layout.inner.height() - 1);
  }
}

}  // namespace
}  // namespace zandrel
