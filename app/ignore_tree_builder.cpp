#include "app/ignore_tree_builder.h"

#include "platform/directory_walk.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

// Hands the entries over in batches, each directory's own entry before its contents.
class TreeListing : public WalkVisitor {
 public:
  TreeListing(const QString& top, const std::atomic<int>& state, size_t batch_size, const EntryBatchSink& sink)
      : top_(top), state_(state), batch_size_(batch_size), sink_(sink) {
    batch_.reserve(batch_size_);
  }
  bool File(const WalkEntry& entry) override { return Add(entry, kEntryFile); }
  bool Enter(const WalkEntry& folder) override { return Add(folder, kEntryDirectory); }
  bool Leave(const WalkEntry&, FolderOutcome, const QString&) override { return !CloseRequested(); }
  // Hands over what is left; true when nothing asked the listing to stop.
  bool Finish() {
    if (!batch_.empty()) sink_(std::move(batch_));
    return !CloseRequested();
  }

 private:
  bool CloseRequested() {
    stopped_ = stopped_ || state_.load(std::memory_order_relaxed) == kTreeCloseRequested;
    return stopped_;
  }

  // False once closing was asked: a directory is then passed by, and its Leave ends the walk.
  bool Add(const WalkEntry& entry, int8_t kind) {
    if (CloseRequested()) return false;
    batch_.push_back({entry.path.mid(top_.size()), entry.name, kind, entry.depth - 1});
    if (batch_.size() >= batch_size_) {
      sink_(std::move(batch_));
      batch_.clear();
      batch_.reserve(batch_size_);
    }
    return true;
  }

  const QString& top_;
  const std::atomic<int>& state_;
  const size_t batch_size_;
  const EntryBatchSink& sink_;
  std::vector<IgnoreTreeEntry> batch_;
  bool stopped_ = false;
};

}  // namespace

bool ListIgnoreTree(const QString& dir, const std::atomic<int>& state, size_t batch_size,
                    const EntryBatchSink& sink) {
  const QString top = WithTrailingSeparator(dir);
  TreeListing listing(top, state, batch_size, sink);
  WalkDirectory(top, listing);
  return listing.Finish();
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
