#include "app/gui/tick_tree_view.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QTreeView>

#include "app/gui/tick_tree_model.h"
#include "app/tree_window_layout.h"

namespace zandrel {
namespace {

QSize MeasuredText(const QWidget* widget, const QString& text, int extra_width) {
  const int edge = widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget);
  const QFontMetrics metrics(widget->font());
  const QSize text_size = metrics.size(Qt::TextShowMnemonic, text);
  return QSize(text_size.width() + 2 * edge + extra_width, text_size.height() + 2 * edge + 4)
      .expandedTo(widget->sizeHint());
}

}  // namespace

QTreeView* NewTickTreeView(TickTreeModel* model, QWidget* parent) {
  auto* tree = new QTreeView(parent);
  tree->setHeaderHidden(true);
  tree->setUniformRowHeights(true);
  tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree->setSelectionMode(QAbstractItemView::SingleSelection);
  tree->setModel(model);
  return tree;
}

QSize ButtonNaturalSize(const QAbstractButton* button) { return MeasuredText(button, button->text(), 16); }

QSize TextNaturalSize(const QLabel* label) { return MeasuredText(label, label->text(), 0); }

void PlaceWindow(QWidget* window, QPoint position, QSize inner) {
  if (inner.width() <= 0) inner.setWidth(kTreeWindowWidth);
  if (inner.height() <= 0) inner.setHeight(kTreeWindowHeight);
  if (position == QPoint(-9999, -9999)) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    position = CentredPosition(screen ? screen->geometry().size() : QSize(), inner);
  }
  window->resize(inner);
  window->move(position);
}

void KeepWindowOnTop(QWidget* window, bool on_top) {
  if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on_top) return;
  const bool shown = window->isVisible();
  window->setWindowFlag(Qt::WindowStaysOnTopHint, on_top);
  if (shown) window->show();
}

}  // namespace zandrel
