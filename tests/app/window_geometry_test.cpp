#include "app/window_geometry.h"

#include <gtest/gtest.h>

namespace zandrel {
namespace {

TEST(WindowGeometryTest, WindowEndsUpWhollyOnTheDesktop) {
  const QRect desktop(0, 0, 1920, 1080);
  struct Case {
    const char* what;
    QRect window, expected;
  } cases[] = {
      {"on the desktop", {100, 50, 640, 480}, {100, 50, 640, 480}},
      {"filling it exactly", {0, 0, 1920, 1080}, {0, 0, 1920, 1080}},
      {"far right and below", {100000, 100000, 640, 480}, {1280, 600, 640, 480}},
      {"far left and above", {-100000, -5, 640, 480}, {0, 0, 640, 480}},
      {"hanging over the right edge", {1800, 10, 640, 480}, {1280, 10, 640, 480}},
      {"wider and taller than the desktop", {50, 50, 5000, 4000}, {0, 0, 1920, 1080}},
      {"wider only", {-20, 300, 3000, 200}, {0, 300, 1920, 200}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitWindowToDesktop(c.window, desktop), c.expected) << c.what;
  }
  // A desktop that does not start at 0 (a panel on the left, a second screen).
  EXPECT_EQ(FitWindowToDesktop({0, 0, 300, 200}, {64, 32, 1000, 700}), QRect(64, 32, 300, 200));
}

TEST(WindowGeometryTest, ScreensKeepAWindowOnOneOfThemAndRescueOneOffAll) {
  const QList<QRect> screens = {{0, 0, 1920, 1080}, {-1280, 0, 1280, 1024}};
  EXPECT_EQ(FitWindowToScreens({-1200, 40, 800, 600}, screens), QRect(-1200, 40, 800, 600));
  // Mostly on the left screen: pulled onto it.
  EXPECT_EQ(FitWindowToScreens({-900, 900, 800, 600}, screens), QRect(-900, 424, 800, 600));
  // On no screen: onto the primary.
  EXPECT_EQ(FitWindowToScreens({100000, 100000, 800, 600}, screens), QRect(1120, 480, 800, 600));
  EXPECT_EQ(FitWindowToScreens({5, 5, 10, 10}, {}), QRect(5, 5, 10, 10));
}

}  // namespace
}  // namespace zandrel
