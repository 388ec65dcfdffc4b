#include "torrent/bencode.h"

#include <limits>

namespace zandrel::bencode {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsIntegerByte(char c) { return IsDigit(c) || c == '-' || c == '+' || c == ' ' || c == '\t'; }

// Offset past the string at `at` (digits, ":", bytes), or -1 when it is malformed or runs past the
// end of data.
int64_t StringEnd(std::string_view data, int64_t at) {
  const auto size = static_cast<int64_t>(data.size());
  int64_t length = 0;
  int64_t p = at;
  for (; p < size && IsDigit(data[p]); ++p) {
    length = length * 10 + (data[p] - '0');
    if (length > size) return -1;
  }
  if (p == at || p >= size || data[p] != ':' || length > size - p - 1) return -1;
  return p + 1 + length;
}

// Offset past the integer at `at`, or -1.
int64_t IntegerEnd(std::string_view data, int64_t at) {
  const auto size = static_cast<int64_t>(data.size());
  int64_t p = at + 1;
  while (p < size && IsIntegerByte(data[p])) ++p;
  return p < size && LowerAscii(data[p]) == 'e' ? p + 1 : -1;
}

}  // namespace

bool ValidateDocument(std::string_view data) {
  // What each open container waits for: an item of a list, a key or a value of a dictionary.
  enum Wait : char { kItem, kKey, kValue };
  Wait waits[kMaxNestingDepth + 1] = {};
  int depth = 0;
  const auto size = static_cast<int64_t>(data.size());
  int64_t p = 0;
  while (p < size) {
    const char c = LowerAscii(data[p]);
    if (depth > 0 && waits[depth] == kKey && c != 'e') {
      p = StringEnd(data, p);
      if (p < 0) return false;
      waits[depth] = kValue;
      continue;
    }
    if (c == 'd' || c == 'l') {
      if (depth == kMaxNestingDepth) return false;
      waits[++depth] = c == 'd' ? kKey : kItem;
      ++p;
      continue;
    }
    if (c == 'e') {
      if (depth == 0 || waits[depth] == kValue) return false;
      --depth;
      ++p;
    } else {
      p = c == 'i' ? IntegerEnd(data, p) : StringEnd(data, p);
      if (p < 0) return false;
    }
    // A value is complete.
    if (depth == 0) return true;
    if (waits[depth] == kValue) waits[depth] = kKey;
  }
  return false;
}

Kind Walker::KindAt(int64_t at) const {
  switch (LowerAscii(data_[at])) {
    case 'i': return Kind::kInteger;
    case 'l': return Kind::kList;
    case 'd': return Kind::kDictionary;
    default: return IsDigit(data_[at]) ? Kind::kString : Kind::kInvalid;
  }
}

int64_t Walker::ContainerEnd(int64_t at) const {
  int depth = 0;
  do {
    const char c = LowerAscii(data_[at]);
    if (c == 'd' || c == 'l') {
      ++depth;
      ++at;
    } else if (c == 'e') {
      --depth;
      ++at;
    } else if (c == 'i') {
      at = IntegerEnd(data_, at);
    } else {
      at = StringEnd(data_, at);
    }
  } while (depth > 0);
  return at;
}

std::string_view Walker::String(int64_t at) const {
  int64_t length = 0;
  for (; data_[at] != ':'; ++at) length = length * 10 + (data_[at] - '0');
  return data_.substr(at + 1, length);
}

int64_t Walker::Integer(int64_t at) const {
  int64_t i = at + 1;
  while (data_[i] == ' ' || data_[i] == '\t') ++i;
  bool negative = false;
  if (data_[i] == '-' || data_[i] == '+') negative = data_[i++] == '-';
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  const uint64_t limit = negative ? uint64_t{1} << 63 : static_cast<uint64_t>(kMax);
  uint64_t value = 0;
  for (; IsDigit(data_[i]); ++i) {
    const uint64_t digit = data_[i] - '0';
    value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
  }
  if (!negative) return static_cast<int64_t>(value);
  return value == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(value);
}

bool KeyIs(std::string_view key, std::string_view lower_case_name) {
  if (key.size() != lower_case_name.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    if (LowerAscii(key[i]) != lower_case_name[i]) return false;
  }
  return true;
}

}  // namespace zandrel::bencode
