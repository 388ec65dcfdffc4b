// Reading a file's bytes for hashing: plain positioned reads for small parts, read-only mappings
// hashed in place for large ones (no copy out of the page cache).
#pragma once

#include <QString>
#include <cstdint>

namespace zandrel {

// A read-only mapping of part of a file; unmapped when destroyed.
class MappedRegion {
 public:
  MappedRegion() = default;
  MappedRegion(MappedRegion&& other) noexcept;
  MappedRegion& operator=(MappedRegion&& other) noexcept;
  MappedRegion(const MappedRegion&) = delete;
  MappedRegion& operator=(const MappedRegion&) = delete;
  ~MappedRegion();

  bool IsValid() const { return base_ != nullptr; }
  // Address of a file offset that lies inside the region.
  const uint8_t* At(int64_t file_offset) const { return static_cast<const uint8_t*>(base_) + (file_offset - first_); }

 private:
  friend class ReadOnlyFile;
  void Reset();

  void* base_ = nullptr;
  size_t size_ = 0;
  int64_t first_ = 0;  // file offset of base_
};

// A regular file opened for reading. Closing it leaves regions mapped from it valid.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile() { Close(); }

  // False when nothing is there or it is no regular file (a directory, a FIFO, a device) or it
  // cannot be opened. Never blocks, whatever stands at the path.
  bool Open(const QString& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // Size on disk when the file was opened.
  int64_t Size() const { return size_; }
  // The file will be read once, front to back.
  void AdviseSequential();
  // Asks the system to start reading [offset, offset + length) into the page cache now, without
  // waiting for it.
  void AdviseWillNeed(int64_t offset, int64_t length);
  // Whether the byte at offset is in the page cache now (false where the system cannot tell).
  bool IsCached(int64_t offset);
  // Reads up to length bytes at offset; returns how many arrived (fewer at the end of the file or
  // on a read error).
  int64_t ReadAt(int64_t offset, void* buffer, int64_t length);
  // Maps at least [offset, offset + length) read-only, aligned so that large page-cache folios can
  // be mapped whole, and faults the pages in. An invalid region when the system refuses.
  MappedRegion Map(int64_t offset, int64_t length);

 private:
  int fd_ = -1;
  int64_t size_ = 0;
};

// Runs fn(context) on the calling thread. Touching a mapped page that the file no longer backs (it
// was truncated while mapped) abandons fn at that point and gives false instead of ending the
// process. fn must not own anything that needs destroying, since it is not unwound.
bool RunGuardingMappedReads(void (*fn)(void*), void* context);

}  // namespace zandrel
