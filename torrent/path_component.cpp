#include "torrent/path_component.h"

#include <algorithm>
#include <cstdint>

namespace zandrel {
namespace {

// Bytes of the sequence a lead byte announces; 1 for a byte that cannot lead one.
size_t SequenceLength(uint8_t lead) {
  if (lead >= 0xC0 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  return 1;
}

// Code point of the well-formed sequence of `length` bytes at s, or -1 (overlong forms,
// surrogates and values above U+10FFFF are not well-formed).
int32_t DecodeSequence(const uint8_t* s, size_t length) {
  if (length < 2) return -1;
  int32_t cp = s[0] & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  static constexpr int32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return cp;
}

// Marks that can make a name display as something other than what it is.
bool IsDirectionMark(int32_t cp) {
  return cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E);
}

// Appends the clean form of raw from index i on. With `limited`, stops after the character that
// brings the component (out from `start`) to kMaxComponentBytes; a replacement "_" is not what
// triggers the cut. Returns the index where copying stopped.
size_t CopyClean(std::string_view raw, size_t i, std::string& out, size_t start, bool limited) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(raw.data());
  while (i < raw.size()) {
    const uint8_t c = bytes[i];
    if (c == '/' || c == '\\' || c == 0) {
      ++i;
      continue;
    }
    if (c < 0x80) {
      ++i;
      if (c < 0x20) {
        out += '_';
        continue;
      }
      out += static_cast<char>(c);
    } else {
      // An invalid sequence is replaced as a whole, as long as its lead byte says.
      const size_t wanted = SequenceLength(c);
      const size_t n = std::min(wanted, raw.size() - i);
      const int32_t cp = n == wanted ? DecodeSequence(bytes + i, n) : -1;
      if (cp < 0) out += '_';
      else if (!IsDirectionMark(cp)) out.append(raw.substr(i, n));
      i += n;
      if (cp < 0 || IsDirectionMark(cp)) continue;
    }
    if (limited && out.size() - start >= kMaxComponentBytes) break;
  }
  return i;
}

}  // namespace

bool AppendCleanComponent(std::string_view raw, std::string& out) {
  const size_t start = out.size();
  const size_t stop = CopyClean(raw, 0, out, start, true);
  if (stop < raw.size()) {
    // Cut: the extension survives when it is short and lies in the part that was cut off.
    const size_t dot = raw.rfind('.');
    if (dot != std::string_view::npos && dot >= stop && raw.size() - dot <= kMaxKeptExtensionBytes) {
      CopyClean(raw, dot, out, start, false);
    }
  }
  const std::string_view clean(out.data() + start, out.size() - start);
  if (clean == "." || clean == "..") {
    out.resize(start);
    return false;
  }
  if (clean.empty()) out += '_';
  return true;
}

}  // namespace zandrel
