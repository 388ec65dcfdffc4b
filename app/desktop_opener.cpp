#include "app/desktop_opener.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <memory>
#include <utility>

#include "platform/native_name.h"

namespace zandrel {

QString DesktopOpenerProgram() { return QStandardPaths::findExecutable(QStringLiteral("xdg-open")); }

QUrl FileUrlOf(const QString& path) {
  return QUrl::fromEncoded("file://" + EncodeName(path).toPercentEncoding("/"), QUrl::StrictMode);
}

bool StartDesktopOpener(const QString& path, std::function<void(bool opened)> done) {
  const QString program = DesktopOpenerProgram();
  if (program.isEmpty()) return false;
  // Owned by the application: the opener may still wait for the program it started when the
  // windows close.
  auto* process = new QProcess(QCoreApplication::instance());
  process->setProgram(program);
  // An ASCII argument: QProcess would encode a name that is not UTF-8 lossily.
  process->setArguments({QString::fromLatin1(FileUrlOf(path).toEncoded())});
  process->setStandardInputFile(QProcess::nullDevice());
  // What the opener says (its reason for a failure) stays visible where the program was started
  // from a terminal, as when the desktop's services start it.
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  auto report = std::make_shared<std::function<void(bool)>>(std::move(done));
  const auto finish = [process, report](bool opened) {
    if (*report) std::exchange(*report, nullptr)(opened);
    process->deleteLater();
  };
  QObject::connect(process, &QProcess::finished, process, [finish](int code, QProcess::ExitStatus status) {
    finish(status == QProcess::NormalExit && code == 0);
  });
  QObject::connect(process, &QProcess::errorOccurred, process, [finish](QProcess::ProcessError error) {
    // Only a start that failed ends the opener here; every other end comes through finished.
    if (error == QProcess::FailedToStart) finish(false);
  });
  process->start(QIODevice::NotOpen);
  return true;
}

}  // namespace zandrel
