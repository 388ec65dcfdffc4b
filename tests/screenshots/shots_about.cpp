// The About window.
#include <QApplication>

#include "app/about_texts.h"
#include "app/gui/about_window.h"
#include "tests/screenshots/shot_capture.h"
#include "tests/screenshots/shot_registry.h"

namespace zandrel {

ZANDREL_SHOT(about_window) {
  AboutWindow window(nullptr, setup.context, ShippedReadmePath(QApplication::applicationDirPath()));
  return shots::GrabWidget(window);
}

}  // namespace zandrel
