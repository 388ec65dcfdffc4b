// The main window's status line: one line of plain text in a sunken panel whose width the window's
// layout sets. A text longer than the line is drawn shortened in the middle ("..."), so that its
// start and its end (a file's name) stay in view, and shows whole as the line's tool tip; the label's
// text itself stays whole. A long text never widens the window.
#pragma once

#include <QLabel>

namespace zandrel {

class StatusLine : public QLabel {
 public:
  explicit StatusLine(QWidget* parent = nullptr);

  // The text as drawn: the whole text, or its shortened form when it is wider than the line.
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QRect TextArea() const;
};

}  // namespace zandrel
