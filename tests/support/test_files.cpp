#include "tests/support/test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <random>

#include "platform/file_system.h"

namespace zandrel::test {

void WriteFile(const QString& path, const std::string& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray data = file.readAll();
  return std::string(data.constData(), data.size());
}

QStringList ReadReportLines(const QString& path) {
  QString text = QString::fromUtf8(QByteArray::fromStdString(ReadFile(path)));
  QStringList lines = text.split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string out(size, '\0');
  for (auto& c : out) c = static_cast<char>(gen() & 0xff);
  return out;
}

TorrentFileEntry EntryFor(const QString& relative, int64_t length) {
  TorrentFileEntry entry;
  const qsizetype cut = relative.lastIndexOf(u'/');
  entry.Dir = relative.left(cut + 1);
  entry.Name = relative.mid(cut + 1);
  entry.Length = length;
  return entry;
}

CheckInputs PlainInputs(const QString& root, const QString& download_dir) {
  CheckInputs inputs;
  inputs.torrent_path = Join(root, "Show.torrent");
  inputs.download_dir = download_dir;
  inputs.options.TorrentDir = download_dir;
  inputs.options.BackupDir = download_dir;
  inputs.options.OpenReport = 0;
  inputs.options.CheckUnneededFiles = 0;
  inputs.report_path = Join(root, "report.log");
  inputs.version = "1.0";
  return inputs;
}

RunOptions EveryFixOption(const QString& download_dir, const QString& backup_dir) {
  RunOptions options;
  options.OpenReport = 0;
  options.CheckUnneededFiles = 1;
  options.DelUnneededFiles = 1;
  options.DelOnlyWhenComplete = 0;
  options.TrimPaddedFiles = 1;
  options.FixMissing = 1;
  options.CreateBackups = 1;
  options.TorrentDir = download_dir;
  options.BackupDir = backup_dir;
  return options;
}

QString Join(const QString& a, const QString& b) { return WithTrailingSeparator(a) + b; }

}  // namespace zandrel::test
