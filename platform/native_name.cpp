#include "platform/native_name.h"

namespace zandrel {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

// Length of the valid UTF-8 sequence at bytes[i] (0 when there is none) and its code point.
int Utf8Sequence(QByteArrayView bytes, qsizetype i, char32_t* code_point) {
  const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = byte(i);
  int length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    *code_point = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (int k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *code_point = value;
  return length;
}

}  // namespace

QString DecodeName(QByteArrayView bytes) {
  QString name;
  name.reserve(bytes.size());
  for (qsizetype i = 0; i < bytes.size();) {
    char32_t code_point = 0;
    const int length = Utf8Sequence(bytes, i, &code_point);
    if (length == 0) {
      name += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
      ++i;
      continue;
    }
    if (code_point < 0x10000) {
      name += QChar(static_cast<char16_t>(code_point));
    } else {
      name += QChar(QChar::highSurrogate(code_point));
      name += QChar(QChar::lowSurrogate(code_point));
    }
    i += length;
  }
  return name;
}

QByteArray EncodeName(const QString& name) {
  QByteArray bytes;
  bytes.reserve(name.size());
  qsizetype run_start = 0;
  // Runs of ordinary text go through the UTF-8 encoder; escaped bytes are put back as they were.
  for (qsizetype i = 0; i <= name.size(); ++i) {
    const bool escaped = i < name.size() && IsEscapedByte(name[i].unicode()) &&
                         (i == 0 || !name[i - 1].isHighSurrogate());
    if (i < name.size() && !escaped) continue;
    bytes += QStringView(name).mid(run_start, i - run_start).toUtf8();
    if (escaped) bytes += static_cast<char>(name[i].unicode() - kEscapeBase);
    run_start = i + 1;
  }
  return bytes;
}

QString DisplayName(const QString& name) {
  QString shown = name;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    const char16_t unit = shown[i].unicode();
    const bool paired = QChar::isHighSurrogate(unit) && i + 1 < shown.size() && shown[i + 1].isLowSurrogate();
    if (paired) {
      ++i;
    } else if (QChar::isSurrogate(unit)) {
      shown[i] = QChar(QChar::ReplacementCharacter);
    }
  }
  return shown;
}

}  // namespace zandrel
