// The `zandrel` program: the main window.
#include <QApplication>
#include <QDir>

#include "app/gui/application.h"
#include "app/gui/dialogs.h"
#include "platform/data_folder.h"

int main(int argc, char** argv) {
  QApplication qt_app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zandrel"));
  zandrel::QtDialogs dialogs;
  zandrel::Application app(dialogs, {QDir::currentPath(), zandrel::PerUserFolder(),
                                     QCoreApplication::applicationDirPath()});
  return app.Exec();
}
