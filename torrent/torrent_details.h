// What a torrent says beyond its files: its name, info-hashes, trackers and creation details. The
// torrent reader fills them in the same read that gives the files.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace zandrel {

struct TorrentDetails {
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
};

// Reads the details of a document that bencode::ValidateDocument accepted; false when it has no
// info dictionary.
bool ReadTorrentDetails(std::string_view validated, TorrentDetails& details);

}  // namespace zandrel
