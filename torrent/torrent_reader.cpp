#include "torrent/torrent_reader.h"

namespace zandrel {

int ReadTorrent(const QString&, int, TorrentModel&, PathMap&, const MessageTable&, const StatusCallback&) {
  return 0;
}

}  // namespace zandrel
