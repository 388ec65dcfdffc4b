#include "messages/language_file.h"

#include <QString>

namespace zandrel {

LanguageFile DecodeLanguageFile(const QByteArray& bytes) {
  const qsizetype count = bytes.size() / 2;
  const auto* raw = reinterpret_cast<const unsigned char*>(bytes.constData());
  QString text(count, Qt::Uninitialized);
  QChar* out = text.data();
  for (qsizetype i = 0; i < count; ++i) {
    out[i] = QChar(char16_t(raw[2 * i] | (raw[2 * i + 1] << 8)));
  }

  LanguageFile file;
  qsizetype start = 0;
  qsizetype i = 0;
  while (i < count) {
    const char16_t c = text[i].unicode();
    if (c != u'\r' && c != u'\n' && c != 0) {
      ++i;
      continue;
    }
    file.lines.append(text.mid(start, i - start));
    ++i;
    if (c == u'\r' && i < count && text[i] == u'\n') ++i;
    start = i;
  }
  if (start < count) file.lines.append(text.mid(start));
  return file;
}

QByteArray EncodeLanguageFile(const LanguageFile& file) {
  qsizetype size = 0;
  for (const QString& line : file.lines) size += 2 * (line.size() + 2);
  QByteArray bytes;
  bytes.reserve(size);
  auto put = [&bytes](char16_t c) {
    bytes.append(char(c & 0xFF));
    bytes.append(char(c >> 8));
  };
  for (const QString& line : file.lines) {
    for (QChar c : line) put(c.unicode());
    put(u'\r');
    put(u'\n');
  }
  return bytes;
}

}  // namespace zandrel
