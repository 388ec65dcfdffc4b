// Where the controls of the two tree windows go (the ignore-list window and a torrent view), as
// pure functions of the inner size and the controls' natural sizes.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace zandrel {

// Inner size a tree window opens with when nothing is remembered.
inline constexpr int kTreeWindowWidth = 450;
inline constexpr int kTreeWindowHeight = 300;

struct IgnoreWindowSizes {
  QSize select_all, select_none, wait_text, cancel;
};

struct IgnoreWindowLayout {
  QRect tree, select_all, select_none, wait_text, cancel;
};

// The tree above the two Select buttons; the wait text and Cancel centred near the top while the
// tree is built.
IgnoreWindowLayout LayoutIgnoreWindow(QSize inner, const IgnoreWindowSizes& sizes);

struct TorrentViewSizes {
  QSize save, select_all, select_none;
};

struct TorrentViewLayout {
  QRect tree, save, select_all, select_none;
};

// The save button sits at the right edge while the three buttons fit side by side, and right after
// Select none when the window is narrower.
TorrentViewLayout LayoutTorrentView(QSize inner, const TorrentViewSizes& sizes);

// Top-left corner that centres a window of this size on the desktop (halves rounded towards zero).
QPoint CentredPosition(QSize desktop, QSize window);

}  // namespace zandrel
