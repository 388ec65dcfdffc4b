#include "app/gui/gui_window_operations.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>
#include <chrono>

namespace zandrel {
GuiWindowOperations::GuiWindowOperations(WindowOperations& window, std::atomic<int>& cancel_flag)
    : window_(window), cancel_flag_(cancel_flag) {
  since_repaint_.start();
}

GuiWindowOperations::~GuiWindowOperations() { Abandon(); }

void GuiWindowOperations::RequestCancel() {
  cancel_requested_.store(true);
  cancel_flag_.store(1);
}

// The run clears its flag when it starts and then shows its Cancel caption; every call from the
// run puts a requested cancel back.
void GuiWindowOperations::KeepCancel() {
  if (cancel_requested_.load()) cancel_flag_.store(1);
}

void GuiWindowOperations::Queue(std::function<void(WindowOperations&)> call) {
  KeepCancel();
  if (abandoned_.load()) return;
  Post([this, call = std::move(call)] {
    if (!abandoned_.load()) call(window_);
  });
}

// The calls themselves go through a queue of our own under a standard mutex, so every hand-over
// from the run's thread is one that race checkers can see. Qt's event queue carries one wake-up
// per call, so a call that opens a nested event loop still lets the later ones run; a destroyed
// receiver drops its wake-ups along with the queue.
void GuiWindowOperations::Post(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(posted_mutex_);
    posted_.push_back(std::move(call));
  }
  QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
}

void GuiWindowOperations::RunPosted() {
  std::function<void()> call;
  {
    std::lock_guard<std::mutex> lock(posted_mutex_);
    if (posted_.empty()) return;
    call = std::move(posted_.front());
    posted_.pop_front();
  }
  call();
}

void GuiWindowOperations::SetStatusText(const QString& text) {
  Queue([text](WindowOperations& window) { window.SetStatusText(text); });
}

void GuiWindowOperations::ShowStatusLine(bool show) {
  Queue([show](WindowOperations& window) { window.ShowStatusLine(show); });
}

void GuiWindowOperations::ShowProgressBar(bool show) {
  Queue([show](WindowOperations& window) { window.ShowProgressBar(show); });
}

void GuiWindowOperations::SetProgressMaximum(int64_t maximum) {
  Queue([maximum](WindowOperations& window) { window.SetProgressMaximum(maximum); });
}

void GuiWindowOperations::SetProgressValue(int64_t value) {
  KeepCancel();
  latest_progress_.store(value);
  // One flush at a time is on its way; it shows whatever value is newest when it runs.
  if (progress_pending_.exchange(true)) return;
  Queue([this](WindowOperations&) {
    const int64_t wait = kProgressIntervalMs - since_repaint_.elapsed();
    if (wait > 0) {
      QTimer::singleShot(static_cast<int>(wait), this, [this] { FlushProgress(); });
    } else {
      FlushProgress();
    }
  });
}

void GuiWindowOperations::FlushProgress() {
  progress_pending_.store(false);
  if (abandoned_.load()) return;
  window_.SetProgressValue(latest_progress_.load());
  progress_repaints_.fetch_add(1);
  since_repaint_.restart();
}

void GuiWindowOperations::SetCheckButtonCaption(const QString& caption) {
  Queue([caption](WindowOperations& window) { window.SetCheckButtonCaption(caption); });
}

void GuiWindowOperations::SetIdle() {
  Queue([](WindowOperations& window) { window.SetIdle(); });
}

void GuiWindowOperations::OpenWithAssociatedProgram(const QString& path) {
  Queue([path](WindowOperations& window) { window.OpenWithAssociatedProgram(path); });
}

void GuiWindowOperations::SettleWait() {
  {
    std::lock_guard<std::mutex> lock(settle_mutex_);
    settled_ = false;
  }
  if (abandoned_.load()) return;
  // The bar gets a last value painted while the run pauses; the timer runs on the GUI thread, so
  // the pause ends as soon as the GUI thread has had its 100 ms, never by polling.
  FlushProgressSoon();
  Post([this] { QTimer::singleShot(kSettleMs, this, [this] { Settled(); }); });
  std::unique_lock<std::mutex> lock(settle_mutex_);
  // The bound only matters if the GUI thread were stuck; it never waits on this thread.
  settle_done_.wait_for(lock, std::chrono::seconds(5), [this] { return settled_ || abandoned_.load(); });
}

void GuiWindowOperations::FlushProgressSoon() {
  if (progress_pending_.exchange(true)) return;
  Queue([this](WindowOperations&) { FlushProgress(); });
}

void GuiWindowOperations::Settled() {
  std::lock_guard<std::mutex> lock(settle_mutex_);
  settled_ = true;
  settle_done_.notify_all();
}

void GuiWindowOperations::Abandon() {
  abandoned_.store(true);
  std::lock_guard<std::mutex> lock(settle_mutex_);
  settle_done_.notify_all();
}

}  // namespace zandrel
