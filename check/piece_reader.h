// The reading side of piece verification: walks the download file after file, in stream order,
// and gathers the bytes of a run of pieces (a work unit) for a hashing thread.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "check/disk_actions.h"
#include "check/piece_layout.h"
#include "platform/mapped_file.h"

namespace zandrel {

// How the stage divides its work. The defaults suit the program; tests shrink the units and move
// the mapping threshold to reach every path with small files.
struct PieceCheckTuning {
  int hashing_threads = 0;                          // 0: one per processor
  int64_t unit_bytes = int64_t{4} << 20;            // bytes of pieces handed over at once
  int64_t map_threshold = int64_t{512} << 10;       // shorter file parts are read, longer ones mapped
  int64_t read_ahead_bytes = int64_t{64} << 20;     // file bytes past the last unit asked of the disk
};

// A run of consecutive pieces with the bytes they are made of.
struct WorkUnit {
  // A stretch of the stream; data == nullptr stands for zero bytes (padding).
  struct Extent {
    int64_t begin;
    int64_t length;
    const uint8_t* data;
  };

  int64_t first_piece = 0;
  int64_t piece_count = 0;
  std::vector<Extent> extents;         // in stream order; unreadable stretches are left out
  std::vector<uint8_t> unreadable;     // per piece: some byte of it could not be read
  std::vector<uint8_t> failed;         // per piece, written by the hashing thread
  std::vector<MappedRegion> regions;   // mappings the extents point into
  uint8_t* buffer = nullptr;           // holds the parts that were read rather than mapped
  bool hashed = false;
};

class PieceReader {
 public:
  PieceReader(const PieceLayout& layout, const std::vector<TorrentFileEntry>& files, const QString& download_dir,
              const PieceCheckTuning& tuning);

  int64_t PiecesPerUnit() const { return packed_ ? kMaxPackedPieces : pieces_per_unit_; }
  // For v2 layouts, where every file starts a piece and most of a small file's piece is padding:
  // a unit gathers pieces until their file bytes would pass its buffer, and the parts that are
  // read lie back to back in the buffer. Without this, each small file would be a unit of its
  // own, and the hashing threads would spend their time handing units over.
  void PackByFileBytes() { packed_ = true; }
  // How many of the pieces from first_piece (at most max_count) the next unit takes.
  int64_t UnitPieces(int64_t first_piece, int64_t max_count);
  // Size of the buffer each unit needs for the parts that are read.
  int64_t BufferBytes() const;

  // Gathers pieces [first_piece, first_piece + count) into unit, whose buffer is set. Units must
  // be filled in piece order: each file is opened once, when the stream reaches it.
  void Fill(WorkUnit& unit, int64_t first_piece, int64_t count);
  // A dry run's files that a real run would have deleted or moved by now read as missing.
  void SkipVanished(const DiskActions& disk) { disk_ = &disk; }
  // Per entry, a file to read its bytes from instead of its own path (empty: its own path); a
  // client's partial download of a missing entry.
  void ReadInstead(const std::vector<QString>& paths) { instead_ = &paths; }

 private:
  void AddFilePart(WorkUnit& unit, int entry, int64_t begin, int64_t end);
  void ReadPart(WorkUnit& unit, int64_t begin, int64_t end, int64_t file_offset);
  void MarkUnreadable(WorkUnit& unit, int64_t begin, int64_t end) const;
  void OpenEntry(int entry);
  // The path the entry's bytes are read from; empty when a dry run has made it vanish.
  QString SourcePath(int entry) const;
  // Asks the disk for the small files among the next read_ahead_bytes of file bytes past the
  // units filled so far, while the hashing threads work, so that they arrive from many requests
  // at once rather than one at a time.
  void ReadAhead();

  static constexpr int64_t kMaxPackedPieces = 4096;

  int64_t FileBytesIn(int64_t piece);

  const PieceLayout& layout_;
  const std::vector<TorrentFileEntry>& files_;
  QString download_dir_;
  PieceCheckTuning tuning_;
  int64_t pieces_per_unit_;
  int cursor_ = 0;       // first entry that may still hold bytes of coming pieces
  int open_entry_ = -1;  // entry whose file is (or could not be) opened
  ReadOnlyFile file_;
  int64_t unit_begin_ = 0;
  bool packed_ = false;
  int64_t unit_fill_ = 0;   // packed: bytes of the buffer in use
  int bytes_cursor_ = 0;    // packed: first entry that may hold bytes of the pieces UnitPieces looks at
  static constexpr int kWarmStreak = 16;
  int warm_streak_ = 0;       // stretches in a row found in the page cache before asking
  int64_t fill_end_ = 0;      // stream offset where the last unit filled ends
  int64_t filled_bytes_ = 0;  // file bytes of the units filled so far
  int64_t asked_bytes_ = 0;   // file bytes asked of the disk ahead
  int ahead_entry_ = 0;       // first entry whose bytes have not all been asked for
  int64_t ahead_end_ = 0;     // stream offset up to which bytes have been asked for
  int ahead_opened_ = -1;     // entry whose file ahead_file_ holds (or could not open)
  ReadOnlyFile ahead_file_;   // holds ahead_entry_'s file while it is being asked for
  const DiskActions* disk_ = nullptr;
  const std::vector<QString>* instead_ = nullptr;
};

}  // namespace zandrel
