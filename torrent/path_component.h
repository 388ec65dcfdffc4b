// Cleaning of one path component read from a .torrent file. Torrents are untrusted: a component
// must never lead out of the download directory. The rules follow what the common client library
// writes to disk, so that the check looks for files where clients actually put them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zandrel {

// A component is cut once its cleaned text reaches this many bytes (a multi-byte character that
// crosses the limit is kept whole, as clients do).
inline constexpr size_t kMaxComponentBytes = 240;
// A cut component keeps its extension when that is at most this many bytes, dot included.
inline constexpr size_t kMaxKeptExtensionBytes = 9;

// Appends the cleaned form of raw (the component's bytes as stored) to out:
// - zero bytes, "/" and "\" are removed; bytes below 0x20 and invalid UTF-8 sequences become "_";
//   bidirectional and direction marks (U+200E, U+200F, U+202A-U+202E) are removed;
// - a long component is cut (see above), keeping a short extension;
// - an empty result becomes "_".
// Returns false, leaving out as it was, when the result is "." or "..": such a component is
// dropped from the path.
bool AppendCleanComponent(std::string_view raw, std::string& out);

}  // namespace zandrel
