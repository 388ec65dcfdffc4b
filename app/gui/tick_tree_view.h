// What the two tree windows share besides their model: the tree control, the natural size of a
// button or text, and placing a window.
#pragma once

#include <QPoint>
#include <QSize>

class QAbstractButton;
class QLabel;
class QTreeView;
class QWidget;

namespace zandrel {

class TickTreeModel;

// A tree of tick boxes over model: no header, rows of one height, nothing editable.
QTreeView* NewTickTreeView(TickTreeModel* model, QWidget* parent);

// A button's natural size: its caption measured in its font (text + 2 edges + 16 wide, + 2 edges
// + 4 high), or the style's own size hint when that is larger.
QSize ButtonNaturalSize(const QAbstractButton* button);
// A text's natural size: its text + 2 edges wide, + 2 edges + 4 high, or its size hint if larger.
QSize LabelNaturalSize(const QLabel* label);

// Places a top-level window with its inner size at a position; a position of (-9999, -9999) or an
// empty size centres it on the desktop.
void PlaceWindow(QWidget* window, QPoint position, QSize inner);

// Keeps a top-level window above the others, or lets it go, keeping it shown if it was.
void KeepWindowOnTop(QWidget* window, bool on_top);

}  // namespace zandrel
