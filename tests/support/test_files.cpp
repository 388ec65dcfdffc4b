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

QString Join(const QString& a, const QString& b) { return WithTrailingSeparator(a) + b; }

}  // namespace zandrel::test
