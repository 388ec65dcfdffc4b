// The ignore window's tree builder: lists the download directory on a worker thread and hands the
// entries over in batches. It never touches a widget and never reads the ignore list.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace zandrel {

struct IgnoreTreeEntry {
  QString Path;  // relative to the download directory
  QString Name;
  int8_t Kind = 1;  // kEntryFile or kEntryDirectory
  int32_t Level = 0;
};

inline constexpr int8_t kEntryFile = 1;
inline constexpr int8_t kEntryDirectory = 2;

// Values of IgnoreTreeState.
inline constexpr int kTreeIdle = 0;
inline constexpr int kTreeCloseRequested = 1;
inline constexpr int kTreeBuilt = -1;

using EntryBatchSink = std::function<void(std::vector<IgnoreTreeEntry>&& batch)>;

// Lists dir depth first, a directory's own entry before its contents, the entries of one directory
// in the order the file system gives them. Links are listed as files and never entered; a
// directory that cannot be listed, or where another file system is mounted, contributes nothing. Before each entry the state is read and the
// listing stops when closing was requested. Entries reach sink in batches of at most batch_size.
// True when the whole directory was listed.
bool ListIgnoreTree(const QString& dir, const std::atomic<int>& state, size_t batch_size,
                    const EntryBatchSink& sink);

class IgnoreTreeBuilder {
 public:
  IgnoreTreeBuilder() = default;
  IgnoreTreeBuilder(const IgnoreTreeBuilder&) = delete;
  IgnoreTreeBuilder& operator=(const IgnoreTreeBuilder&) = delete;
  ~IgnoreTreeBuilder();

  // Starts listing dir on a new thread. sink receives the batches and finished the outcome, both
  // on the worker thread; finished is its last act.
  void Start(const QString& dir, EntryBatchSink sink, std::function<void(bool completed)> finished);
  // Asks the worker to stop before its next entry.
  void RequestClose() { state_.store(kTreeCloseRequested); }
  // Waits for the worker to end.
  void Join();
  std::atomic<int>& State() { return state_; }

  static constexpr size_t kBatchSize = 512;

 private:
  std::thread thread_;
  std::atomic<int> state_{kTreeIdle};
};

}  // namespace zandrel
