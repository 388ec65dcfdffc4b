#include "torrent/torrent_model.h"

namespace zandrel {

QString HexDigest(const Sha1Digest& digest) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  QString text(40, Qt::Uninitialized);
  for (int i = 0; i < 20; ++i) {
    text[2 * i] = QChar(kDigits[digest[i] >> 4]);
    text[2 * i + 1] = QChar(kDigits[digest[i] & 15]);
  }
  return text;
}

}  // namespace zandrel
