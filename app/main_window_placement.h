// Where the main window opens: the stored geometry, the natural size and the desktop in, the outer
// position and inner size out. Pure, so the odd stored values are tested without a screen.
#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>

namespace zandrel {

struct StoredGeometry {
  int64_t x = 0, y = 0;            // outer top-left corner
  int64_t width = 0, height = 0;   // inner size; -1 means the natural size
  bool maximized = false;
};

struct WindowPlacement {
  QPoint position;  // outer top-left corner
  QSize inner;
  bool maximized = false;
};

// `frame` is what the window adds around its inner area (title bar, borders, menu bar). Nothing
// stored opens the window centred at natural size on `screen`; whatever was stored, the window
// opens at least at natural size and, as far as it fits, wholly on one of `screens`.
WindowPlacement PlaceMainWindow(const StoredGeometry& stored, QSize natural, QRect screen,
                                const QList<QRect>& screens, QMargins frame);

// The inner size after a rebuild for a new font or language, per axis: a window at its old natural
// size takes the new natural size; a size the user chose stays while it is still at least the new
// natural size (the window's minimum).
QSize SizeAfterRebuild(QSize current, QSize old_natural, QSize new_natural);

}  // namespace zandrel
