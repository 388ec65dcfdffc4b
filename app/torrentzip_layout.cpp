#include "app/torrentzip_layout.h"

namespace zandrel {

TorrentZipLayout LayoutTorrentZipWindow(QSize cancel_button) {
  const int width = cancel_button.width() >= 240 ? cancel_button.width() + 20 : 260;
  TorrentZipLayout layout;
  layout.inner = QSize(width, cancel_button.height() + 50);
  layout.progress_bar = QRect(10, 10, width - 20, 20);
  layout.cancel_button = QRect(width / 2 - cancel_button.width() / 2, 40, cancel_button.width(),
                               cancel_button.height());
  return layout;
}

}  // namespace zandrel
