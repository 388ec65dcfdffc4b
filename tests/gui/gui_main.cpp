// The window tests need a QApplication living for the whole program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryFile>

int main(int argc, char** argv) {
  QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty()) platform = "offscreen";
  // The offscreen platform's own screen (800 x 600) is smaller than most desktops; the windows are
  // tested on a common one.
  QTemporaryFile screens;
  if (platform == "offscreen" && screens.open()) {
    screens.write(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96}]})");
    screens.flush();
    platform += ":configfile=" + screens.fileName().toLocal8Bit();
  }
  qputenv("QT_QPA_PLATFORM", platform);
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
