#include "check/piece_reader.h"

#include <algorithm>

namespace zandrel {

PieceReader::PieceReader(const PieceLayout& layout, const std::vector<TorrentFileEntry>& files,
                         const QString& download_dir, const PieceCheckTuning& tuning)
    : layout_(layout),
      files_(files),
      download_dir_(download_dir),
      tuning_(tuning),
      pieces_per_unit_(std::max<int64_t>(1, tuning.unit_bytes / layout.PieceLength())) {}

int64_t PieceReader::BufferBytes() const {
  return std::max<int64_t>(1, std::min(pieces_per_unit_ * layout_.PieceLength(), layout_.TotalBytes()));
}

int64_t PieceReader::FileBytesIn(int64_t piece) {
  const int64_t begin = layout_.PieceBegin(piece);
  const int64_t end = layout_.PieceEnd(piece);
  int64_t bytes = 0;
  for (int i = bytes_cursor_; i < layout_.EntryCount() && layout_.FileBegin(i) < end; ++i) {
    if (layout_.EntryEnd(i) <= begin && i == bytes_cursor_) {
      ++bytes_cursor_;
      continue;
    }
    bytes += std::max<int64_t>(0, std::min(end, layout_.FileEnd(i)) - std::max(begin, layout_.FileBegin(i)));
  }
  return bytes;
}

int64_t PieceReader::UnitPieces(int64_t first_piece, int64_t max_count) {
  if (!packed_) return max_count;
  const int64_t room = BufferBytes();
  int64_t count = 0;
  for (int64_t used = 0; count < max_count; ++count) {
    const int64_t bytes = FileBytesIn(first_piece + count);
    if (count > 0 && used + bytes > room) break;
    used += bytes;
  }
  return count;
}

void PieceReader::Fill(WorkUnit& unit, int64_t first_piece, int64_t count) {
  unit.first_piece = first_piece;
  unit.piece_count = count;
  unit.extents.clear();
  unit.regions.clear();
  unit.unreadable.assign(static_cast<size_t>(count), 0);
  unit.failed.assign(static_cast<size_t>(count), 0);
  unit.hashed = false;
  const int64_t begin = layout_.PieceBegin(first_piece);
  const int64_t end = layout_.PieceEnd(first_piece + count - 1);
  unit_begin_ = begin;
  unit_fill_ = 0;
  const int64_t pad_end = layout_.EntryCount() > 0 ? layout_.FileBegin(0) : layout_.TotalBytes();
  if (begin < pad_end) unit.extents.push_back({begin, std::min(end, pad_end) - begin, nullptr});
  for (int i = cursor_; i < layout_.EntryCount(); ++i) {
    if (layout_.EntryEnd(i) <= begin) {
      cursor_ = i + 1;
      continue;
    }
    if (layout_.FileBegin(i) >= end) break;
    const int64_t file_from = std::max(begin, layout_.FileBegin(i));
    const int64_t file_to = std::min(end, layout_.FileEnd(i));
    if (file_from < file_to) AddFilePart(unit, i, file_from, file_to);
    const int64_t pad_from = std::max(begin, layout_.FileEnd(i));
    const int64_t pad_to = std::min(end, layout_.EntryEnd(i));
    if (pad_from < pad_to) unit.extents.push_back({pad_from, pad_to - pad_from, nullptr});
  }
  if (open_entry_ >= 0 && open_entry_ < cursor_) file_.Close();
  fill_end_ = end;
  ReadAhead();
}

void PieceReader::ReadAhead() {
  if (tuning_.read_ahead_bytes <= 0) return;
  // Data that is in memory already needs no asking, and asking costs the hashing threads a
  // little CPU: after a run of stretches found cached, asking waits until the reader meets one
  // that is not.
  if (warm_streak_ >= kWarmStreak) return;
  if (ahead_end_ < fill_end_) {
    // Fallen behind the reader (while waiting, or with a short distance): go on from its place.
    ahead_entry_ = cursor_;
    ahead_end_ = fill_end_;
    asked_bytes_ = filled_bytes_;
    ahead_opened_ = -1;
  }
  // Counted in file bytes, not stream bytes: in a v2 layout a small file fills a whole piece of
  // the stream, and a stream distance would reach only a few files ahead.
  const int64_t wanted = filled_bytes_ + tuning_.read_ahead_bytes;
  while (asked_bytes_ < wanted && ahead_entry_ < layout_.EntryCount()) {
    const int entry = ahead_entry_;
    const int64_t from = std::max(ahead_end_, layout_.FileBegin(entry));
    const int64_t to = std::min(layout_.FileEnd(entry), from + (wanted - asked_bytes_));
    // Only files short enough to be read rather than mapped are asked for. Advice fills the page
    // cache with single pages, and a mapping of single pages costs several times the page-table
    // work of one of the large pages a plain read leaves, in this run and every later one. A large
    // file is read front to back anyway, which the system's own read-ahead keeps up with.
    const bool small = files_[entry].Length < tuning_.map_threshold;
    if (from < to && small) {
      if (ahead_opened_ != entry) {
        ahead_opened_ = entry;
        const QString path = SourcePath(entry);
        if (path.isEmpty() || !ahead_file_.Open(path)) ahead_file_.Close();
      }
      if (ahead_file_.IsCached(to - 1 - layout_.FileBegin(entry))) {
        ++warm_streak_;
      } else {
        warm_streak_ = 0;
        ahead_file_.AdviseWillNeed(from - layout_.FileBegin(entry), to - from);
      }
    }
    if (from < to) {
      asked_bytes_ += to - from;
      ahead_end_ = to;
    }
    if (to < layout_.FileEnd(entry)) return;
    ahead_file_.Close();
    ++ahead_entry_;
  }
}

QString PieceReader::SourcePath(int entry) const {
  const TorrentFileEntry& file = files_[entry];
  QString path = download_dir_ + file.Dir + file.Name;
  if (instead_ && static_cast<size_t>(entry) < instead_->size() && !(*instead_)[entry].isEmpty()) {
    path = (*instead_)[entry];
  }
  return disk_ && disk_->Vanished(path) ? QString() : path;
}

void PieceReader::OpenEntry(int entry) {
  if (open_entry_ == entry) return;
  open_entry_ = entry;
  const QString path = SourcePath(entry);
  if (path.isEmpty() || !file_.Open(path)) return;
  if (file_.Size() >= tuning_.map_threshold) file_.AdviseSequential();
}

// Stream bytes [begin, end) of an entry's file: what the file on disk holds of them is read or
// mapped; what it lacks (missing, unopenable or short file) makes its pieces unreadable.
void PieceReader::AddFilePart(WorkUnit& unit, int entry, int64_t begin, int64_t end) {
  OpenEntry(entry);
  filled_bytes_ += end - begin;
  const int64_t file_offset = begin - layout_.FileBegin(entry);
  int64_t available = 0;
  if (file_.IsOpen()) available = std::clamp<int64_t>(file_.Size() - file_offset, 0, end - begin);
  if (available < end - begin) MarkUnreadable(unit, begin + available, end);
  if (available > 0) ReadPart(unit, begin, begin + available, file_offset);
}

void PieceReader::ReadPart(WorkUnit& unit, int64_t begin, int64_t end, int64_t file_offset) {
  const int64_t length = end - begin;
  // A part the read-ahead did not ask for (it rests): one the cache lacks wakes it.
  if (tuning_.read_ahead_bytes > 0 && end > ahead_end_ && !file_.IsCached(file_offset + length - 1)) warm_streak_ = 0;
  if (length >= tuning_.map_threshold) {
    MappedRegion region = file_.Map(file_offset, length);
    if (region.IsValid()) {
      unit.extents.push_back({begin, length, region.At(file_offset)});
      unit.regions.push_back(std::move(region));
      return;
    }
  }
  uint8_t* target = unit.buffer + (packed_ ? unit_fill_ : begin - unit_begin_);
  const int64_t got = file_.ReadAt(file_offset, target, length);
  if (got > 0) unit_fill_ += got;
  if (got > 0) unit.extents.push_back({begin, got, target});
  if (got < length) MarkUnreadable(unit, begin + got, end);
}

void PieceReader::MarkUnreadable(WorkUnit& unit, int64_t begin, int64_t end) const {
  const int64_t length = layout_.PieceLength();
  const int64_t first = begin / length - unit.first_piece;
  const int64_t last = (end - 1) / length - unit.first_piece;
  for (int64_t i = first; i <= last; ++i) unit.unreadable[static_cast<size_t>(i)] = 1;
}

}  // namespace zandrel
