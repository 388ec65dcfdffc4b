// Turning shown windows into pictures.
#pragma once

#include <QImage>

class QWidget;

namespace zandrel::shots {

// Shows the window if needed, waits until it is drawn and returns its picture (without popups).
QImage GrabWidget(QWidget& window);
// The screen area that holds the window and every popup shown over it (an open menu, a drop-down
// list), as the virtual screen shows it.
QImage GrabWithPopups(QWidget& window);
// Lets the event loop run for a while (queued calls, timers, repaints).
void Settle(int milliseconds = 150);

}  // namespace zandrel::shots
