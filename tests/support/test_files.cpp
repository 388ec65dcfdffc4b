#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
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

void WriteFiles(const QString& dir, const FileMap& files) {
  for (const auto& [relative, bytes] : files) WriteFile(Join(dir, relative), bytes);
}

void ExpectFiles(const QString& dir, const FileMap& files) {
  for (const auto& [relative, bytes] : files) EXPECT_EQ(ReadFile(Join(dir, relative)), bytes) << relative.toStdString();
}

FileMap ItemsBelow(const QString& dir) {
  FileMap items;
  QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QFileInfo info(it.next());
    const QString relative = QDir(dir).relativeFilePath(info.filePath());
    if (info.isSymLink()) {
      items[relative] = "link to " + info.symLinkTarget().toStdString();
    } else if (info.isFile()) {
      items[relative] = ReadFile(info.filePath());
    } else {
      items[relative] = "directory";
    }
  }
  return items;
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
