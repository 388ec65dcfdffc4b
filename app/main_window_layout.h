// The main window's layout as pure functions: natural sizes of the controls in, one rectangle per
// control out. The widgets only measure themselves and apply the rectangles.
#pragma once

#include <QRect>
#include <QSize>
#include <array>
#include <cstddef>
#include <vector>

#include "check/run_option_table.h"

namespace zandrel {

// The main window's own controls; the run switches' check boxes come from kRunOptionTable.
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
  kAlwaysOnTop,
  kIgnoreButton,
  kBackupLabel,
  kBackupSelect,
  kBackupDirField,
  kBackupToTorrentDir,
};
inline constexpr int kMainControlCount = static_cast<int>(MainControl::kBackupToTorrentDir) + 1;
// The window's own controls and a check box for every run switch.
inline constexpr int kWindowControlCount = kMainControlCount + static_cast<int>(kRunOptionCount);

// Any control of the main window: one of its own, or the check box of a run switch.
class ControlId {
 public:
  // Implicit: wherever a control is asked for, one of the window's own will do.
  constexpr ControlId(MainControl control) : index_(static_cast<int>(control)) {}
  // The box of the switch in that row of kRunOptionTable.
  static constexpr ControlId OptionBox(size_t row) { return ControlId(kMainControlCount + static_cast<int>(row)); }
  static constexpr ControlId OptionBox(int RunFlags::*member) { return OptionBox(RunOptionIndex(member)); }

  // The window's own controls in the order of MainControl, then the boxes in table order.
  constexpr size_t Index() const { return static_cast<size_t>(index_); }
  constexpr bool IsOptionBox() const { return index_ >= kMainControlCount; }
  constexpr size_t OptionRow() const { return static_cast<size_t>(index_ - kMainControlCount); }
  friend constexpr bool operator==(ControlId, ControlId) = default;

 private:
  explicit constexpr ControlId(int index) : index_(index) {}
  int index_;
};

// Every control in creation order, which is also the keyboard's tab order: the status frame's
// controls, the settings frame's grid of check boxes row by row, then the backup row.
std::vector<ControlId> TabOrder();

// Spacing before the backup checkbox that the backup row reserves in the natural width.
inline constexpr int kLayoutSpacing = 100;

struct MainWindowSizes {
  std::array<QSize, kWindowControlCount> natural;  // per control; fields and the progress bar unused
  int first_column_width = 0;
  int natural_width = 0;

  QSize& operator[](ControlId control) { return natural[control.Index()]; }
  const QSize& operator[](ControlId control) const { return natural[control.Index()]; }
};

struct MainWindowLayout {
  std::array<QRect, kWindowControlCount> rects;
  int height = 0;  // the bottom of the layout; the natural height when laid out without resizing

  const QRect& operator[](ControlId control) const { return rects[control.Index()]; }
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
