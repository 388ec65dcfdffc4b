#include "app/window_geometry.h"

#include <algorithm>

namespace zandrel {
namespace {

// Area of the overlap, in 64 bits: stored geometry can hold any number.
int64_t OverlapArea(const QRect& a, const QRect& b) {
  const QRect overlap = a.intersected(b);
  return overlap.isEmpty() ? 0 : int64_t{overlap.width()} * overlap.height();
}

// One axis: the start that keeps [start, start + length) inside [low, low + room).
int FitStart(int start, int length, int low, int room) {
  if (start < low) return low;
  if (int64_t{start} + length > int64_t{low} + room) return low + room - length;
  return start;
}

}  // namespace

QRect FitWindowToDesktop(const QRect& window, const QRect& desktop) {
  if (desktop.isEmpty()) return window;
  const int width = std::clamp(window.width(), 1, desktop.width());
  const int height = std::clamp(window.height(), 1, desktop.height());
  return QRect(FitStart(window.x(), width, desktop.x(), desktop.width()),
               FitStart(window.y(), height, desktop.y(), desktop.height()), width, height);
}

QRect FitWindowToScreens(const QRect& window, const QList<QRect>& screens) {
  if (screens.isEmpty()) return window;
  const QRect* best = &screens.front();
  int64_t best_area = 0;
  for (const QRect& screen : screens) {
    if (screen.contains(window)) return window;
    const int64_t area = OverlapArea(window, screen);
    if (area > best_area) {
      best_area = area;
      best = &screen;
    }
  }
  return FitWindowToDesktop(window, *best);
}

}  // namespace zandrel
