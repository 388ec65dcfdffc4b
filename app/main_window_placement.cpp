#include "app/main_window_placement.h"

#include <algorithm>
#include <limits>

namespace zandrel {
namespace {

QPoint Centred(QSize natural, QRect desktop) {
  return desktop.topLeft() +
         QPoint(desktop.width() / 2 - natural.width() / 2, desktop.height() / 2 - natural.height() / 2);
}

int ClampedSize(int64_t stored, int natural, int available) {
  if (stored < natural) return natural;
  return static_cast<int>(std::min<int64_t>(stored, std::max(natural, available)));
}

// Stored positions can hold any number; beyond a screen they only need to stay beyond it.
int Bounded(int64_t value) {
  constexpr int64_t kFar = std::numeric_limits<int>::max() / 4;
  return static_cast<int>(std::clamp<int64_t>(value, -kFar, kFar));
}

// One axis: the start that keeps [start, start + length) inside [low, low + room); a window larger
// than the room starts at low, so that its title bar and menus stay reachable.
int FitStart(int start, int length, int low, int room) {
  if (length >= room || start < low) return low;
  return static_cast<int>(std::min<int64_t>(start, int64_t{low} + room - length));
}

int64_t OverlapArea(const QRect& a, const QRect& b) {
  const QRect overlap = a.intersected(b);
  return overlap.isEmpty() ? 0 : int64_t{overlap.width()} * overlap.height();
}

// A window wholly on a screen stays; otherwise it moves onto the screen it overlaps most, or onto
// the first one when it overlaps none.
QPoint FitToScreens(const QRect& window, const QList<QRect>& screens) {
  if (screens.isEmpty()) return window.topLeft();
  const QRect* best = &screens.front();
  int64_t best_area = 0;
  for (const QRect& screen : screens) {
    if (screen.contains(window)) return window.topLeft();
    const int64_t area = OverlapArea(window, screen);
    if (area > best_area) {
      best_area = area;
      best = &screen;
    }
  }
  return QPoint(FitStart(window.x(), window.width(), best->x(), best->width()),
                FitStart(window.y(), window.height(), best->y(), best->height()));
}

}  // namespace

WindowPlacement PlaceMainWindow(const StoredGeometry& stored, QSize natural, QRect screen,
                                const QList<QRect>& screens, QMargins frame) {
  WindowPlacement placement;
  const QSize room = screen.size().shrunkBy(frame);
  int64_t x = stored.x, y = stored.y, width = stored.width, height = stored.height;
  if (stored.width == 0 && stored.height == 0 && !stored.maximized) {
    width = natural.width();
    height = natural.height();
    const QPoint centred = Centred(natural, screen);
    x = centred.x();
    y = centred.y();
  } else if (stored.maximized) {
    const QPoint centred = Centred(natural, screen);
    x = centred.x();
    y = centred.y();
    placement.maximized = true;
  }
  if (width == -1 && height == -1) {
    width = natural.width();
    height = natural.height();
  }
  placement.inner = QSize(ClampedSize(width, natural.width(), room.width()),
                          ClampedSize(height, natural.height(), room.height()));
  const QRect outer(QPoint(Bounded(x), Bounded(y)), placement.inner.grownBy(frame));
  // A window larger than the screen keeps its size (at least the natural one) and shows its top left.
  placement.position = FitToScreens(outer, screens);
  return placement;
}

QSize SizeAfterRebuild(QSize current, QSize old_natural, QSize new_natural) {
  const auto axis = [](int now, int old_value, int new_value) {
    return now == old_value ? new_value : std::max(now, new_value);
  };
  return QSize(axis(current.width(), old_natural.width(), new_natural.width()),
               axis(current.height(), old_natural.height(), new_natural.height()));
}

}  // namespace zandrel
