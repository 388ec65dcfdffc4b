// The `zandrel` program: the main window.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QPixmap>

#include "app/gui/about_pictures.h"
#include "app/gui/application.h"
#include "app/gui/dialogs.h"
#include "platform/data_folder.h"

int main(int argc, char** argv) {
  QApplication qt_app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zandrel"));
  // The logo for every window and the desktop entry (zandrel.desktop) it belongs to.
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(zandrel::LogoImage())));
  QGuiApplication::setDesktopFileName(QStringLiteral("zandrel"));
  zandrel::QtDialogs dialogs;
  zandrel::Application app(dialogs, {QDir::currentPath(), zandrel::PerUserFolder(),
                                     QCoreApplication::applicationDirPath()});
  return app.Exec();
}
