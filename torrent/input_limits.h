// Bounds on the work and memory a crafted torrent can demand. A torrent is untrusted input: each
// limit lies far beyond anything a real torrent needs.
#pragma once

#include <cstdint>

namespace zandrel {

// A larger .torrent file is not loaded; this still holds over ten million piece hashes.
inline constexpr int64_t kMaxTorrentBytes = int64_t{256} << 20;
// Containers nested deeper than this make a torrent unreadable (libtorrent refuses at the same
// depth, so no creator writes deeper); the walk over them never recurses.
inline constexpr int kMaxNestingDepth = 100;
// Text that one ignore-list read may add, counting every path and each of its parent directories,
// so that crafted deep paths cannot blow up memory.
inline constexpr int64_t kMaxIgnoreTextBytes = int64_t{256} << 20;
// Pieces without a hash get one progress step each up to this many; a torrent can claim files of
// 2^63 bytes, so the rest pass in a single step.
inline constexpr int64_t kMaxUnhashedSteps = int64_t{1} << 20;
// A piece-hashing buffer holds a few megabytes, or one piece where pieces are larger, and no real
// torrent has pieces of gigabytes; a crafted one asks for more than any machine has. Such a
// request is refused before the allocator sees it (a sanitizer build would abort on it).
inline constexpr int64_t kMaxPieceBufferBytes = int64_t{16} << 30;

}  // namespace zandrel
