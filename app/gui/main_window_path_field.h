// A single-line path field that takes the first local file or folder dropped on it.
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
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace zandrel
