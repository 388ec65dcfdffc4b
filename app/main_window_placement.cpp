#include "app/main_window_placement.h"

#include <algorithm>
#include <limits>

#include "app/window_geometry.h"

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
  const QRect fitted = FitWindowToScreens(outer, screens);
  placement.position = fitted.topLeft();
  return placement;
}

}  // namespace zandrel
