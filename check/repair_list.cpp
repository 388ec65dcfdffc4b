#include "check/repair_list.h"

#include <algorithm>

#include "torrent/path_map.h"

namespace zandrel {

void RepairList::Reset(const std::vector<TorrentFileEntry>& entries, const std::vector<uint8_t>& found) {
  by_length_.clear();
  waiting_ = 0;
  // A torrent may list one path twice (crafted, or names that clean to the same text). Only the
  // first of them is ever supplied: a copy for a later one would replace the file just put there
  // for the earlier one, or the earlier one's correct file.
  PathMap paths;
  for (size_t i = 0; i < entries.size(); ++i) {
    const QString path = entries[i].RelativePath();
    if (paths.IsPresent(path)) continue;
    paths.Add(path);
    // A missing link is never made from a file of the same size.
    if (found[i] != 0 || entries[i].IsSymlink) continue;
    by_length_[entries[i].Length].push_back(i);
    ++waiting_;
  }
}

std::optional<size_t> RepairList::Take(int64_t length) {
  auto it = by_length_.find(length);
  if (it == by_length_.end()) return std::nullopt;
  const size_t position = it->front();
  it->pop_front();
  if (it->empty()) by_length_.erase(it);
  --waiting_;
  return position;
}

std::vector<size_t> RepairList::Waiting(int64_t length) const {
  const auto it = by_length_.constFind(length);
  if (it == by_length_.constEnd()) return {};
  return std::vector<size_t>(it->begin(), it->end());
}

void RepairList::Take(int64_t length, size_t position) {
  auto it = by_length_.find(length);
  if (it == by_length_.end()) return;
  const auto at = std::find(it->begin(), it->end(), position);
  if (at == it->end()) return;
  it->erase(at);
  if (it->empty()) by_length_.erase(it);
  --waiting_;
}

}  // namespace zandrel
