// Every change a run makes in the download and backup folders goes through here. A dry run changes
// nothing: each change is taken as done and remembered, and the queries answer as the disk would
// after it, so every later decision is the one a real run would make.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "platform/directory_walk.h"
#include "platform/file_system.h"

namespace zandrel {

// Ends every report line of a dry run that tells of a change.
inline const QString kNotDoneMark = QStringLiteral(" [dry run: not done]");

class DiskActions {
 public:
  explicit DiskActions(bool dry_run = false) : dry_run_(dry_run) {}
  bool dry_run() const { return dry_run_; }

  bool CreateDirectory(const QString& path);
  bool DeleteFile(const QString& path);
  bool RemoveDirectory(const QString& path);
  bool MoveFile(const QString& from, const QString& to);
  // True when the last MoveFile failed because its source changed while it was copied to
  // another volume.
  bool SourceChanged() const { return source_changed_; }
  // Renames a file over `to` in one step (see zandrel::ReplaceFile).
  bool ReplaceFile(const QString& from, const QString& to);
  // Called before every change on disk, the copies of a trim included; tests stop a run there.
  void BeforeChange() const {
    if (before_change) before_change();
  }
  std::function<void()> before_change;
  // A dry run's stand-in for a copy: a file of `size` bytes now stands at `path`.
  void PretendFile(const QString& path, int64_t size);

  // As zandrel::FileSize, with a dry run's pretended files and deletions taken into account.
  int64_t FileSize(const QString& path) const;
  bool PathEntryExists(const QString& path) const;
  std::optional<std::vector<DirEntry>> ListDirectory(const QString& dir, QString* why = nullptr) const;
  // Walks `top` (see WalkDirectory) through the disk as this run sees it.
  StepResult Walk(const QString& top, WalkVisitor& visitor) const;
  // True when a dry run has taken what stood at the path away.
  bool Vanished(const QString& path) const { return dry_run_ && gone_.contains(Key(path)); }

  // Creates an empty file where nothing stands; never replaces anything.
  bool CreateEmptyFile(const QString& path);
  // Where the bytes of the file at `path` can be read: in a dry run, a file taken as moved or
  // copied there is still at its origin.
  QString ReadablePath(const QString& path) const;
  // Free bytes as DriveFreeSpace gives them, less what a dry run's copies would have taken by now
  // and plus what its deletions would have freed.
  int64_t DriveFreeSpace(const QString& drive) const;
  // A dry run's copy of `source`: like PretendFile, and its bytes are read from the source.
  void PretendCopy(const QString& source, const QString& path, int64_t size);

 private:
  static QString Key(const QString& path);
  void Made(const QString& path, int64_t size);
  void Gone(const QString& path);

  const bool dry_run_;
  QHash<QString, int64_t> made_;  // size, -2 for a folder
  QSet<QString> gone_;
  bool source_changed_ = false;
  QHash<QString, QString> origin_;      // a dry run's moved or copied file: where its bytes are
  QHash<QString, int64_t> used_bytes_;  // a dry run's net bytes taken, by drive
  void Use(const QString& path, int64_t bytes);
};

}  // namespace zandrel
