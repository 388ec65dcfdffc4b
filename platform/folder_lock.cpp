#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/native_name.h"

namespace zandrel {

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FolderLock::Outcome FolderLock::Acquire(const QString& folder) {
  Release();
  const int fd = ::open(EncodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Outcome::kFailed;
  // flock belongs to the open handle, not the process, so two runs in one process exclude each
  // other too.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? Outcome::kHeldElsewhere : Outcome::kFailed;
  }
  fd_ = fd;
  return Outcome::kLocked;
}

void FolderLock::Release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the only handle lets go of the lock
  fd_ = -1;
}

}  // namespace zandrel
