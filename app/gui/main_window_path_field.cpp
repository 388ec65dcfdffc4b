#include "app/gui/main_window_path_field.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "platform/path_recovery.h"

namespace zandrel {

namespace {

bool IsEndOfLineKey(const QKeyEvent* event) {
  return event->key() == Qt::Key_E && event->modifiers() == Qt::ControlModifier;
}

}  // namespace

PathField::PathField(QWidget* parent) : QLineEdit(parent) { setAcceptDrops(true); }

bool PathField::event(QEvent* event) {
  // Claimed before the window's shortcut of the same key sees it.
  if (event->type() == QEvent::ShortcutOverride && IsEndOfLineKey(static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QLineEdit::event(event);
}

void PathField::keyPressEvent(QKeyEvent* event) {
  if (IsEndOfLineKey(event)) {
    end(false);
    return;
  }
  QLineEdit::keyPressEvent(event);
}

QString PathField::FirstLocalPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return QString();
  QString path;
  for (const QUrl& url : data->urls()) {
    // Not toLocalFile(): it loses the bytes of a name that is not UTF-8.
    const QString local = LocalPathOfUrl(url);
    if (local.isEmpty()) continue;
    path = QDir::toNativeSeparators(local);
    break;
  }
  // Folders come as the platform gives them, without a trailing separator.
  while (path.size() > 1 && path.endsWith(QDir::separator())) path.chop(1);
  return path;
}

void PathField::dragEnterEvent(QDragEnterEvent* event) {
  if (FirstLocalPath(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void PathField::dragMoveEvent(QDragMoveEvent* event) {
  if (FirstLocalPath(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void PathField::dropEvent(QDropEvent* event) {
  const QString path = FirstLocalPath(event->mimeData());
  if (path.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  emit pathDropped(path);
}

}  // namespace zandrel
