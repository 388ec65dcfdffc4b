#include <QDate>
#include <QTime>

#include "check/run_report.h"
#include "platform/file_system.h"
#include "platform/native_file.h"

namespace zandrel {

bool ReportWriter::Create(const QString& path) {
  file_ = std::make_unique<QFile>();
  complete_ = true;
  if (!OpenNamedFile(*file_, path, QIODevice::WriteOnly | QIODevice::Truncate)) {
    last_error_ = file_->errorString();
    file_.reset();
    return false;
  }
  return true;
}

std::optional<QString> ReportWriter::CreateNew(const QString& first) {
  const qsizetype dot = first.lastIndexOf(u'.');
  const bool has_extension = dot > first.lastIndexOf(QChar(u'/')) && dot > first.lastIndexOf(QChar(u'\\'));
  complete_ = true;
  for (int number = 1; number < 10000; ++number) {
    QString candidate = first;
    if (number > 1) {
      const QString suffix = u'_' + QString::number(number);
      candidate = has_extension ? first.left(dot) + suffix + first.mid(dot) : first + suffix;
    }
    auto file = std::make_unique<QFile>();
    if (OpenNamedFile(*file, candidate, QIODevice::WriteOnly | QIODevice::NewOnly)) {
      file_ = std::move(file);
      return candidate;
    }
    last_error_ = file->errorString();
    if (!PathEntryExists(candidate)) break;  // not a taken name: the folder cannot take a report at all
  }
  file_.reset();
  return std::nullopt;
}

void ReportWriter::Fail(const QString& error) {
  if (complete_) last_error_ = error;
  complete_ = false;
}

void ReportWriter::WriteLine(const QString& line) {
  if (!IsOpen()) return;
  QString text = line;
  // Names are escaped where they are inserted; this keeps any other text to one line as well.
  text.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
  QByteArray bytes = text.toUtf8();
  bytes.append("\r\n", 2);
  if (file_->write(bytes) != bytes.size()) Fail(file_->errorString());
  // Each line reaches the file at once, so a report of a run that dies still tells how far it got.
  if (!file_->flush()) Fail(file_->errorString());
}

void ReportWriter::Close() {
  if (file_ && file_->isOpen()) {
    if (!file_->flush()) Fail(file_->errorString());
    file_->close();
    if (file_->error() != QFileDevice::NoError) Fail(file_->errorString());
  }
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
