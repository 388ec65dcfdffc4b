// The text format of language files: UTF-16 little-endian, CR LF after every line, no byte-order
// mark. Reading accepts CR, LF, CR LF and a zero character as line ends.
#pragma once

#include <QByteArray>
#include <QStringList>

namespace zandrel {

// The lines of one language file, without their line ends.
struct LanguageFile {
  QStringList lines;
};

// Splits raw file bytes into lines. A trailing odd byte (a truncated character) is dropped; a
// byte-order mark is not recognised and stays part of the first line. Any other encoding simply
// decodes to lines that match no key.
LanguageFile DecodeLanguageFile(const QByteArray& bytes);

// The bytes of a language file: every line followed by CR LF.
QByteArray EncodeLanguageFile(const LanguageFile& file);

}  // namespace zandrel
