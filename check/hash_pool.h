// Parallel piece hashing: one reading thread gathers work units in piece order, hashing threads
// hash whole units, and the caller collects the verdicts in piece order. At most two units per
// hashing thread exist at a time, so memory stays bounded whatever the torrent's size.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "check/piece_reader.h"
#include "check/v2_pieces.h"

namespace zandrel {

enum class PieceVerdict { kPassed, kFailed, kCancelled };

class HashPool {
 public:
  // Hashes pieces [0, piece_count) against hashes[0, piece_count).
  HashPool(const PieceLayout& layout, PieceReader& reader, const std::vector<Sha1Digest>& hashes,
           int64_t piece_count, const PieceCheckTuning& tuning);
  // Verifies pieces [0, table.PieceCount()) of a v2 layout (table.Spaced()) by their trees.
  HashPool(const PieceLayout& layout, PieceReader& reader, const V2PieceTable& table, const PieceCheckTuning& tuning);
  HashPool(const HashPool&) = delete;
  HashPool& operator=(const HashPool&) = delete;
  ~HashPool();

  // Allocates the unit buffers and starts the threads; false when the memory is not available.
  bool Start();
  // The verdict of a piece; pieces are asked for in increasing order. While waiting, a cancel
  // flag that becomes non-zero gives kCancelled (cancel_flag may be null: wait in any case).
  PieceVerdict Wait(int64_t piece, const std::atomic<int>* cancel_flag);

 private:
  void SetThreads(const PieceCheckTuning& tuning);
  void ReadLoop();
  void HashLoop();
  void Stop();

  const PieceLayout& layout_;
  PieceReader& reader_;
  const std::vector<Sha1Digest>* hashes_ = nullptr;
  const V2PieceTable* v2_ = nullptr;
  const int64_t piece_count_;
  int thread_count_;
  size_t max_units_;

  std::mutex mutex_;
  std::condition_variable space_cv_;  // reader: a unit was released
  std::condition_variable work_cv_;   // hashing threads: a unit is ready or reading ended
  std::condition_variable done_cv_;   // caller: a unit was hashed
  std::deque<std::unique_ptr<WorkUnit>> units_;  // filled, in piece order, not yet released
  std::deque<WorkUnit*> to_hash_;
  std::vector<uint8_t*> free_buffers_;
  bool reading_done_ = false;
  std::atomic<bool> stop_{false};

  std::vector<std::unique_ptr<uint8_t[]>> buffers_;
  std::vector<std::thread> threads_;
};

}  // namespace zandrel
