// Placement of the TorrentZip window's progress bar and Cancel button.
#pragma once

#include <QRect>
#include <QSize>

namespace zandrel {

struct TorrentZipLayout {
  QSize inner;
  QRect progress_bar;
  QRect cancel_button;
};

// From the Cancel button's natural size: 260 pixels wide, or the button and a margin of 10 on each
// side when that is wider; the bar on top, the button centred below it.
TorrentZipLayout LayoutTorrentZipWindow(QSize cancel_button);

}  // namespace zandrel
