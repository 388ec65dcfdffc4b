// Byte-level helpers for language-file tests, written independently of the program's own codec so
// that the tests check the file format rather than restate it.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "messages/builtin_texts.h"
#include "platform/version.h"
#include "tests/support/test_files.h"

namespace zandrel::test {

inline std::string Utf16Le(const QString& text) {
  std::string out;
  for (QChar c : text) {
    out += char(c.unicode() & 0xFF);
    out += char(c.unicode() >> 8);
  }
  return out;
}

// Every line followed by CR LF, as the program writes them.
inline std::string LngBytes(const QStringList& lines) {
  std::string out;
  for (const QString& line : lines) out += Utf16Le(line + QStringLiteral("\r\n"));
  return out;
}

// Lines of a file that the program wrote: UTF-16LE, every line ended by CR LF. A missing final
// CR LF shows up as an extra last line.
inline QStringList LngLines(const QString& path) {
  const std::string bytes = ReadFile(path);
  QString text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += QChar(char16_t(static_cast<unsigned char>(bytes[i]) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  QStringList lines = text.split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

// The built-in text of a key, straight from the table of built-in texts.
inline QString BuiltInText(const QString& key) {
  for (const TableItem& item : kTableItems) {
    if (item.kind == TableItemKind::kKey && QString::fromUtf16(item.key) == key) {
      return QString::fromUtf16(item.text);
    }
  }
  return QString();
}

// A file regenerated from the table of built-in texts, built here from the layout rules: the
// header, then the sections, with each key's lines made by key_lines.
inline QStringList LngLayout(const std::function<QStringList(const QString& key)>& key_lines) {
  QStringList lines = {
      ";Zandrel v" + VersionText() + " Language File", ";",
      ";Do not translate or change anything enclosed in %% - these are values that are replaced "
      "at runtime.",
      ";This file must be saved as a unicode text file.", ";"};
  for (const TableItem& item : kTableItems) {
    if (item.kind == TableItemKind::kSection) lines << ";" << QString::fromUtf16(item.text) << ";";
    if (item.kind == TableItemKind::kKey) lines << key_lines(QString::fromUtf16(item.key));
  }
  return lines;
}

inline QString SourceLangDir() { return QStringLiteral(ZANDREL_SOURCE_DIR "/lang"); }

}  // namespace zandrel::test
