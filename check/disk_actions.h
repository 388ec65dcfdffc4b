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

  int64_t FileSize(const QString& path) const;
  bool PathEntryExists(const QString& path) const;
  std::optional<std::vector<DirEntry>> ListDirectory(const QString& dir) const;
  // True when a dry run has taken what stood at the path away.
  bool Vanished(const QString& path) const { return dry_run_ && gone_.contains(Key(path)); }

 private:
  static QString Key(const QString& path);
  void Made(const QString& path, int64_t size);
  void Gone(const QString& path);

  const bool dry_run_;
  QHash<QString, int64_t> made_;  // size, -2 for a folder
  QSet<QString> gone_;
  bool source_changed_ = false;
};

}  // namespace zandrel
