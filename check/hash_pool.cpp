#include "check/hash_pool.h"

#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "check/digest_context.h"
#include "check/piece_job.h"
#include "platform/mapped_file.h"
#include "torrent/input_limits.h"

namespace zandrel {
namespace {

// A stop request is noticed at least this often while one large piece is hashed.
constexpr int64_t kStopSlice = int64_t{4} << 20;
constexpr int64_t kZeroBlock = 64 * 1024;
constexpr int kMaxDefaultThreads = 8;
alignas(64) const uint8_t kZeros[kZeroBlock] = {};

void HashPiece(void* argument) {
  PieceJob& job = *static_cast<PieceJob*>(argument);
  job.complete = false;
  if (EVP_DigestInit_ex(job.ctx, job.md, nullptr) != 1) return;
  const std::vector<WorkUnit::Extent>& extents = job.unit->extents;
  for (size_t i = job.extent; i < extents.size() && extents[i].begin < job.end; ++i) {
    const WorkUnit::Extent& extent = extents[i];
    int64_t from = std::max(job.begin, extent.begin);
    const int64_t to = std::min(job.end, extent.begin + extent.length);
    while (from < to) {
      if (job.stop->load(std::memory_order_relaxed)) return;
      const int64_t n = std::min(to - from, extent.data != nullptr ? kStopSlice : kZeroBlock);
      const uint8_t* data = extent.data != nullptr ? extent.data + (from - extent.begin) : kZeros;
      EVP_DigestUpdate(job.ctx, data, static_cast<size_t>(n));
      from += n;
    }
  }
  unsigned int size = 0;
  job.complete = EVP_DigestFinal_ex(job.ctx, job.digest, &size) == 1 && size == 20;
}

// Hashes every piece of the unit and records which ones fail: unreadable pieces, pieces whose
// mapping lost its file (truncated meanwhile) and pieces whose digest differs.
void HashUnit(const PieceLayout& layout, const std::vector<Sha1Digest>& hashes, WorkUnit& unit,
              const DigestContext& sha1, const std::atomic<bool>& stop) {
  PieceJob job{};
  job.ctx = sha1.ctx();
  job.md = sha1.md();
  job.unit = &unit;
  job.stop = &stop;
  for (int64_t i = 0; i < unit.piece_count; ++i) {
    if (stop.load(std::memory_order_relaxed)) return;
    const size_t index = static_cast<size_t>(i);
    if (unit.unreadable[index]) {
      unit.failed[index] = 1;
      continue;
    }
    const int64_t piece = unit.first_piece + i;
    job.SeekPiece(layout.PieceBegin(piece));
    job.end = layout.PieceEnd(piece);
    const bool read = RunGuardingMappedReads(HashPiece, &job) && job.complete;
    unit.failed[index] = !read || std::memcmp(job.digest, hashes[static_cast<size_t>(piece)].data(), 20) != 0;
  }
}

}  // namespace

HashPool::HashPool(const PieceLayout& layout, PieceReader& reader, const std::vector<Sha1Digest>& hashes,
                   int64_t piece_count, const PieceCheckTuning& tuning)
    : layout_(layout), reader_(reader), hashes_(&hashes), piece_count_(piece_count) {
  SetThreads(tuning);
}

HashPool::HashPool(const PieceLayout& layout, PieceReader& reader, const V2PieceTable& table,
                   const PieceCheckTuning& tuning)
    : layout_(layout), reader_(reader), v2_(&table), piece_count_(table.PieceCount()) {
  SetThreads(tuning);
}

void HashPool::SetThreads(const PieceCheckTuning& tuning) {
  // Beyond a handful of cores the reading thread and the page cache set the pace, and every
  // further thread only adds two more units to the memory in use.
  const int cores = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxDefaultThreads);
  thread_count_ = tuning.hashing_threads > 0 ? tuning.hashing_threads : cores;
  max_units_ = 2 * static_cast<size_t>(thread_count_);
}

HashPool::~HashPool() { Stop(); }

bool HashPool::Start() {
  const int64_t buffer_bytes = reader_.BufferBytes();
  if (buffer_bytes > kMaxPieceBufferBytes) return false;
  for (size_t i = 0; i < max_units_; ++i) {
    // Left untouched, a buffer costs address space only: parts that are mapped never fill it.
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[static_cast<size_t>(buffer_bytes)]);
    if (!buffer) return false;
    free_buffers_.push_back(buffer.get());
    buffers_.push_back(std::move(buffer));
  }
  if (piece_count_ == 0) return true;
  threads_.emplace_back(&HashPool::ReadLoop, this);
  for (int i = 0; i < thread_count_; ++i) threads_.emplace_back(&HashPool::HashLoop, this);
  return true;
}

void HashPool::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  space_cv_.notify_all();
  work_cv_.notify_all();
  done_cv_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
}

void HashPool::ReadLoop() {
  for (int64_t next = 0; next < piece_count_;) {
    auto unit = std::make_unique<WorkUnit>();
    {
      std::unique_lock<std::mutex> lock(mutex_);
      space_cv_.wait(lock, [this] { return stop_ || !free_buffers_.empty(); });
      if (stop_) break;
      unit->buffer = free_buffers_.back();
      free_buffers_.pop_back();
    }
    const int64_t count = reader_.UnitPieces(next, std::min(reader_.PiecesPerUnit(), piece_count_ - next));
    reader_.Fill(*unit, next, count);
    next += count;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      to_hash_.push_back(unit.get());
      units_.push_back(std::move(unit));
    }
    work_cv_.notify_one();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    reading_done_ = true;
  }
  work_cv_.notify_all();
}

void HashPool::HashLoop() {
  DigestContext digest(v2_ ? "SHA256" : "SHA1");
  std::vector<Sha256Digest> leaves(v2_ ? static_cast<size_t>(v2_->MaxLeaves()) : 0);
  for (;;) {
    WorkUnit* unit = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      work_cv_.wait(lock, [this] { return stop_ || !to_hash_.empty() || reading_done_; });
      if (stop_ || to_hash_.empty()) return;
      unit = to_hash_.front();
      to_hash_.pop_front();
    }
    if (digest.IsValid() && v2_) {
      HashUnitV2(layout_, *v2_, *unit, digest, leaves, stop_);
    } else if (digest.IsValid()) {
      HashUnit(layout_, *hashes_, *unit, digest, stop_);
    } else {
      std::fill(unit->failed.begin(), unit->failed.end(), 1);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      unit->hashed = true;
    }
    done_cv_.notify_all();
  }
}

PieceVerdict HashPool::Wait(int64_t piece, const std::atomic<int>* cancel_flag) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    // Units wholly before the piece have been reported: give their buffers back and unmap them
    // (outside the lock, since unmapping takes a while).
    while (!units_.empty() && units_.front()->first_piece + units_.front()->piece_count <= piece) {
      std::unique_ptr<WorkUnit> done = std::move(units_.front());
      units_.pop_front();
      free_buffers_.push_back(done->buffer);
      lock.unlock();
      space_cv_.notify_one();
      done.reset();
      lock.lock();
    }
    if (!units_.empty() && units_.front()->first_piece <= piece && units_.front()->hashed) {
      const WorkUnit& unit = *units_.front();
      return unit.failed[static_cast<size_t>(piece - unit.first_piece)] ? PieceVerdict::kFailed : PieceVerdict::kPassed;
    }
    if (cancel_flag != nullptr && cancel_flag->load() != 0) return PieceVerdict::kCancelled;
    done_cv_.wait_for(lock, std::chrono::milliseconds(20));
  }
}

}  // namespace zandrel
