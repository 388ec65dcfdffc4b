// The main window's layout and placement as pure functions: sizes in, rectangles out.
#include <gtest/gtest.h>

#include <optional>

#include "app/busy_state.h"
#include "app/main_window_layout.h"
#include "app/main_window_placement.h"

namespace zandrel {
namespace {

using C = MainControl;

constexpr ControlId Box(int RunFlags::*flag) { return ControlId::OptionBox(flag); }

MainWindowSizes SampleSizes() {
  MainWindowSizes sizes;
  const std::pair<ControlId, QSize> natural[] = {
      {C::kStatusFrame, {60, 18}},
      {C::kSettingsFrame, {70, 18}},
      {C::kTorrentDropLabel, {200, 20}},
      {C::kDirDropLabel, {300, 20}},
      {C::kCheckTorrent, {100, 24}},
      {C::kViewTorrent, {90, 24}},
      {C::kStatusLine, {0, 20}},
      {Box(&RunFlags::LogFoundFiles), {110, 20}},
      {Box(&RunFlags::HashCheck), {150, 20}},
      {C::kAlwaysOnTop, {160, 20}},
      {C::kIgnoreButton, {140, 26}},
      {Box(&RunFlags::OpenReport), {120, 20}},
      {Box(&RunFlags::CheckUnneededFiles), {130, 20}},
      {Box(&RunFlags::DelUnneededFiles), {140, 20}},
      {Box(&RunFlags::FixMissing), {200, 20}},
      {Box(&RunFlags::CreateBackups), {100, 22}},
      {Box(&RunFlags::DelOnlyWhenComplete), {250, 20}},
      {Box(&RunFlags::TrimPaddedFiles), {110, 20}},
      {Box(&RunFlags::DeleteWrongSizedFiles), {150, 20}},
      {C::kBackupLabel, {180, 20}},
      {C::kBackupSelect, {70, 26}},
      {C::kBackupToTorrentDir, {170, 20}},
  };
  for (const auto& [control, size] : natural) sizes[control] = size;
  ComputeNaturalWidth(sizes);
  return sizes;
}

TEST(MainWindowLayoutTest, NaturalWidthIsTheWidestRowPlusMargins) {
  MainWindowSizes sizes = SampleSizes();
  EXPECT_EQ(sizes.first_column_width, 120);
  EXPECT_EQ(sizes.natural_width, 20 + 120 + 250 + 110 + 150 + 64);  // row 3 is the widest
  // A long translated text in any row or label widens the window.
  struct Case {
    ControlId control;
    int width;
    int expected_natural;
  } cases[] = {
      {C::kDirDropLabel, 900, 920},
      {C::kBackupToTorrentDir, 500, 20 + 180 + 70 + 100 + 500 + 64},
      {C::kViewTorrent, 700, 20 + 100 + 700 + 30},
      {Box(&RunFlags::OpenReport), 300, 20 + 300 + 250 + 110 + 150 + 64},  // the first column follows its widest box
  };
  for (const Case& c : cases) {
    MainWindowSizes wider = SampleSizes();
    wider[c.control].setWidth(c.width);
    ComputeNaturalWidth(wider);
    EXPECT_EQ(wider.natural_width, c.expected_natural) << c.control.Index();
  }
}

// Where each control goes at the natural size, and (where given) in a window 31 pixels wider and 9
// higher than that.
const struct Placed {
  ControlId control;
  QRect natural;
  std::optional<QRect> spread;
} kPlaced[] = {
    {C::kTorrentDropLabel, {257, 35, 200, 20}, QRect(272, 35, 200, 20)},
    {C::kTorrentPath, {20, 55, 674, 40}, QRect(20, 55, 705, 44)},
    {C::kDirDropLabel, {207, 105, 300, 20}, std::nullopt},
    {C::kDownloadDir, {20, 125, 674, 40}, QRect(20, 129, 705, 44)},
    {C::kCheckTorrent, {20, 185, 574, 44}, QRect(20, 193, 605, 44)},
    {C::kViewTorrent, {599, 185, 95, 44}, QRect(630, 193, 95, 44)},
    {C::kStatusLine, {20, 239, 674, 20}, std::nullopt},
    {C::kProgressBar, {20, 239, 674, 20}, std::nullopt},
    {C::kStatusFrame, {10, 10, 694, 259}, QRect(10, 10, 725, 267)},
    {Box(&RunFlags::LogFoundFiles), {20, 304, 110, 20}, QRect(20, 312, 110, 20)},
    {Box(&RunFlags::HashCheck), {156, 304, 150, 20}, QRect(166, 312, 150, 20)},
    {C::kAlwaysOnTop, {322, 304, 160, 20}, QRect(342, 312, 160, 20)},
    {C::kIgnoreButton, {498, 304, 140, 26}, QRect(528, 312, 140, 26)},
    {Box(&RunFlags::OpenReport), {20, 334, 120, 20}, std::nullopt},
    {Box(&RunFlags::FixMissing), {458, 334, 200, 20}, std::nullopt},
    {Box(&RunFlags::CreateBackups), {20, 364, 100, 22}, std::nullopt},
    {Box(&RunFlags::DelOnlyWhenComplete), {156, 364, 250, 20}, std::nullopt},
    {Box(&RunFlags::DeleteWrongSizedFiles), {548, 364, 150, 20}, std::nullopt},
    {C::kBackupLabel, {20, 399, 180, 20}, std::nullopt},
    {C::kBackupSelect, {200, 396, 70, 26}, std::nullopt},
    {C::kBackupDirField, {278, 396, 234, 26}, QRect(278, 404, 265, 26)},
    {C::kBackupToTorrentDir, {528, 396, 170, 20}, QRect(559, 404, 170, 20)},
    {C::kSettingsFrame, {10, 279, 694, 147}, QRect(10, 287, 725, 147)},
};

TEST(MainWindowLayoutTest, NaturalLayout) {
  const MainWindowLayout layout = LayoutMainWindow(SampleSizes(), QSize(), false);
  EXPECT_EQ(layout.height, 456);
  for (const Placed& p : kPlaced) EXPECT_EQ(layout[p.control], p.natural) << p.control.Index();
}

TEST(MainWindowLayoutTest, SurplusWidthGoesToColumnsInThirdsAndHeightToFieldsInHalves) {
  const MainWindowLayout layout = LayoutMainWindow(SampleSizes(), QSize(714 + 31, 456 + 9), true);
  EXPECT_EQ(layout.height, 464);  // an odd pixel of height is left over
  for (const Placed& p : kPlaced) {
    if (p.spread) {
      EXPECT_EQ(layout[p.control], *p.spread) << p.control.Index();
    }
  }
  // Nothing spreads when the window is at or below its natural size.
  EXPECT_EQ(LayoutMainWindow(SampleSizes(), QSize(714, 456), true).rects,
            LayoutMainWindow(SampleSizes(), QSize(), false).rects);
}

TEST(MainWindowPlacementTest, StoredGeometryTable) {
  const QSize natural(700, 450);
  const QRect screen(0, 0, 1600, 1000);
  const QList<QRect> screens = {screen, QRect(-1280, 0, 1280, 1000)};  // a second screen on the left
  const QMargins frame(2, 40, 2, 2);  // title bar and menu bar above the inner area
  struct Case {
    const char* what;
    StoredGeometry stored;
    QPoint position;
    QSize inner;
    bool maximized;
  } cases[] = {
      {"nothing stored: centred at natural size", {0, 0, 0, 0, false}, {450, 275}, natural, false},
      {"stored position and size", {30, 60, 900, 500}, {30, 60}, {900, 500}, false},
      {"-1 sizes: natural size at the stored position", {30, 60, -1, -1}, {30, 60}, natural, false},
      {"maximized: centred, maximized", {5, 5, 0, 0, true}, {450, 275}, natural, true},
      {"off every screen", {100000, -50000, 800, 500}, {1600 - 804, 0}, {800, 500}, false},
      {"larger than the screen", {10, 10, 5000, 5000}, {0, 0}, {1596, 958}, false},
      {"smaller than natural", {10, 10, 100, 100}, {10, 10}, natural, false},
      {"on the screen left of this one", {-1200, 10, 800, 500}, {-1200, 10}, {800, 500}, false},
      {"left of every screen: onto the first", {-5000, 10, 800, 500}, {0, 10}, {800, 500}, false},
      {"far beyond any number a screen has", {int64_t(1) << 40, 10, 800, 500}, {1600 - 804, 10}, {800, 500}, false},
  };
  for (const Case& c : cases) {
    const WindowPlacement placed = PlaceMainWindow(c.stored, natural, screen, screens, frame);
    EXPECT_EQ(placed.position, c.position) << c.what;
    EXPECT_EQ(placed.inner, c.inner) << c.what;
    EXPECT_EQ(placed.maximized, c.maximized) << c.what;
  }
}

TEST(BusyStateTest, EnglishFollowsTheBusyStateOnlyWithLanguageFiles) {
  using M = MainMenuItem;
  auto at = [](const auto& array, MainMenuItem item) { return array[static_cast<int>(item)]; };
  // Without language files "<English>" is disabled, busy or not; a folder named x.lng leaves it on.
  EXPECT_FALSE(at(EnabledMenuItems({false, 0, false}), M::kEnglish));
  EXPECT_FALSE(at(EnabledMenuItems({true, 0, false}), M::kEnglish));
  EXPECT_TRUE(at(EnabledMenuItems({true, 0, true}), M::kEnglish));
}

}  // namespace
}  // namespace zandrel
