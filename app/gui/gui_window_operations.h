// The check run's window operations for the GUI. Every call from the run's thread is queued to the
// GUI thread in order and handed there to the window's own operations; progress values are
// coalesced (the newest wins, at most about 30 repaints a second); what the run reads of the window
// it has in its inputs, taken when it starts. The run's thread never waits on the GUI thread except
// in SettleWait, which gives up at once when the window is closing, so closing during a run cannot
// deadlock.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "check/window_operations.h"

namespace zandrel {

class GuiWindowOperations : public QObject, public WindowOperations {
  Q_OBJECT

 public:
  // Lives on the GUI thread, as does `window`; cancel_flag is the flag the run polls.
  GuiWindowOperations(WindowOperations& window, std::atomic<int>& cancel_flag);
  ~GuiWindowOperations() override;

  void SetStatusText(const QString& text) override;
  void ShowStatusLine(bool show) override;
  void ShowProgressBar(bool show) override;
  void SetProgressMaximum(int64_t maximum) override;
  void SetProgressValue(int64_t value) override;
  void SetCheckButtonCaption(const QString& caption) override;
  void SetIdle() override;
  void SettleWait() override;
  void OpenWithAssociatedProgram(const QString& path) override;

  // Cancel: sets the run's flag, and sets it again when the run clears it as it starts, so a
  // press right after the start is never lost.
  void RequestCancel();
  // The window is closing: a settle wait returns at once from now on, and nothing more is shown.
  void Abandon();
  // Runs call on the GUI thread after everything queued before it; callable from any thread.
  void Post(std::function<void()> call);
  // Progress values that reached the window (for the benchmark).
  int64_t ProgressRepaints() const { return progress_repaints_.load(); }

  static constexpr int kProgressIntervalMs = 33;
  static constexpr int kSettleMs = 100;

 private:
  Q_INVOKABLE void RunPosted();
  void Queue(std::function<void(WindowOperations&)> call);
  void KeepCancel();
  void FlushProgress();
  void FlushProgressSoon();
  void Settled();

  WindowOperations& window_;
  std::atomic<int>& cancel_flag_;
  std::atomic<bool> cancel_requested_{false};
  std::atomic<bool> abandoned_{false};
  std::atomic<int64_t> latest_progress_{0};
  std::atomic<bool> progress_pending_{false};
  std::atomic<int64_t> progress_repaints_{0};
  QElapsedTimer since_repaint_;  // GUI thread only
  // Calls waiting for the GUI thread, in the order they were posted.
  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;
  std::mutex settle_mutex_;
  std::condition_variable settle_done_;
  bool settled_ = false;
};

}  // namespace zandrel
