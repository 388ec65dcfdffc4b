// The command line's stand-in for the main window: a progress line on stderr when it is a
// terminal, and the last status text for the final line of output.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>

#include "check/window_operations.h"

namespace zandrel {

// What the progress line is measured against.
struct ProgressTotals {
  int64_t entries = 0;
  int64_t piece_length = 0;
  int64_t total_bytes = 0;  // bytes the pieces cover
};

// One state of the line, as a pure function of what is known: stage, position, the time spent in
// the stage and the failures so far.
struct ProgressState {
  RunStage stage = RunStage::kFileCheck;
  int64_t value = 0;    // the run's progress value
  int64_t maximum = 0;
  int64_t items = 0;    // items looked at in the repair and unneeded stages
  int64_t elapsed_ms = 0;
  int64_t failures = 0;
};
std::string ProgressLineText(const ProgressState& state, const ProgressTotals& totals);
// The line cut to fit a terminal of `columns` without wrapping (the text is ASCII).
std::string FitToWidth(std::string text, int columns);

class ProgressWindow : public WindowOperations {
 public:
  // show_progress: draw the line (stderr is a terminal and --quiet was not given). failures, when
  // set, is asked on the run's thread for the problems of the stage found so far.
  ProgressWindow(bool show_progress, const ProgressTotals& totals, std::function<int64_t(RunStage)> failures = {});

  void SetStatusText(const QString& text) override;
  void ShowStatusLine(bool) override {}
  void ShowProgressBar(bool) override {}
  void SetProgressMaximum(int64_t maximum) override { state_.maximum = maximum; }
  void SetProgressValue(int64_t value) override;
  void SetCheckButtonCaption(const QString&) override {}
  void SetIdle() override { ClearLine(); }
  void SettleWait() override {}
  void OpenWithAssociatedProgram(const QString&) override {}
  void StageChanged(RunStage stage) override;

  QString LastStatusText() const;

 private:
  void Draw(bool force);
  void ClearLine();

  const bool show_progress_;
  const ProgressTotals totals_;
  const std::function<int64_t(RunStage)> failures_;
  ProgressState state_;  // touched on the run's thread only
  QElapsedTimer since_draw_;
  QElapsedTimer since_stage_;
  mutable std::mutex status_mutex_;
  QString status_;
  bool line_drawn_ = false;
};

}  // namespace zandrel
