#include "tests/support/bencode.h"

#include <openssl/sha.h>

namespace zandrel::test {

std::string BInt(int64_t value) { return "i" + std::to_string(value) + "e"; }

std::string BStr(std::string_view text) { return std::to_string(text.size()) + ":" + std::string(text); }

std::string BList(const std::vector<std::string>& items) {
  std::string out = "l";
  for (const auto& item : items) out += item;
  return out + "e";
}

std::string BDict(const std::vector<std::pair<std::string, std::string>>& items) {
  std::string out = "d";
  for (const auto& [key, value] : items) out += BStr(key) + value;
  return out + "e";
}

std::string BuildMultiFileTorrent(const std::string& name, const std::vector<TorrentFileItem>& files,
                                  int64_t piece_length, const std::string& pieces) {
  std::vector<std::string> file_dicts;
  for (const auto& f : files) {
    std::vector<std::string> components;
    for (const auto& c : f.path) components.push_back(BStr(c));
    std::vector<std::pair<std::string, std::string>> items;
    if (!f.attr.empty()) items.push_back({"attr", BStr(f.attr)});
    items.push_back({"length", BInt(f.length)});
    items.push_back({"path", BList(components)});
    if (!f.symlink.empty()) {
      std::vector<std::string> target;
      for (const auto& c : f.symlink) target.push_back(BStr(c));
      items.push_back({"symlink path", BList(target)});
    }
    file_dicts.push_back(BDict(items));
  }
  std::string info = BDict({{"files", BList(file_dicts)},
                            {"name", BStr(name)},
                            {"piece length", BInt(piece_length)},
                            {"pieces", BStr(pieces)}});
  return BDict({{"announce", BStr("http://tracker.invalid/announce")}, {"info", info}});
}

std::string BuildSingleFileTorrent(const std::string& name, int64_t length, int64_t piece_length,
                                   const std::string& pieces) {
  std::string info = BDict({{"length", BInt(length)},
                            {"name", BStr(name)},
                            {"piece length", BInt(piece_length)},
                            {"pieces", BStr(pieces)}});
  return BDict({{"announce", BStr("http://tracker.invalid/announce")}, {"info", info}});
}

std::string Sha1(std::string_view data) {
  unsigned char digest[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
  return std::string(reinterpret_cast<const char*>(digest), SHA_DIGEST_LENGTH);
}

std::string PiecesFor(const std::string& stream, int64_t piece_length) {
  std::string pieces;
  for (size_t pos = 0; pos < stream.size(); pos += piece_length) {
    pieces += Sha1(std::string_view(stream).substr(pos, piece_length));
  }
  return pieces;
}

}  // namespace zandrel::test
