// Where the torrent's pieces lie in its byte stream: the padding before the first entry, then each
// entry's bytes followed by its padding. Pure arithmetic over the model, no file access.
#pragma once

#include <cstdint>
#include <vector>

#include "torrent/torrent_model.h"

namespace zandrel {

class PieceLayout {
 public:
  // piece_length must be positive.
  PieceLayout(const TorrentModel& model, int64_t piece_length);

  int64_t PieceLength() const { return piece_length_; }
  int64_t TotalBytes() const { return total_; }
  int64_t PieceCount() const { return piece_count_; }
  int64_t PieceBegin(int64_t piece) const { return piece * piece_length_; }
  int64_t PieceEnd(int64_t piece) const;
  int EntryCount() const { return static_cast<int>(file_begin_.size()); }

  // Stream position of an entry's first file byte, its length (never negative) and its padding.
  int64_t FileBegin(int entry) const { return file_begin_[entry]; }
  int64_t FileLength(int entry) const { return length_[entry]; }
  int64_t FileEnd(int entry) const { return file_begin_[entry] + length_[entry]; }
  // End of the entry's padding, which is where the next entry begins.
  int64_t EntryEnd(int entry) const { return entry_end_[entry]; }

  // The entries a failed piece names: from the one in which the previous piece was completed
  // (or the next one, when the previous piece ended with that entry's bytes) through the one in
  // which this piece is completed. Empty (first > last) for a piece of padding alone.
  struct Span {
    int first;
    int last;
  };
  Span NamedEntries(int64_t piece) const;
  // The files' own bytes in the piece, without the padding between them.
  int64_t FileBytesIn(int64_t piece) const;

  // Whether the first piece is completed by the stage's very first read step, before the stage
  // first looks at the cancel flag.
  bool FirstPieceEndsInFirstStep() const;

 private:
  // Entry in which the piece is completed (-1: inside the padding before the first entry), and
  // whether the piece's last byte lies at or after the end of that entry's file bytes.
  struct Completion {
    int entry;
    bool at_file_end;
  };
  Completion CompletingEntry(int64_t piece) const;

  int64_t piece_length_;
  int64_t pad_before_;
  int64_t total_ = 0;
  int64_t piece_count_ = 0;
  std::vector<int64_t> file_begin_, length_, entry_end_;
};

}  // namespace zandrel
