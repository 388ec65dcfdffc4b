#include "check/repair_list.h"

namespace zandrel {

void RepairList::Reset(const std::vector<TorrentFileEntry>& entries) {
  by_length_.clear();
  waiting_ = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].Found != 0) continue;
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

}  // namespace zandrel
