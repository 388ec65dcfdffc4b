// File names as the system stores them (bytes) and as the program holds them (text), without loss.
// Linux names are bytes and need not be UTF-8: a byte that is not part of a valid UTF-8 sequence
// becomes the lone surrogate U+DC00 + byte (U+DC80..U+DCFF), which no valid name can contain, and
// turns back into that byte. A leading U+FEFF is a character of the name like any other.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zandrel {

QString DecodeName(QByteArrayView bytes);
QByteArray EncodeName(const QString& name);

// The name as a person reads it: each byte that stood for no character shows as U+FFFD.
QString DisplayName(const QString& name);

}  // namespace zandrel
