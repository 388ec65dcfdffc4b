#include "torrent/torrent_model.h"

#include <QByteArray>

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

QString HexDigest(const Sha256Digest& digest) {
  return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest.data()), 32).toHex());
}

int64_t TorrentModel::PieceCount() const {
  if (HasV1Pieces || PieceLength <= 0) return PiecesSize / 20;
  int64_t pieces = 0;
  for (const TorrentFileEntry& entry : TorrentFiles) pieces += (entry.Length + PieceLength - 1) / PieceLength;
  return pieces;
}

}  // namespace zandrel
