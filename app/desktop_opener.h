// Opening a file or folder with the program the desktop associates with it, through the desktop's
// own opener (xdg-open): its exit status tells whether a program was found, where Qt's desktop
// services only tell whether the opener could be started.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace zandrel {

// The desktop's opener in the program search path; empty when there is none.
QString DesktopOpenerProgram();

// The file URL of a path, built from the name's bytes: QUrl::fromLocalFile would lose those of a
// name that is not UTF-8.
QUrl FileUrlOf(const QString& path);

// Starts the desktop's opener on the path (given as its file URL, so that every byte of the name
// arrives) and calls done(opened) from the calling thread's event loop once the opener has ended:
// false when it could not be started, was killed or ended with a failure (no program for such a
// file, nothing at the path). False, and done is never called, when there is no opener to start.
bool StartDesktopOpener(const QString& path, std::function<void(bool opened)> done);

}  // namespace zandrel
