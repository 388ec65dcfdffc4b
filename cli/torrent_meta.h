// What `info` shows beyond the files: the torrent's name, hashes, trackers and creation details.
// Read from the file's bencoded dictionary through the same bounded walker as the model, which
// keeps none of this.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace zandrel {

struct TorrentMeta {
  QString name;                        // the info dictionary's "name"
  bool multi_file = false;             // "files" in the info dictionary
  bool has_v1_pieces = false;          // "pieces" in the info dictionary
  int64_t meta_version = 1;
  QString info_hash_v1;                // 40 lower-case hex digits (SHA-1 of the info dictionary)
  QString info_hash_v2;                // 64 digits (SHA-256) for v2 and hybrid torrents, else empty
  bool is_private = false;
  std::optional<QString> created_by;   // "created by.utf-8" before "created by"
  std::optional<int64_t> creation_date;  // seconds since 1970
  std::optional<QString> comment;      // "comment.utf-8" before "comment"
  std::vector<std::vector<QString>> tracker_tiers;  // "announce-list", or "announce" as one tier
  std::vector<QString> web_seeds;                   // "url-list", then "httpseeds"

  bool V2Only() const { return meta_version >= 2 && !has_v1_pieces; }
};

// Why a v2-only torrent is refused.
QString V2OnlyMessage();

// The strict reading of a torrent file (at most 256 MiB); nullopt when it cannot be read or is
// not one well-formed bencoded dictionary with an info dictionary.
std::optional<TorrentMeta> ReadTorrentMetaFile(const QString& path);

// Nullopt when the bytes are not one well-formed bencoded dictionary with an info dictionary.
std::optional<TorrentMeta> ReadTorrentMeta(const QByteArray& bytes);

}  // namespace zandrel
