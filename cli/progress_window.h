// The command line's stand-in for the main window: a progress line on stderr when it is a
// terminal, and the last status text for the final line of output.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <mutex>

#include "check/window_operations.h"

namespace zandrel {

class ProgressWindow : public WindowOperations {
 public:
  // show_progress: draw the line (stderr is a terminal and --quiet was not given).
  // piece_length and entries let the hashing stage show its throughput.
  ProgressWindow(bool show_progress, int64_t piece_length, int64_t entries);

  void SetStatusText(const QString& text) override;
  void ShowStatusLine(bool) override {}
  void ShowProgressBar(bool) override {}
  void SetProgressMaximum(int64_t maximum) override { maximum_ = maximum; }
  void SetProgressValue(int64_t value) override;
  void SetCheckButtonCaption(const QString&) override {}
  bool OpenReportTicked() override { return false; }
  QString BackupFieldText() override { return QString(); }
  void SetIdle() override { ClearLine(); }
  void SettleWait() override {}
  void OpenWithAssociatedProgram(const QString&) override {}
  void StageChanged(RunStage stage) override;

  QString LastStatusText() const;

 private:
  void Draw(bool force);
  void ClearLine();

  const bool show_progress_;
  const int64_t piece_length_;
  const int64_t entries_;
  std::atomic<int64_t> maximum_{0};
  int64_t value_ = 0;
  RunStage stage_ = RunStage::kFileCheck;
  QElapsedTimer since_draw_;
  QElapsedTimer since_stage_;
  mutable std::mutex status_mutex_;
  QString status_;
  bool line_drawn_ = false;
};

}  // namespace zandrel
