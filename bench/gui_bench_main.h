// The start of a benchmark that shows windows: a Fusion-styled application and two arguments.
#pragma once

#include <QApplication>
#include <QString>
#include <cstdio>

namespace zandrel {

inline int GuiBenchMain(int argc, char** argv, const char* usage, int (*run)(const QString&, const QString&)) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s\n", usage);
    return 2;
  }
  return run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
}

}  // namespace zandrel
