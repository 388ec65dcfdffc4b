// Real faults for the length of a scope: a file that refuses every change, a small file system.
#pragma once

#include <QString>
#include <QStringList>

namespace zandrel::test {

// Runs `apply` (program, then arguments) on construction and `undo` on destruction when `apply`
// succeeded. available() is false where the system or the process's rights do not allow it.
class CommandGuard {
 public:
  CommandGuard(const QStringList& apply, QStringList undo);
  ~CommandGuard();
  CommandGuard(const CommandGuard&) = delete;
  CommandGuard& operator=(const CommandGuard&) = delete;
  bool available() const { return applied_; }

 private:
  QStringList undo_;
  bool applied_ = false;
};

// Makes a file or folder immutable (chattr +i / -i).
class ImmutableGuard : public CommandGuard {
 public:
  explicit ImmutableGuard(const QString& path) : CommandGuard({"chattr", "+i", path}, {"chattr", "-i", path}) {}
};

// A memory file system of the given size mounted on a folder, which is made when missing.
class TmpfsGuard : public CommandGuard {
 public:
  TmpfsGuard(const QString& dir, int kib);
};

}  // namespace zandrel::test
