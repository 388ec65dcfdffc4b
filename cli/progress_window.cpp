#include "cli/progress_window.h"

#include <cstdio>

namespace zandrel {
namespace {

const char* StageName(RunStage stage) {
  switch (stage) {
    case RunStage::kFileCheck: return "file check";
    case RunStage::kHashCheck: return "hash check";
    case RunStage::kRepair: return "repair";
    case RunStage::kUnneeded: return "unneeded scan";
    case RunStage::kDone: return "done";
  }
  return "";
}

}  // namespace

ProgressWindow::ProgressWindow(bool show_progress, int64_t piece_length, int64_t entries)
    : show_progress_(show_progress), piece_length_(piece_length), entries_(entries) {
  since_draw_.start();
  since_stage_.start();
}

void ProgressWindow::SetStatusText(const QString& text) {
  std::lock_guard<std::mutex> lock(status_mutex_);
  status_ = text;
}

QString ProgressWindow::LastStatusText() const {
  std::lock_guard<std::mutex> lock(status_mutex_);
  return status_;
}

void ProgressWindow::SetProgressValue(int64_t value) {
  value_ = value;
  Draw(false);
}

void ProgressWindow::StageChanged(RunStage stage) {
  stage_ = stage;
  since_stage_.restart();
  Draw(true);
}

void ProgressWindow::Draw(bool force) {
  if (!show_progress_ || stage_ == RunStage::kDone) return;
  if (!force && since_draw_.elapsed() < 100) return;
  since_draw_.restart();
  const int64_t maximum = maximum_.load();
  const double percent = maximum > 0 ? 100.0 * double(value_) / double(maximum) : 0.0;
  char line[160];
  int n = std::snprintf(line, sizeof line, "\r%s: %lld/%lld (%.1f%%)", StageName(stage_),
                        static_cast<long long>(value_), static_cast<long long>(maximum), percent);
  if (stage_ == RunStage::kHashCheck && since_stage_.elapsed() > 0 && value_ > entries_) {
    const double bytes = double(value_ - entries_) * double(piece_length_);
    const double mb_per_s = bytes / 1e6 / (double(since_stage_.elapsed()) / 1000.0);
    n += std::snprintf(line + n, sizeof line - n, " %.0f MB/s", mb_per_s);
  }
  std::fprintf(stderr, "%s\033[K", line);
  std::fflush(stderr);
  line_drawn_ = true;
}

void ProgressWindow::ClearLine() {
  if (!line_drawn_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  line_drawn_ = false;
}

}  // namespace zandrel
