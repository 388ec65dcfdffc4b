// A small bencode writer for building real .torrent files in tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zandrel::test {

std::string BInt(int64_t value);
std::string BStr(std::string_view text);
std::string BList(const std::vector<std::string>& items);
// Keys are written in the order given; pass them sorted for a well-formed dictionary.
std::string BDict(const std::vector<std::pair<std::string, std::string>>& items);

struct TorrentFileItem {
  std::vector<std::string> path;  // components
  int64_t length = 0;
  std::string attr;               // BEP 47 attributes ("p" for padding), empty for none
  std::vector<std::string> symlink = {};  // "symlink path" components (with attr "l"), empty for none
};

// A multi-file torrent (info: files, name, piece length, pieces).
std::string BuildMultiFileTorrent(const std::string& name, const std::vector<TorrentFileItem>& files,
                                  int64_t piece_length, const std::string& pieces);
// A single-file torrent (info: length, name, piece length, pieces).
std::string BuildSingleFileTorrent(const std::string& name, int64_t length, int64_t piece_length,
                                   const std::string& pieces);

// Raw SHA-1 digests of every piece of a byte stream.
std::string PiecesFor(const std::string& stream, int64_t piece_length);
std::string Sha1(std::string_view data);

}  // namespace zandrel::test
