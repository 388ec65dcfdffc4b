// A map from lower-cased relative path (or bare file name) to the path as written. Used for the
// ignore list and the needed paths of a run.
#pragma once

#include <QHash>
#include <QString>

namespace zandrel {

class PathMap {
 public:
  void Add(const QString& path) { map_.insert(path.toLower(), path); }
  void Remove(const QString& path) {
    auto it = map_.find(path.toLower());
    if (it != map_.end()) it->clear();
  }
  void Clear() { map_.clear(); }
  bool IsPresent(const QString& path) const {
    auto it = map_.constFind(path.toLower());
    return it != map_.constEnd() && !it->isEmpty();
  }
  // Value stored under the lower-cased key, empty when absent.
  QString Value(const QString& path) const { return map_.value(path.toLower()); }
  qsizetype PresentCount() const {
    qsizetype n = 0;
    for (const QString& v : map_) n += v.isEmpty() ? 0 : 1;
    return n;
  }

 private:
  QHash<QString, QString> map_;
};

}  // namespace zandrel
