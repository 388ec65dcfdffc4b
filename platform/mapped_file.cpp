#include "platform/mapped_file.h"

#include <QFile>

#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <ucontext.h>
#include <unistd.h>

#include "platform/native_name.h"

#include <algorithm>
#include <cerrno>
#include <mutex>

#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22
#endif

namespace zandrel {
namespace {

// Page-cache folios of this size can be mapped with one page-table entry when the mapping's
// address and file offset are both aligned to it; that makes mapping warm data almost free.
constexpr int64_t kLargePage = int64_t{2} << 20;

int64_t RoundUp(int64_t value, int64_t unit) { return (value + unit - 1) / unit * unit; }

// Maps size bytes of the file from offset (a multiple of the page size) at an address aligned to
// kLargePage, so that file offset and address agree modulo the large page.
void* MapAligned(int fd, int64_t offset, size_t size) {
  if (size < static_cast<size_t>(kLargePage)) {
    void* base = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, offset);
    return base == MAP_FAILED ? nullptr : base;
  }
  const size_t span = size + kLargePage;
  void* reserve = ::mmap(nullptr, span, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (reserve == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(reserve);
  const uintptr_t aligned = (start + kLargePage - 1) & ~static_cast<uintptr_t>(kLargePage - 1);
  void* base = ::mmap(reinterpret_cast<void*>(aligned), size, PROT_READ, MAP_SHARED | MAP_FIXED, fd, offset);
  if (base == MAP_FAILED) {
    ::munmap(reserve, span);
    return nullptr;
  }
  if (aligned > start) ::munmap(reserve, aligned - start);
  const uintptr_t tail = aligned + size;
  if (tail < start + span) ::munmap(reinterpret_cast<void*>(tail), start + span - tail);
  return base;
}

// The bus-error guard. Signal dispositions belong to the whole process, so the handler and the
// disposition it replaced are necessarily process-wide; which thread is inside a guarded call is
// per thread.
thread_local sigjmp_buf* t_guard = nullptr;
struct sigaction g_previous_action;

void OnBusError(int signal_number, siginfo_t* info, void* context) {
  if (sigjmp_buf* env = t_guard) {
    t_guard = nullptr;
    // Leave with the signal mask the faulting code ran under. Whoever installed the handler in the
    // end (a sanitizer's wrapper, say) may have blocked more signals for its duration, and a
    // SIGBUS that arrives blocked ends the process.
    pthread_sigmask(SIG_SETMASK, &static_cast<ucontext_t*>(context)->uc_sigmask, nullptr);
    siglongjmp(*env, 1);
  }
  // Not a guarded read: behave as if this handler had never been installed.
  if ((g_previous_action.sa_flags & SA_SIGINFO) != 0 && g_previous_action.sa_sigaction != nullptr) {
    g_previous_action.sa_sigaction(signal_number, info, context);
  } else if (g_previous_action.sa_handler != SIG_DFL && g_previous_action.sa_handler != SIG_IGN) {
    g_previous_action.sa_handler(signal_number);
  } else {
    // Returning re-executes the faulting access, which now meets the default action.
    ::signal(SIGBUS, SIG_DFL);
  }
}

void InstallBusErrorHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    // SA_NODEFER keeps SIGBUS unblocked inside the handler; the handler restores the mask itself
    // when it jumps out, so entering a guarded region costs no system call.
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &g_previous_action);
  });
}

}  // namespace

MappedRegion::MappedRegion(MappedRegion&& other) noexcept
    : base_(other.base_), size_(other.size_), first_(other.first_) {
  other.base_ = nullptr;
  other.size_ = 0;
}

MappedRegion& MappedRegion::operator=(MappedRegion&& other) noexcept {
  if (this != &other) {
    Reset();
    base_ = other.base_;
    size_ = other.size_;
    first_ = other.first_;
    other.base_ = nullptr;
    other.size_ = 0;
  }
  return *this;
}

MappedRegion::~MappedRegion() { Reset(); }

void MappedRegion::Reset() {
  if (base_ != nullptr) ::munmap(base_, size_);
  base_ = nullptr;
  size_ = 0;
}

bool ReadOnlyFile::Open(const QString& path) {
  Close();
  const QByteArray native = EncodeName(path);
  if (native.isEmpty()) return false;
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
  const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = st.st_size;
  return true;
}

void ReadOnlyFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
}

void ReadOnlyFile::AdviseSequential() {
  if (fd_ >= 0) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void ReadOnlyFile::AdviseWillNeed(int64_t offset, int64_t length) {
  if (fd_ >= 0 && length > 0) ::posix_fadvise(fd_, offset, length, POSIX_FADV_WILLNEED);
}

bool ReadOnlyFile::IsCached(int64_t offset) {
  if (fd_ < 0) return false;
  uint8_t byte = 0;
  iovec vector{&byte, 1};
  return ::preadv2(fd_, &vector, 1, offset, RWF_NOWAIT) == 1;
}

int64_t ReadOnlyFile::ReadAt(int64_t offset, void* buffer, int64_t length) {
  int64_t done = 0;
  while (fd_ >= 0 && done < length) {
    const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, static_cast<size_t>(length - done), offset + done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

MappedRegion ReadOnlyFile::Map(int64_t offset, int64_t length) {
  MappedRegion region;
  if (fd_ < 0 || offset < 0 || length <= 0) return region;
  static const int64_t page = ::sysconf(_SC_PAGESIZE);
  const int64_t first = offset / kLargePage * kLargePage;
  const int64_t needed_end = RoundUp(offset + length, page);
  const int64_t end = std::max(needed_end, std::min(RoundUp(offset + length, kLargePage), RoundUp(size_, page)));
  const size_t size = static_cast<size_t>(end - first);
  void* base = MapAligned(fd_, first, size);
  if (base == nullptr) return region;
  region.base_ = base;
  region.size_ = size;
  region.first_ = first;
  if (size >= static_cast<size_t>(kLargePage)) ::madvise(base, size, MADV_HUGEPAGE);
  // Fault the needed pages in now, on the reading thread: cold data is then read from disk ahead
  // of the hashing threads, and warm data costs the same here as it would there. Failure (an old
  // kernel, a file that shrank) is harmless: the pages fault in on first use instead.
  const int64_t from = offset / page * page;
  ::madvise(static_cast<char*>(base) + (from - first), static_cast<size_t>(needed_end - from), MADV_POPULATE_READ);
  return region;
}

bool RunGuardingMappedReads(void (*fn)(void*), void* context) {
  InstallBusErrorHandler();
  sigjmp_buf env;
  if (sigsetjmp(env, 0) != 0) return false;
  t_guard = &env;
  fn(context);
  t_guard = nullptr;
  return true;
}

}  // namespace zandrel
