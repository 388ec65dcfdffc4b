#include "platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/native_name.h"

namespace zandrel {
namespace {

// Closes the descriptor when the copy ends, whatever way it ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Copies [offset, offset + length) through a buffer, where the kernel cannot copy between the two
// files itself. False on any error or a source that ends early.
bool CopyThroughBuffer(int in, int out, int64_t offset, int64_t length) {
  std::vector<char> buffer(static_cast<size_t>(std::min<int64_t>(length, int64_t{4} << 20)));
  while (length > 0) {
    const ssize_t got = ::pread(in, buffer.data(), std::min<int64_t>(length, buffer.size()), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::pwrite(out, buffer.data() + done, got - done, offset + done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
    offset += got;
    length -= got;
  }
  return true;
}

// One chunk at the same offset in both files: the kernel's copy, or the buffer where it has none.
bool CopyChunk(int in, int out, int64_t offset, int64_t length, bool* kernel_copy) {
  while (*kernel_copy && length > 0) {
    loff_t from = offset, to = offset;
    const ssize_t copied = ::copy_file_range(in, &from, out, &to, static_cast<size_t>(length), 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
      *kernel_copy = false;
      break;
    }
    if (copied <= 0) return false;  // an error, or a source that ended early
    offset += copied;
    length -= copied;
  }
  return length == 0 || CopyThroughBuffer(in, out, offset, length);
}

// Start of the next stretch of data at or after `offset` and where it ends (both capped at
// `amount`). Without hole reporting the whole rest counts as data.
void NextData(int fd, int64_t offset, int64_t amount, int64_t* begin, int64_t* end) {
  const off_t data = ::lseek(fd, offset, SEEK_DATA);
  if (data < 0) {
    // ENXIO: nothing but a hole up to the end of the file.
    const bool only_hole = errno == ENXIO;
    *begin = only_hole ? amount : offset;
    *end = amount;
    return;
  }
  const off_t hole = ::lseek(fd, data, SEEK_HOLE);
  *begin = std::min<int64_t>(data, amount);
  *end = hole < 0 ? amount : std::min<int64_t>(hole, amount);
}

// Writes each chunk out while the next one is copied, and waits for the one before: the final sync
// then has little left to do, a cancel is never stuck behind gigabytes of dirty pages, and the copy
// never fills the memory with them.
class Writeback {
 public:
  explicit Writeback(int fd) : fd_(fd) {}
  void Chunk(int64_t offset, int64_t length) {
    if (previous_length_ > 0) {
      ::sync_file_range(fd_, previous_offset_, previous_length_,
                        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    }
    ::sync_file_range(fd_, offset, length, SYNC_FILE_RANGE_WRITE);
    previous_offset_ = offset;
    previous_length_ = length;
  }

 private:
  int fd_;
  int64_t previous_offset_ = 0;
  int64_t previous_length_ = 0;
};

StepResult CopyStretches(int in, int out, int64_t amount, const std::atomic<int>& cancel_flag) {
  bool kernel_copy = true;
  Writeback writeback(out);
  for (int64_t offset = 0; offset < amount;) {
    int64_t begin = 0, end = 0;
    NextData(in, offset, amount, &begin, &end);
    if (begin >= amount) break;
    for (int64_t at = begin; at < end;) {
      const int64_t length = std::min(end - at, kCopyChunkBytes);
      if (!CopyChunk(in, out, at, length, &kernel_copy)) return StepResult::kFailed;
      writeback.Chunk(at, length);
      at += length;
      if (cancel_flag.load(std::memory_order_relaxed) != 0) return StepResult::kCancelled;
    }
    offset = end;
  }
  return StepResult::kDone;
}

}  // namespace

StepResult SyncedCopy(const QString& source, const QString& destination, int64_t amount,
                      const std::atomic<int>& cancel_flag) {
  if (amount < 0) return StepResult::kFailed;
  const QByteArray target = EncodeName(destination);
  Descriptor in(::open(EncodeName(source).constData(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return StepResult::kFailed;
  Descriptor out(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (out.get() < 0) return StepResult::kFailed;
  // The copy keeps the original's mode exactly, whatever the process's umask would take off.
  if (::fchmod(out.get(), st.st_mode & 0777) != 0) {
    out.Close();
    ::unlink(target.constData());
    return StepResult::kFailed;
  }
  StepResult result = st.st_size < amount ? StepResult::kFailed : CopyStretches(in.get(), out.get(), amount, cancel_flag);
  // A source cut short meanwhile would read as a hole at its end.
  if (result == StepResult::kDone && (::fstat(in.get(), &st) != 0 || st.st_size < amount)) result = StepResult::kFailed;
  // The length also makes the holes after the last stretch of data.
  if (result == StepResult::kDone && ::ftruncate(out.get(), amount) != 0) result = StepResult::kFailed;
  // A copy the disk has not taken must not count: the original may be removed right after this.
  if (result == StepResult::kDone && ::fsync(out.get()) != 0) result = StepResult::kFailed;
  if (!out.Close() && result == StepResult::kDone) result = StepResult::kFailed;
  if (result != StepResult::kDone) ::unlink(target.constData());
  return result;
}

}  // namespace zandrel
