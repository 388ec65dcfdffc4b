#include "torrent/torrent_details.h"

#include <QCryptographicHash>
#include <algorithm>
#include <string_view>
#include <utility>

#include "torrent/bencode.h"
#include "torrent/torrent_text.h"

namespace zandrel {
namespace {

using bencode::Kind;
using bencode::KeyIs;

QString Digest(std::string_view bytes, QCryptographicHash::Algorithm algorithm) {
  return QString::fromLatin1(
      QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), algorithm).toHex());
}

// Reads the members `info` shows from a document the bencode check accepted. As in the model's
// reader, keys match without regard to letter case and the first of a repeated key counts.
class DetailsReader {
 public:
  explicit DetailsReader(std::string_view data) : data_(data), walker_(data) {}

  bool Read(TorrentDetails& details);

 private:
  int64_t TopLevelMember(std::string_view key, int64_t at);
  int64_t ReadInfo(int64_t at);
  // A string value kept only if the slot is still empty; values of another kind are passed over.
  void KeepString(int64_t at, std::optional<QString>& slot) const {
    if (!slot && walker_.KindAt(at) == Kind::kString) slot = FromUtf8(walker_.String(at));
  }
  // The non-empty strings of a list (other items passed over), or a single string.
  std::vector<QString> Strings(int64_t at) const;

  std::string_view data_;
  bencode::Walker walker_;
  TorrentDetails meta_;
  bool info_found_ = false;
  std::optional<QString> announce_, name_, name_utf8_, comment_, comment_utf8_, created_by_, created_by_utf8_;
  std::vector<QString> web_seeds_, http_seeds_;
  bool tiers_seen_ = false, web_seeds_seen_ = false, http_seeds_seen_ = false;
};

std::vector<QString> DetailsReader::Strings(int64_t at) const {
  std::vector<QString> values;
  auto take = [&](int64_t item) {
    if (walker_.KindAt(item) == Kind::kString && !walker_.String(item).empty()) {
      values.push_back(FromUtf8(walker_.String(item)));
    }
    return int64_t{-1};
  };
  if (walker_.KindAt(at) == Kind::kList) {
    walker_.ForEachItem(at, take);
  } else {
    take(at);
  }
  return values;
}

// Returns the dictionary's end, so that the walk over the document does not pass it again.
int64_t DetailsReader::ReadInfo(int64_t at) {
  bool private_seen = false, version_seen = false;
  const int64_t end = walker_.ForEachPair(at, [&](std::string_view key, int64_t value) -> int64_t {
    const bool integer = walker_.KindAt(value) == Kind::kInteger;
    if (KeyIs(key, "name")) KeepString(value, name_);
    if (KeyIs(key, "name.utf-8")) KeepString(value, name_utf8_);
    if (KeyIs(key, "private") && integer && !std::exchange(private_seen, true)) {
      // As clients read it: any value but 0 makes the torrent private.
      meta_.is_private = walker_.Integer(value) != 0;
    }
    if (KeyIs(key, "meta version") && integer && !std::exchange(version_seen, true)) {
      meta_.meta_version = walker_.Integer(value);
    }
    if (KeyIs(key, "files")) meta_.multi_file = true;
    if (KeyIs(key, "pieces")) meta_.has_v1_pieces = true;
    return -1;
  });
  // Older Windows clients wrote the plain name in a legacy code page.
  meta_.name = name_utf8_ ? *name_utf8_ : name_.value_or(QString());
  const std::string_view info = data_.substr(static_cast<size_t>(at), static_cast<size_t>(end - at));
  meta_.info_hash_v1 = Digest(info, QCryptographicHash::Sha1);
  if (meta_.meta_version >= 2) meta_.info_hash_v2 = Digest(info, QCryptographicHash::Sha256);
  return end;
}

int64_t DetailsReader::TopLevelMember(std::string_view key, int64_t at) {
  const Kind kind = walker_.KindAt(at);
  if (KeyIs(key, "info")) {
    if (!info_found_ && kind == Kind::kDictionary) {
      info_found_ = true;
      return ReadInfo(at);
    }
  } else if (KeyIs(key, "announce")) {
    KeepString(at, announce_);
  } else if (KeyIs(key, "announce-list") && kind == Kind::kList && !std::exchange(tiers_seen_, true)) {
    return walker_.ForEachItem(at, [&](int64_t tier_at) -> int64_t {
      if (walker_.KindAt(tier_at) != Kind::kList) return -1;
      std::vector<QString> tier = Strings(tier_at);
      if (!tier.empty()) meta_.tracker_tiers.push_back(std::move(tier));
      return -1;
    });
  } else if (KeyIs(key, "comment")) {
    KeepString(at, comment_);
  } else if (KeyIs(key, "comment.utf-8")) {
    KeepString(at, comment_utf8_);
  } else if (KeyIs(key, "created by")) {
    KeepString(at, created_by_);
  } else if (KeyIs(key, "created by.utf-8")) {
    KeepString(at, created_by_utf8_);
  } else if (KeyIs(key, "creation date") && kind == Kind::kInteger && !meta_.creation_date) {
    meta_.creation_date = walker_.Integer(at);
  } else if (KeyIs(key, "url-list") && !std::exchange(web_seeds_seen_, true)) {
    web_seeds_ = Strings(at);
  } else if (KeyIs(key, "httpseeds") && !std::exchange(http_seeds_seen_, true)) {
    http_seeds_ = Strings(at);
  }
  return -1;
}

bool DetailsReader::Read(TorrentDetails& details) {
  if (walker_.KindAt(0) != Kind::kDictionary) return false;
  walker_.ForEachPair(0, [&](std::string_view key, int64_t at) { return TopLevelMember(key, at); });
  if (!info_found_) return false;
  // Clients use "announce" only when there is no list.
  if (meta_.tracker_tiers.empty() && announce_ && !announce_->isEmpty()) meta_.tracker_tiers.push_back({*announce_});
  // The ".utf-8" keys exist because the plain ones were written in a legacy code page.
  meta_.comment = comment_utf8_ ? comment_utf8_ : comment_;
  meta_.created_by = created_by_utf8_ ? created_by_utf8_ : created_by_;
  // Seeds of the older HTTP-seed protocol are web seeds too, each listed once.
  meta_.web_seeds = web_seeds_;
  for (const QString& url : http_seeds_) {
    if (std::find(meta_.web_seeds.begin(), meta_.web_seeds.end(), url) == meta_.web_seeds.end()) {
      meta_.web_seeds.push_back(url);
    }
  }
  // A v2-only torrent has no SHA-1 info-hash that clients use.
  if (meta_.meta_version >= 2 && !meta_.has_v1_pieces) meta_.info_hash_v1.clear();
  details = std::move(meta_);
  return true;
}

}  // namespace

bool ReadTorrentDetails(std::string_view validated, TorrentDetails& details) {
  return DetailsReader(validated).Read(details);
}

}  // namespace zandrel
