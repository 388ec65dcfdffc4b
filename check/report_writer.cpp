#include <QDate>
#include <QTime>

#include "check/check_run.h"
#include "platform/file_system.h"
#include "platform/native_file.h"

namespace zandrel {

bool ReportWriter::Create(const QString& path) {
  file_ = std::make_unique<QFile>();
  if (!OpenNamedFile(*file_, path, QIODevice::WriteOnly | QIODevice::Truncate)) {
    file_.reset();
    return false;
  }
  return true;
}

bool ReportWriter::CreateNew(QString* path) {
  const QString first = *path;
  const qsizetype dot = first.lastIndexOf(u'.');
  const bool has_extension = dot > first.lastIndexOf(QChar(u'/')) && dot > first.lastIndexOf(QChar(u'\\'));
  for (int number = 1; number < 10000; ++number) {
    QString candidate = first;
    if (number > 1) {
      const QString suffix = u'_' + QString::number(number);
      candidate = has_extension ? first.left(dot) + suffix + first.mid(dot) : first + suffix;
    }
    auto file = std::make_unique<QFile>();
    if (OpenNamedFile(*file, candidate, QIODevice::WriteOnly | QIODevice::NewOnly)) {
      file_ = std::move(file);
      *path = candidate;
      return true;
    }
    if (!PathEntryExists(candidate)) break;  // not a taken name: the folder cannot take a report at all
  }
  file_.reset();
  return false;
}

void ReportWriter::WriteLine(const QString& line) {
  if (!IsOpen()) return;
  QString text = line;
  // Names are escaped where they are inserted; this keeps any other text to one line as well.
  text.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
  QByteArray bytes = text.toUtf8();
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
