#include "app/main_window_layout.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace zandrel {
namespace {

using C = MainControl;

// The window's own controls among the check boxes; the run switches' boxes stand where their rows
// of kRunOptionTable place them.
constexpr std::pair<MainControl, GridPlace> kOwnGridControls[] = {
    {C::kAlwaysOnTop, {0, 2}},
    {C::kIgnoreButton, {0, 3}},
};

constexpr int kGridColumns = 4;

constexpr int GridRows() {
  int rows = 0;
  for (const RunOptionRow& row : kRunOptionTable) rows = std::max(rows, row.box_place.row + 1);
  for (const auto& [control, place] : kOwnGridControls) rows = std::max(rows, place.row + 1);
  return rows;
}

// The settings frame's grid: a control at every place that one takes, nothing at a free place.
using Cell = std::optional<ControlId>;
using Grid = std::array<std::array<Cell, kGridColumns>, GridRows()>;

constexpr bool Take(Grid& grid, GridPlace place, ControlId control) {
  if (place.row < 0 || place.column < 0 || place.column >= kGridColumns) return false;
  Cell& cell = grid[static_cast<size_t>(place.row)][static_cast<size_t>(place.column)];
  if (cell) return false;
  cell = control;
  return true;
}

// Empty when two controls share a place, or a row starts with a free place (a row is as high as
// its first control).
constexpr std::optional<Grid> BuildGrid() {
  Grid grid{};
  for (size_t i = 0; i < kRunOptionCount; ++i) {
    if (!Take(grid, kRunOptionTable[i].box_place, ControlId::OptionBox(i))) return std::nullopt;
  }
  for (const auto& [control, place] : kOwnGridControls) {
    if (!Take(grid, place, control)) return std::nullopt;
  }
  for (const auto& row : grid) {
    if (!row[0]) return std::nullopt;
  }
  return grid;
}
static_assert(BuildGrid().has_value(), "every check box needs a grid place of its own, and every row a first box");
constexpr Grid kGrid = *BuildGrid();

bool InGrid(MainControl control) {
  for (const auto& [own, place] : kOwnGridControls) {
    if (own == control) return true;
  }
  return false;
}

int Width(const MainWindowSizes& sizes, const Cell& cell) { return cell ? sizes[*cell].width() : 0; }

int RoundedFrameOffset(int frame_height, int extra) {
  return static_cast<int>(std::lround(frame_height / 1.2 + extra));
}

class Placer {
 public:
  explicit Placer(MainWindowLayout& layout) : layout_(layout) {}
  void Place(ControlId control, int x, int y, int width, int height) {
    layout_.rects[control.Index()] = QRect(x, y, width, height);
  }
  void Place(ControlId control, int x, int y, QSize size) {
    Place(control, x, y, size.width(), size.height());
  }

 private:
  MainWindowLayout& layout_;
};

}  // namespace

std::vector<ControlId> TabOrder() {
  std::vector<ControlId> order;
  order.reserve(kWindowControlCount);
  for (int i = 0; i < kMainControlCount; ++i) {
    const auto control = static_cast<MainControl>(i);
    if (InGrid(control)) continue;
    order.push_back(control);
    if (control != C::kSettingsFrame) continue;
    for (const auto& row : kGrid) {
      for (const Cell& cell : row) {
        if (cell) order.push_back(*cell);
      }
    }
  }
  return order;
}

QSize TextNaturalSize(QSize text, QSize edge, int allowance) {
  return QSize(text.width() + 2 * edge.width() + allowance, text.height() + 2 * edge.height() + 4);
}

void ComputeNaturalWidth(MainWindowSizes& sizes) {
  sizes.first_column_width = 0;
  for (const auto& row : kGrid) sizes.first_column_width = std::max(sizes.first_column_width, Width(sizes, row[0]));
  int widest = std::max({sizes[C::kStatusFrame].width(), sizes[C::kTorrentDropLabel].width(),
                         sizes[C::kDirDropLabel].width(), sizes[C::kSettingsFrame].width(),
                         sizes[C::kCheckTorrent].width() + sizes[C::kViewTorrent].width() + 30});
  for (const auto& row : kGrid) {
    int row_width = sizes.first_column_width + 64;
    for (size_t i = 1; i < row.size(); ++i) row_width += Width(sizes, row[i]);
    widest = std::max(widest, row_width);
  }
  widest = std::max(widest, sizes[C::kBackupLabel].width() + sizes[C::kBackupSelect].width() + kLayoutSpacing +
                                sizes[C::kBackupToTorrentDir].width() + 64);
  sizes.natural_width = 20 + widest;
}

MainWindowLayout LayoutMainWindow(const MainWindowSizes& sizes, QSize inner, bool resizing) {
  int natural_height = 0;
  if (resizing) natural_height = LayoutMainWindow(sizes, inner, false).height;
  const int width = resizing ? inner.width() : sizes.natural_width;
  const int surplus_width = resizing ? width - sizes.natural_width : 0;
  const int spread = surplus_width > 0 ? surplus_width / 3 : 0;
  const int surplus_height = resizing ? inner.height() - natural_height : 0;
  const int growth = surplus_height > 0 ? surplus_height / 2 : 0;
  const int full_width = sizes.natural_width + surplus_width;

  MainWindowLayout layout;
  Placer placer(layout);
  const QSize torrent_label = sizes[C::kTorrentDropLabel];
  const QSize dir_label = sizes[C::kDirDropLabel];
  const int field_height = 2 * torrent_label.height() + growth;

  int y = RoundedFrameOffset(sizes[C::kStatusFrame].height(), 20);
  placer.Place(C::kTorrentDropLabel, full_width / 2 - torrent_label.width() / 2, y, torrent_label);
  y += torrent_label.height();
  placer.Place(C::kTorrentPath, 20, y, width - 40, field_height);
  y += field_height + 10;
  placer.Place(C::kDirDropLabel, full_width / 2 - dir_label.width() / 2, y, dir_label);
  y += dir_label.height();
  placer.Place(C::kDownloadDir, 20, y, width - 40, field_height);
  y += field_height + 20;

  const QSize check = sizes[C::kCheckTorrent];
  const QSize view = sizes[C::kViewTorrent];
  const int check_width = width - 50 - view.width();
  placer.Place(C::kCheckTorrent, 20, y, check_width, check.height() + 20);
  placer.Place(C::kViewTorrent, 20 + check_width + 5, y, view.width() + 5, view.height() + 20);
  y += check.height() + 30;

  const int status_height = sizes[C::kStatusLine].height();
  placer.Place(C::kStatusLine, 20, y, width - 40, status_height);
  placer.Place(C::kProgressBar, 20, y, width - 40, status_height);
  y += status_height;
  placer.Place(C::kStatusFrame, 10, 10, full_width - 20, y);
  y += 20;
  const int settings_top = y;

  y = RoundedFrameOffset(sizes[C::kSettingsFrame].height(), y + 10);
  for (const auto& row : kGrid) {
    int x = 20;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) {
        const int previous_width = i == 1 ? sizes.first_column_width : Width(sizes, row[i - 1]);
        x += previous_width + spread + 16;
      }
      if (row[i]) placer.Place(*row[i], x, y, sizes[*row[i]]);
    }
    y += sizes[*row[0]].height() + 10;
  }

  const QSize label = sizes[C::kBackupLabel];
  const QSize select = sizes[C::kBackupSelect];
  const QSize to_torrent_dir = sizes[C::kBackupToTorrentDir];
  placer.Place(C::kBackupLabel, 20, y + 3, label);
  placer.Place(C::kBackupSelect, 20 + label.width(), y, select);
  const int field_x = 20 + label.width() + select.width() + 8;
  const int field_width = width - (label.width() + select.width() + to_torrent_dir.width() + 160) + kLayoutSpacing;
  placer.Place(C::kBackupDirField, field_x, y, field_width, select.height());
  placer.Place(C::kBackupToTorrentDir, field_x + field_width + 16, y, to_torrent_dir);
  y += label.height() + 10;
  placer.Place(C::kSettingsFrame, 10, settings_top, full_width - 20, y - settings_top);

  layout.height = y + 30;
  return layout;
}

}  // namespace zandrel
