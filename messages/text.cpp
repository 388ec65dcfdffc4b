#include "messages/text.h"

#include <limits>

#include "platform/native_name.h"

namespace zandrel {

QString ValueForKey(QStringView line, QStringView key) {
  const qsizetype n = key.size();
  if (line.size() < n + 1 || line[n] != u'=') return QString();
  if (line.left(n).compare(key, Qt::CaseInsensitive) != 0) return QString();
  return line.mid(n + 1).toString();
}

QString CountOfTotal(int64_t count, int64_t total) {
  return QString::number(count) + u'/' + QString::number(total);
}

QString FillPlaceholders(const QString& text,
                         std::initializer_list<std::pair<QStringView, QString>> values) {
  return FillPlaceholders(text, std::span<const std::pair<QStringView, QString>>(values.begin(), values.size()));
}

QString FillPlaceholders(const QString& text, std::span<const std::pair<QStringView, QString>> values) {
  QString out;
  out.reserve(text.size() + 64);
  qsizetype i = 0;
  while (i < text.size()) {
    bool replaced = false;
    if (text[i] == u'%') {
      for (const auto& [placeholder, value] : values) {
        if (QStringView(text).mid(i, placeholder.size()).compare(placeholder, Qt::CaseInsensitive) == 0) {
          out += value;
          i += placeholder.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += text[i++];
  }
  return out;
}

QString ShownText(const QString& path) {
  const QString name = DisplayName(path);
  QString shown;
  shown.reserve(name.size());
  for (const QChar c : name) {
    const char16_t u = c.unicode();
    // C0 and C1 controls, DEL, and the Unicode line and paragraph separators.
    const bool control = u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
    if (!control) {
      shown += c;
    } else if (u == u'\n') {
      shown += QStringLiteral("\\n");
    } else if (u == u'\r') {
      shown += QStringLiteral("\\r");
    } else if (u == u'\t') {
      shown += QStringLiteral("\\t");
    } else if (u < 0x100) {
      shown += QStringLiteral("\\x") + QString::number(u, 16).rightJustified(2, u'0');
    } else {
      shown += QStringLiteral("\\u") + QString::number(u, 16);
    }
  }
  return shown;
}

QString MessageBoxBody(QString text) { return text.replace(u'|', QStringLiteral("\r\n")); }

int64_t ParseInteger(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  int base = 10;
  if (i < text.size() && text[i] == u'$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == u'%') {
    base = 2;
    ++i;
  }
  const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                  : uint64_t(std::numeric_limits<int64_t>::max());
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    int digit = -1;
    char16_t c = text[i].unicode();
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    if (digit < 0 || digit >= base) break;
    value = (value > (limit - digit) / base) ? limit : value * base + digit;
  }
  if (negative) return value == limit ? std::numeric_limits<int64_t>::min() : -int64_t(value);
  return int64_t(value);
}

}  // namespace zandrel
