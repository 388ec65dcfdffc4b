#include "tests/screenshots/shot_capture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace zandrel::shots {
namespace {

void ShowAndWait(QWidget& window) {
  if (!window.isVisible()) window.show();
  (void)QTest::qWaitForWindowExposed(&window, 5000);
  Settle();
}

}  // namespace

void Settle(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qSleep(10);
  }
}

QImage GrabWidget(QWidget& window) {
  ShowAndWait(window);
  return window.grab().toImage();
}

QImage GrabWithPopups(QWidget& window) {
  ShowAndWait(window);
  QRect area = window.frameGeometry();
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->isVisible() && top->windowType() == Qt::Popup) area |= top->frameGeometry();
  }
  QScreen* screen = window.screen();
  area &= screen->geometry();
  return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

}  // namespace zandrel::shots
