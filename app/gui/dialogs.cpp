#include "app/gui/dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QUrl>

#include "app/desktop_opener.h"
#include "platform/path_recovery.h"

namespace zandrel {

bool QtDialogs::AskYesNo(QWidget* parent, const QString& title, const QString& text, BoxIcon icon) {
  const auto buttons = QMessageBox::Yes | QMessageBox::No;
  if (icon == BoxIcon::kWarning) {
    return QMessageBox::warning(parent, title, text, buttons, QMessageBox::No) == QMessageBox::Yes;
  }
  return QMessageBox::question(parent, title, text, buttons, QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::ShowMessage(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::information(parent, title, text);
}

QStringList QtDialogs::OpenFiles(QWidget* parent, const QString& title, const QString& start,
                                 const QString& filter, bool multiple) {
  // Qt's requesters hand back names that are not UTF-8 with their bytes replaced.
  if (multiple) {
    QStringList files = QFileDialog::getOpenFileNames(parent, title, start, filter);
    for (QString& file : files) file = RecoverPath(file);
    return files;
  }
  const QString file = RecoverPath(QFileDialog::getOpenFileName(parent, title, start, filter));
  return file.isEmpty() ? QStringList() : QStringList{file};
}

QString QtDialogs::SaveFile(QWidget* parent, const QString& title, const QString& start,
                            const QString& filter) {
  return RecoverPath(QFileDialog::getSaveFileName(parent, title, start, filter));
}

QString QtDialogs::Directory(QWidget* parent, const QString& title, const QString& start) {
  return RecoverPath(QFileDialog::getExistingDirectory(parent, title, start));
}

std::optional<QFont> QtDialogs::ChooseFont(QWidget* parent, const QFont& initial) {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, initial, parent);
  if (!ok) return std::nullopt;
  return font;
}

void QtDialogs::OpenWithAssociatedProgram(const QString& path, std::function<void()> failed) {
  const auto report = [failed = std::move(failed)](bool opened) {
    if (!opened && failed) failed();
  };
  // The desktop's own opener tells by its exit status whether it found a program; Qt's services
  // only tell whether they could hand the path on, so they are the fallback where it is missing.
  if (StartDesktopOpener(path, report)) return;
  report(QDesktopServices::openUrl(FileUrlOf(path)));
}

}  // namespace zandrel
