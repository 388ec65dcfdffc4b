// A single-line path field that takes the first local file or folder dropped on it, and keeps the
// usual editing keys (Ctrl+E: end of line, as on X11 desktops) whatever the platform's key scheme.
#pragma once

#include <QLineEdit>

class QMimeData;

namespace zandrel {

class PathField : public QLineEdit {
  Q_OBJECT

 public:
  explicit PathField(QWidget* parent = nullptr);

  // The first local path of dropped data; empty for text, remote URLs and anything else.
  static QString FirstLocalPath(const QMimeData* data);

 signals:
  void pathDropped(const QString& path);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace zandrel
