#include <QDate>
#include <QTime>

#include "check/check_run.h"

namespace zandrel {

bool ReportWriter::Create(const QString& path) {
  file_ = std::make_unique<QFile>(path);
  if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    file_.reset();
    return false;
  }
  return true;
}

void ReportWriter::WriteLine(const QString& line) {
  if (!IsOpen()) return;
  QByteArray bytes = line.toUtf8();
  bytes.append("\r\n", 2);
  file_->write(bytes);
  // Each line reaches the file at once, so a report of a run that dies still tells how far it got.
  file_->flush();
}

void ReportWriter::Close() {
  if (file_) file_->close();
  file_.reset();
}

QString ReportFileName(const QString& torrent_path, const QDate& date, const QTime& time) {
  QString base = torrent_path.mid(qMax(torrent_path.lastIndexOf(u'\\'), torrent_path.lastIndexOf(u'/')) + 1);
  const qsizetype dot = base.lastIndexOf(u'.');
  if (dot >= 0) base.truncate(dot);
  return QStringLiteral("ZandrelReport_") + base + u'_' + date.toString(QStringLiteral("yyyy-MM-dd")) + u'_' +
         time.toString(QStringLiteral("HH-mm-ss")) + QStringLiteral(".log");
}

}  // namespace zandrel
