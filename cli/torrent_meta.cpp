#include "cli/torrent_meta.h"

#include <QCryptographicHash>
#include <string_view>

#include "platform/file_system.h"

namespace zandrel {
namespace {

// Deeper nesting than this is not a torrent any creator writes.
constexpr int kMaxDepth = 512;

class Decoder {
 public:
  explicit Decoder(std::string_view data) : data_(data) {}

  size_t pos() const { return pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }
  char Peek() const { return AtEnd() ? '\0' : data_[pos_]; }
  bool Consume(char c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }

  bool Integer(int64_t* value) {
    if (!Consume('i')) return false;
    const bool negative = Consume('-');
    int64_t n = 0;
    size_t digits = 0;
    while (Peek() >= '0' && Peek() <= '9') {
      if (n > (INT64_MAX - 9) / 10) return false;
      n = n * 10 + (data_[pos_++] - '0');
      ++digits;
    }
    if (digits == 0 || !Consume('e')) return false;
    *value = negative ? -n : n;
    return true;
  }

  bool String(std::string_view* text) {
    size_t length = 0;
    size_t digits = 0;
    while (Peek() >= '0' && Peek() <= '9') {
      if (length > data_.size()) return false;
      length = length * 10 + static_cast<size_t>(data_[pos_++] - '0');
      ++digits;
    }
    if (digits == 0 || !Consume(':') || length > data_.size() - pos_) return false;
    *text = data_.substr(pos_, length);
    pos_ += length;
    return true;
  }

  // Steps over one value of any kind without recursion.
  bool Skip() {
    int depth = 0;
    do {
      std::string_view text;
      int64_t number = 0;
      const char c = Peek();
      if (c == 'd' || c == 'l') {
        if (++depth > kMaxDepth) return false;
        ++pos_;
      } else if (c == 'e' && depth > 0) {
        --depth;
        ++pos_;
      } else if (c == 'i') {
        if (!Integer(&number)) return false;
      } else if (!String(&text)) {
        return false;
      }
    } while (depth > 0);
    return true;
  }

  std::string_view Slice(size_t begin, size_t end) const { return data_.substr(begin, end - begin); }

 private:
  std::string_view data_;
  size_t pos_ = 0;
};

QString Text(std::string_view bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }

bool StringValue(Decoder& in, std::optional<QString>* value) {
  std::string_view text;
  if (in.Peek() < '0' || in.Peek() > '9') return in.Skip();  // another kind: not ours to show
  if (!in.String(&text)) return false;
  *value = Text(text);
  return true;
}

// A list of strings; anything else in it is passed over.
bool StringList(Decoder& in, std::vector<QString>* values) {
  if (!in.Consume('l')) return in.Skip();
  while (!in.Consume('e')) {
    std::optional<QString> value;
    if (in.AtEnd() || !StringValue(in, &value)) return false;
    if (value && !value->isEmpty()) values->push_back(*value);
  }
  return true;
}

bool TrackerTiers(Decoder& in, std::vector<std::vector<QString>>* tiers) {
  if (!in.Consume('l')) return in.Skip();
  while (!in.Consume('e')) {
    std::vector<QString> tier;
    if (in.AtEnd() || !StringList(in, &tier)) return false;
    if (!tier.empty()) tiers->push_back(std::move(tier));
  }
  return true;
}

bool InfoDictionary(Decoder& in, TorrentMeta* meta) {
  if (!in.Consume('d')) return false;
  while (!in.Consume('e')) {
    std::string_view key;
    if (in.AtEnd() || !in.String(&key)) return false;
    int64_t number = 0;
    std::optional<QString> name;
    if (key == "name" && in.Peek() >= '0' && in.Peek() <= '9') {
      if (!StringValue(in, &name)) return false;
      meta->name = *name;
      continue;
    }
    if ((key == "private" || key == "meta version") && in.Peek() == 'i') {
      if (!in.Integer(&number)) return false;
      if (key == "private") meta->is_private = number == 1;
      if (key == "meta version") meta->meta_version = number;
      continue;
    }
    if (key == "files") meta->multi_file = true;
    if (key == "pieces") meta->has_v1_pieces = true;
    if (!in.Skip()) return false;
  }
  return true;
}

QString Digest(std::string_view bytes, QCryptographicHash::Algorithm algorithm) {
  return QString::fromLatin1(
      QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), algorithm).toHex());
}

bool TopLevelMember(Decoder& in, std::string_view key, TorrentMeta* meta, bool* info_found,
                    std::optional<QString>* announce) {
  if (key == "info") {
    const size_t begin = in.pos();
    if (!InfoDictionary(in, meta)) return false;
    const std::string_view info = in.Slice(begin, in.pos());
    meta->info_hash_v1 = Digest(info, QCryptographicHash::Sha1);
    if (meta->meta_version >= 2) meta->info_hash_v2 = Digest(info, QCryptographicHash::Sha256);
    *info_found = true;
    return true;
  }
  if (key == "announce") return StringValue(in, announce);
  if (key == "announce-list") return TrackerTiers(in, &meta->tracker_tiers);
  if (key == "comment") return StringValue(in, &meta->comment);
  if (key == "created by") return StringValue(in, &meta->created_by);
  if (key == "creation date" && in.Peek() == 'i') {
    int64_t seconds = 0;
    if (!in.Integer(&seconds)) return false;
    meta->creation_date = seconds;
    return true;
  }
  if (key == "url-list") {
    if (in.Peek() != 'l') {
      std::optional<QString> single;
      if (!StringValue(in, &single)) return false;
      if (single && !single->isEmpty()) meta->web_seeds.push_back(*single);
      return true;
    }
    return StringList(in, &meta->web_seeds);
  }
  return in.Skip();
}

}  // namespace

std::optional<TorrentMeta> ReadTorrentMeta(const QByteArray& bytes) {
  Decoder in(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  TorrentMeta meta;
  bool info_found = false;
  std::optional<QString> announce;
  if (!in.Consume('d')) return std::nullopt;
  while (!in.Consume('e')) {
    std::string_view key;
    if (in.AtEnd() || !in.String(&key)) return std::nullopt;
    if (!TopLevelMember(in, key, &meta, &info_found, &announce)) return std::nullopt;
  }
  if (!info_found) return std::nullopt;
  // Clients use "announce" only when there is no list.
  if (meta.tracker_tiers.empty() && announce && !announce->isEmpty()) meta.tracker_tiers.push_back({*announce});
  return meta;
}

QString V2OnlyMessage() {
  return QStringLiteral("a BitTorrent v2-only torrent (no v1 piece hashes): not supported yet");
}

std::optional<TorrentMeta> ReadTorrentMetaFile(const QString& path) {
  const std::optional<QByteArray> bytes = ReadWholeFile(path, int64_t{256} << 20);
  return bytes ? ReadTorrentMeta(*bytes) : std::nullopt;
}

}  // namespace zandrel
