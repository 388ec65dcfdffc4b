// An advisory lock on a folder, held while an open handle of it lives: a second holder, in this
// process or another, is refused, and the system lets go when the process ends however it ends.
#pragma once

#include <QString>

namespace zandrel {

class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  FolderLock(FolderLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FolderLock& operator=(FolderLock&& other) noexcept;
  ~FolderLock() { Release(); }

  enum class Outcome { kLocked, kHeldElsewhere, kFailed };
  // Takes the lock on the folder without waiting.
  Outcome Acquire(const QString& folder);
  void Release();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace zandrel
