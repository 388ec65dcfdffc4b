#include "check/piece_layout.h"

#include <algorithm>
#include <limits>

namespace zandrel {
namespace {

// Lengths come from an untrusted torrent: the stream position saturates instead of wrapping.
int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<int64_t>::max() : sum;
}

}  // namespace

PieceLayout::PieceLayout(const TorrentModel& model, int64_t piece_length)
    : piece_length_(piece_length), pad_before_(std::max<int64_t>(0, model.PadBefore)) {
  int64_t position = pad_before_;
  const size_t count = model.TorrentFiles.size();
  file_begin_.reserve(count);
  length_.reserve(count);
  entry_end_.reserve(count);
  for (const TorrentFileEntry& entry : model.TorrentFiles) {
    const int64_t begin = position;
    position = SaturatingAdd(position, std::max<int64_t>(0, entry.Length));
    file_begin_.push_back(begin);
    length_.push_back(position - begin);
    position = SaturatingAdd(position, std::max<int64_t>(0, entry.PadAfter));
    entry_end_.push_back(position);
  }
  total_ = position;
  piece_count_ = total_ / piece_length_ + (total_ % piece_length_ != 0 ? 1 : 0);
}

int64_t PieceLayout::PieceEnd(int64_t piece) const {
  const int64_t begin = PieceBegin(piece);
  return total_ - begin > piece_length_ ? begin + piece_length_ : total_;
}

PieceLayout::Completion PieceLayout::CompletingEntry(int64_t piece) const {
  const int64_t end = PieceEnd(piece);
  // A short last piece is completed once the last entry has been passed.
  if (piece == piece_count_ - 1 && total_ % piece_length_ != 0) return {EntryCount() - 1, true};
  const int64_t last_byte = end - 1;
  if (last_byte < pad_before_) return {-1, true};
  const auto it = std::upper_bound(entry_end_.begin(), entry_end_.end(), last_byte);
  const int entry = static_cast<int>(it - entry_end_.begin());
  return {entry, end >= FileEnd(entry)};
}

PieceLayout::Span PieceLayout::NamedEntries(int64_t piece) const {
  Span span{0, 0};
  span.last = CompletingEntry(piece).entry;
  if (piece > 0) {
    const Completion previous = CompletingEntry(piece - 1);
    // A previous piece that ended with the entry's last byte (or in its padding) left nothing of
    // that entry for this piece, so the entry is not named again.
    span.first = previous.entry + (previous.at_file_end ? 1 : 0);
  }
  return span;
}

int64_t PieceLayout::FileBytesIn(int64_t piece) const {
  const int64_t begin = PieceBegin(piece), end = PieceEnd(piece);
  int64_t bytes = 0;
  // The first entry whose padding ends after the piece's first byte; entries lie in stream order.
  for (auto it = std::upper_bound(entry_end_.begin(), entry_end_.end(), begin); it != entry_end_.end(); ++it) {
    const int entry = static_cast<int>(it - entry_end_.begin());
    if (FileBegin(entry) >= end) break;
    bytes += std::max<int64_t>(0, std::min(end, FileEnd(entry)) - std::max(begin, FileBegin(entry)));
  }
  return bytes;
}

bool PieceLayout::FirstPieceEndsInFirstStep() const {
  if (piece_count_ == 0) return false;
  const int entries = EntryCount();
  if (pad_before_ > 0) return pad_before_ >= piece_length_ || entries == 0;
  const int64_t first_length = length_[0];
  if (first_length >= piece_length_) return true;
  // A single short entry without padding is the whole short last piece.
  return entries == 1 && first_length > 0 && entry_end_[0] == FileEnd(0);
}

}  // namespace zandrel
