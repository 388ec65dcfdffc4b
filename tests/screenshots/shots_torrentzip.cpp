// The TorrentZip window during a run: the second of five zips done.
#include "app/gui/torrentzip_window.h"
#include "tests/screenshots/shot_capture.h"
#include "tests/screenshots/shot_registry.h"

namespace zandrel {

ZANDREL_SHOT(torrentzip_window) {
  TorrentZipWindow window(setup.context.messages.MessageText(u"Button_Cancel"), 5, false);
  window.SetPosition(2);
  return shots::GrabWidget(window);
}

}  // namespace zandrel
