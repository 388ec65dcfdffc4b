#include "app/gui/status_line.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace zandrel {

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
  // Names in the line are never taken for markup.
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignCenter);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

QRect StatusLine::TextArea() const {
  const int inset = margin() + (indent() > 0 ? indent() : 0);
  return contentsRect().adjusted(inset, margin(), -inset, -margin());
}

QString StatusLine::ShownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideMiddle, TextArea().width());
}

void StatusLine::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);  // the panel
  QPainter painter(this);
  style()->drawItemText(&painter, TextArea(), QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                        isEnabled(), ShownText(), foregroundRole());
}

bool StatusLine::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    // The whole text, only where the line shows less of it.
    const auto* help = static_cast<QHelpEvent*>(event);
    if (ShownText() != text()) {
      QToolTip::showText(help->globalPos(), text(), this);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QLabel::event(event);
}

}  // namespace zandrel
