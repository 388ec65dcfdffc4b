#include "app/main_window_placement.h"

#include <algorithm>

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

// Keeps [start, start + extent) inside [low, low + room); a window larger than the room starts
// at low so that its title bar and menu stay reachable.
int ClampedStart(int64_t start, int extent, int low, int room) {
  if (extent >= room) return low;
  return static_cast<int>(std::clamp<int64_t>(start, low, int64_t(low) + room - extent));
}

}  // namespace

WindowPlacement PlaceMainWindow(const StoredGeometry& stored, QSize natural, QRect screen, QRect desktop,
                                QMargins frame) {
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
  const QSize outer = placement.inner.grownBy(frame);
  placement.position = QPoint(ClampedStart(x, outer.width(), desktop.left(), desktop.width()),
                              ClampedStart(y, outer.height(), desktop.top(), desktop.height()));
  return placement;
}

}  // namespace zandrel
