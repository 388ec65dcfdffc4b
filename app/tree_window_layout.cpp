#include "app/tree_window_layout.h"

namespace zandrel {

IgnoreWindowLayout LayoutIgnoreWindow(QSize inner, const IgnoreWindowSizes& s) {
  const int w = inner.width(), h = inner.height();
  IgnoreWindowLayout l;
  l.tree = QRect(10, 10, w - 20, h - s.select_all.height() - 30);
  l.select_all = QRect(QPoint(10, h - s.select_all.height() - 10), s.select_all);
  l.select_none = QRect(QPoint(10 + s.select_all.width(), h - s.select_none.height() - 10), s.select_none);
  l.wait_text = QRect(QPoint(w / 2 - s.wait_text.width() / 2, 20), s.wait_text);
  l.cancel = QRect(QPoint(w / 2 - s.cancel.width() / 2, s.wait_text.height() + 30), s.cancel);
  return l;
}

TorrentViewLayout LayoutTorrentView(QSize inner, const TorrentViewSizes& s) {
  const int w = inner.width(), h = inner.height();
  TorrentViewLayout l;
  l.tree = QRect(10, 10, w - 20, h - s.save.height() - 30);
  l.select_all = QRect(QPoint(10, h - s.select_all.height() - 10), s.select_all);
  l.select_none = QRect(QPoint(s.select_all.width() + 10, h - s.select_none.height() - 10), s.select_none);
  const bool room = w > s.save.width() + s.select_all.width() + s.select_none.width() + 20;
  const int save_x = room ? w - s.save.width() - 10 : s.select_all.width() + s.select_none.width() + 10;
  l.save = QRect(QPoint(save_x, h - s.save.height() - 10), s.save);
  return l;
}

QPoint CentredPosition(QSize desktop, QSize window) {
  return QPoint(desktop.width() / 2 - window.width() / 2, desktop.height() / 2 - window.height() / 2);
}

}  // namespace zandrel
