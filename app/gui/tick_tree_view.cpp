#include "app/gui/tick_tree_view.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QTreeView>

#include "app/gui/tick_tree_model.h"
#include "app/main_window_layout.h"
#include "app/tree_window_layout.h"

namespace zandrel {
namespace {

QSize MeasuredText(const QWidget* widget, const QString& text, int extra_width) {
  const int edge = widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget);
  const QFontMetrics metrics(widget->font());
  return TextNaturalSize(metrics.size(Qt::TextShowMnemonic, text), QSize(edge, edge), extra_width)
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

QSize LabelNaturalSize(const QLabel* label) { return MeasuredText(label, label->text(), 0); }

void PlaceWindow(QWidget* window, QPoint position, QSize inner) {
  if (inner.width() <= 0) inner.setWidth(kTreeWindowWidth);
  if (inner.height() <= 0) inner.setHeight(kTreeWindowHeight);
  if (position == QPoint(-9999, -9999)) {
    // Centred on the screen's free area, as the main window is: panels and a screen that does
    // not start at the origin are allowed for.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->availableGeometry() : QRect();
    position = desktop.topLeft() + CentredPosition(desktop.size(), inner);
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
