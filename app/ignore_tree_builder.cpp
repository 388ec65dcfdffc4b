#include "app/ignore_tree_builder.h"

#include <optional>

#include "platform/file_system.h"

namespace zandrel {
namespace {

// One directory being listed: its entries and how far the walk has got.
struct Frame {
  QString relative;  // relative path of the directory with a trailing separator, empty for the top
  std::vector<DirEntry> entries;
  size_t next = 0;
  int32_t level = 0;
};

std::optional<Frame> OpenFrame(const QString& top, const QString& relative, int32_t level) {
  auto listed = ListDirectory(top + relative);
  if (!listed) return std::nullopt;
  return Frame{relative, std::move(*listed), 0, level};
}

}  // namespace

bool ListIgnoreTree(const QString& dir, const std::atomic<int>& state, size_t batch_size,
                    const EntryBatchSink& sink) {
  const QString top = WithTrailingSeparator(dir);
  std::vector<Frame> stack;
  if (auto first = OpenFrame(top, QString(), 0)) stack.push_back(std::move(*first));
  std::vector<IgnoreTreeEntry> batch;
  batch.reserve(batch_size);
  bool completed = true;
  while (!stack.empty()) {
    if (state.load(std::memory_order_relaxed) == kTreeCloseRequested) {
      completed = false;
      break;
    }
    Frame& frame = stack.back();
    if (frame.next == frame.entries.size()) {
      stack.pop_back();
      continue;
    }
    const DirEntry& e = frame.entries[frame.next++];
    const bool is_dir = e.kind == EntryKind::kDirectory;
    const QString path = frame.relative + e.name;
    batch.push_back({path, e.name, is_dir ? kEntryDirectory : kEntryFile, frame.level});
    if (batch.size() >= batch_size) {
      sink(std::move(batch));
      batch.clear();
      batch.reserve(batch_size);
    }
    if (is_dir) {
      const int32_t level = frame.level + 1;  // frame may move when the stack grows
      if (auto sub = OpenFrame(top, path + QChar(kSeparator), level)) stack.push_back(std::move(*sub));
    }
  }
  if (!batch.empty()) sink(std::move(batch));
  return completed;
}

IgnoreTreeBuilder::~IgnoreTreeBuilder() {
  RequestClose();
  Join();
}

void IgnoreTreeBuilder::Start(const QString& dir, EntryBatchSink sink,
                              std::function<void(bool completed)> finished) {
  Join();
  state_.store(kTreeIdle);
  thread_ = std::thread([this, dir, sink = std::move(sink), finished = std::move(finished)] {
    const bool completed = ListIgnoreTree(dir, state_, kBatchSize, sink);
    int idle = kTreeIdle;
    state_.compare_exchange_strong(idle, kTreeBuilt);
    if (finished) finished(completed);
  });
}

void IgnoreTreeBuilder::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace zandrel
