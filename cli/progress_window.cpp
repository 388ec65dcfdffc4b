#include "cli/progress_window.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

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

// One decimal, always with a point, whatever the locale.
std::string Decimal(double value) {
  char text[400];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
  return result.ec == std::errc() ? std::string(text, result.ptr) : std::string("?");
}

constexpr double kMebibyte = 1048576.0;

std::string Mebibytes(double bytes) { return Decimal(bytes / kMebibyte); }

std::string Duration(double seconds) {
  const long long s = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (s >= 3600) std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

// Bytes done, total, percent, throughput and time left while the pieces are hashed.
std::string HashingText(const ProgressState& state, const ProgressTotals& totals) {
  const int64_t pieces_done = std::max<int64_t>(0, state.value - totals.entries);
  const double done = std::min(double(pieces_done) * double(totals.piece_length), double(totals.total_bytes));
  const double total = double(totals.total_bytes);
  std::string text = Mebibytes(done) + "/" + Mebibytes(total) + " MiB";
  if (total > 0) text += " (" + Decimal(100.0 * done / total) + "%)";
  const double seconds = double(state.elapsed_ms) / 1000.0;
  if (seconds > 0.5 && done > 0) {
    const double rate = done / seconds;
    text += ", " + Decimal(rate / kMebibyte) + " MiB/s, ETA " + Duration((total - done) / rate);
  }
  return text + ", failed pieces: " + std::to_string(state.failures);
}

// The width of the terminal now (it may have been resized since the last line).
int TerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
  return size.ws_col;
}

}  // namespace

std::string FitToWidth(std::string text, int columns) {
  // A line that reaches the last column wraps on some terminals, and "\r" then redraws only its
  // second half, so the line stays one short of the width.
  const size_t room = static_cast<size_t>(std::max(1, columns - 1));
  if (text.size() > room) text.resize(room);
  return text;
}

std::string ProgressLineText(const ProgressState& state, const ProgressTotals& totals) {
  std::string text = std::string(StageName(state.stage)) + ": ";
  switch (state.stage) {
    case RunStage::kHashCheck:
      return text + HashingText(state, totals);
    case RunStage::kFileCheck:
      return text + std::to_string(std::min(state.value, totals.entries)) + "/" + std::to_string(totals.entries) +
             " files, problems: " + std::to_string(state.failures);
    default:
      return text + std::to_string(state.items) + " items looked at";
  }
}

ProgressWindow::ProgressWindow(bool show_progress, const ProgressTotals& totals,
                               std::function<int64_t(RunStage)> failures)
    : show_progress_(show_progress), totals_(totals), failures_(std::move(failures)) {
  since_draw_.start();
  since_stage_.start();
}

void ProgressWindow::SetStatusText(const QString& text) {
  {
    std::lock_guard<std::mutex> lock(status_mutex_);
    status_ = text;
  }
  // The repair and unneeded stages name every item they look at on the status line.
  if (state_.stage == RunStage::kRepair || state_.stage == RunStage::kUnneeded) {
    ++state_.items;
    Draw(false);
  }
}

QString ProgressWindow::LastStatusText() const {
  std::lock_guard<std::mutex> lock(status_mutex_);
  return status_;
}

void ProgressWindow::SetProgressValue(int64_t value) {
  state_.value = value;
  Draw(false);
}

void ProgressWindow::StageChanged(RunStage stage) {
  state_.stage = stage;
  state_.items = 0;
  since_stage_.restart();
  Draw(true);
}

void ProgressWindow::Draw(bool force) {
  if (!show_progress_ || state_.stage == RunStage::kDone) return;
  if (!force && since_draw_.elapsed() < 100) return;
  since_draw_.restart();
  state_.elapsed_ms = since_stage_.elapsed();
  state_.failures = failures_ ? failures_(state_.stage) : 0;
  std::fprintf(stderr, "\r%s\033[K", FitToWidth(ProgressLineText(state_, totals_), TerminalColumns()).c_str());
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
