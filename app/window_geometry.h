// Where a window may stand on the desktop.
#pragma once

#include <QList>
#include <QRect>

namespace zandrel {

// The window's outer rectangle moved (and, when larger than the desktop, shrunk) so that all of
// it lies on the desktop rectangle; a rectangle already on it is returned unchanged.
QRect FitWindowToDesktop(const QRect& window, const QRect& desktop);

// The same over several screens: a window wholly on one screen stays as it is; otherwise it is
// fitted to the screen it overlaps most, or to the first screen (the primary) when it overlaps
// none. No screens: the window unchanged.
QRect FitWindowToScreens(const QRect& window, const QList<QRect>& screens);

}  // namespace zandrel
