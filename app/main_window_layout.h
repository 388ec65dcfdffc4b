// The main window's layout as pure functions: natural sizes of the controls in, one rectangle per
// control out. The widgets only measure themselves and apply the rectangles.
#pragma once

#include <QRect>
#include <QSize>
#include <array>

namespace zandrel {

// The main window's controls in creation order, which is also the keyboard tab order.
enum class MainControl : int {
  kTorrentPath,
  kDownloadDir,
  kStatusFrame,
  kTorrentDropLabel,
  kDirDropLabel,
  kCheckTorrent,
  kViewTorrent,
  kStatusLine,
  kProgressBar,
  kSettingsFrame,
  kLogFoundFiles,
  kHashCheck,
  kAlwaysOnTop,
  kIgnoreButton,
  kOpenReport,
  kCheckUnneeded,
  kDeleteUnneeded,
  kFixMissing,
  kCreateBackups,
  kDeleteOnlyWhenComplete,
  kTrimPaddedFiles,
  kDeleteWrongSizedFiles,
  kBackupLabel,
  kBackupSelect,
  kBackupDirField,
  kBackupToTorrentDir,
};
inline constexpr int kMainControlCount = static_cast<int>(MainControl::kBackupToTorrentDir) + 1;

// Spacing before the backup checkbox that the backup row reserves in the natural width.
inline constexpr int kLayoutSpacing = 100;

struct MainWindowSizes {
  std::array<QSize, kMainControlCount> natural;  // per control; fields and the progress bar unused
  int first_column_width = 0;
  int natural_width = 0;

  QSize& operator[](MainControl control) { return natural[static_cast<int>(control)]; }
  const QSize& operator[](MainControl control) const { return natural[static_cast<int>(control)]; }
};

struct MainWindowLayout {
  std::array<QRect, kMainControlCount> rects;
  int height = 0;  // the bottom of the layout; the natural height when laid out without resizing

  const QRect& operator[](MainControl control) const { return rects[static_cast<int>(control)]; }
};

// A text's natural size: the text plus twice the edge metrics, and 4 more pixels of height;
// frames, buttons and check boxes get `allowance` more width for their box or border.
QSize TextNaturalSize(QSize text, QSize edge, int allowance);

// Sets first_column_width and natural_width from the controls' natural sizes.
void ComputeNaturalWidth(MainWindowSizes& sizes);

// Places every control in an inner area of `inner`. Without resizing the layout is at natural
// size; with resizing, surplus width goes in thirds to the check-box columns and surplus height
// in halves to the two path fields.
MainWindowLayout LayoutMainWindow(const MainWindowSizes& sizes, QSize inner, bool resizing);

}  // namespace zandrel
