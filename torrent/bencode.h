// A bounded, non-recursive bencode walker over bytes loaded whole. A torrent is untrusted, so the
// document is first checked once from end to end (ValidateDocument); only then is it walked, and
// the walk never reads outside a value that the check has vouched for.
#pragma once

#include <cstdint>
#include <string_view>

#include "torrent/input_limits.h"

namespace zandrel::bencode {

enum class Kind { kInvalid, kInteger, kString, kList, kDictionary };

// Older creators wrote the type letters in upper case; they are read as their lower-case forms.
inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// True when data begins with one complete value: strings inside the data, integers closed,
// containers closed and nested at most kMaxNestingDepth deep, dictionary keys strings. Bytes after
// that value are ignored. Integers may hold blanks and a sign, as older creators wrote them.
bool ValidateDocument(std::string_view data);

// Reads a document that ValidateDocument accepted; every offset names the first byte of a value.
class Walker {
 public:
  explicit Walker(std::string_view data) : data_(data) {}

  Kind KindAt(int64_t at) const;
  // Offset just past the value at `at`. Strings and integers, by far the most common values, are
  // stepped over here; the document was validated, so no bound needs checking.
  int64_t End(int64_t at) const {
    const char c = data_[at];
    if (c >= '0' && c <= '9') {
      int64_t length = c - '0';
      while (data_[++at] != ':') length = length * 10 + (data_[at] - '0');
      return at + 1 + length;
    }
    if (c == 'i' || c == 'I') {
      while (LowerAscii(data_[++at]) != 'e') {
      }
      return at + 1;
    }
    return ContainerEnd(at);
  }
  std::string_view String(int64_t at) const;
  // Leading blanks, an optional sign, then the digits; values beyond 64 bits saturate.
  int64_t Integer(int64_t at) const;

  // Calls visit(key, value_offset) for each pair of the dictionary at `at`; visit returns the end
  // of the value when it walked it, or -1 to have it stepped over. Returns the dictionary's end.
  template <typename Visit>
  int64_t ForEachPair(int64_t at, Visit&& visit) const {
    int64_t p = at + 1;
    while (LowerAscii(data_[p]) != 'e') {
      const std::string_view key = String(p);
      p = static_cast<int64_t>(key.data() - data_.data() + key.size());
      const int64_t end = visit(key, p);
      p = end >= 0 ? end : End(p);
    }
    return p + 1;
  }
  // Calls visit(item_offset) for each item of the list at `at`, with the same contract.
  template <typename Visit>
  int64_t ForEachItem(int64_t at, Visit&& visit) const {
    int64_t p = at + 1;
    while (LowerAscii(data_[p]) != 'e') {
      const int64_t end = visit(p);
      p = end >= 0 ? end : End(p);
    }
    return p + 1;
  }

 private:
  int64_t ContainerEnd(int64_t at) const;

  std::string_view data_;
};

// Keys compare without regard to ASCII letter case, as older creators wrote some in capitals.
bool KeyIs(std::string_view key, std::string_view lower_case_name);

}  // namespace zandrel::bencode
