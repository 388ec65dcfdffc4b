// A set of relative paths (and bare file names) with the text each was added as: the ignore list
// and the needed paths of a run. Paths compare as the file system compares names: exactly where
// it tells letter case apart (Linux), so "A.bin" and "a.bin" are two paths there; without regard
// to letter case where it folds (Windows, and macOS by default).
#pragma once

#include <QHash>
#include <QString>

#include "platform/file_system.h"

namespace zandrel {

class PathMap {
 public:
  explicit PathMap(Qt::CaseSensitivity name_case = kFileNameCase) : name_case_(name_case) {}

  void Add(const QString& path) { map_.insert(Key(path), path); }
  void Remove(const QString& path) {
    auto it = map_.find(Key(path));
    if (it != map_.end()) it->clear();
  }
  void Clear() { map_.clear(); }
  bool IsPresent(const QString& path) const {
    auto it = map_.constFind(Key(path));
    return it != map_.constEnd() && !it->isEmpty();
  }
  // The path as it was added, empty when absent.
  QString Value(const QString& path) const { return map_.value(Key(path)); }
  // The text a path is compared as.
  QString KeyOf(const QString& path) const { return Key(path); }
  qsizetype PresentCount() const {
    qsizetype n = 0;
    for (const QString& v : map_) n += v.isEmpty() ? 0 : 1;
    return n;
  }

 private:
  QString Key(const QString& path) const { return name_case_ == Qt::CaseSensitive ? path : path.toLower(); }

  Qt::CaseSensitivity name_case_;
  QHash<QString, QString> map_;
};

}  // namespace zandrel
