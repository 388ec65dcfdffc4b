// How late a 10 ms repeating timer on the GUI thread fires: what a user feels as a window that
// stutters. Shared by the benchmarks that drive windows.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace zandrel {

class LatenessProbe {
 public:
  static constexpr int kIntervalMs = 10;

  LatenessProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kIntervalMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      lateness_ms_.push_back(std::max(0.0, clock_.nsecsElapsed() / 1e6 - kIntervalMs));
      clock_.restart();
    });
  }
  // Starts afresh: earlier ticks are forgotten.
  void Start() {
    lateness_ms_.clear();
    clock_.start();
    timer_.start();
  }
  void Stop() { timer_.stop(); }

  size_t Ticks() const { return lateness_ms_.size(); }
  double Median() const { return Percentile(0.5); }
  double Worst() const { return Percentile(1.0); }

 private:
  double Percentile(double fraction) const {
    if (lateness_ms_.empty()) return 0;
    std::vector<double> sorted = lateness_ms_;
    std::sort(sorted.begin(), sorted.end());
    return sorted[static_cast<size_t>(fraction * double(sorted.size() - 1))];
  }

  QTimer timer_;
  QElapsedTimer clock_;
  std::vector<double> lateness_ms_;
};

}  // namespace zandrel
