// What a check run may do to the window. The GUI queues these to its own thread; the command-line
// program draws a progress line; tests record them.
#pragma once

#include <QString>
#include <cstdint>

namespace zandrel {

enum class RunStage { kFileCheck, kHashCheck, kRepair, kUnneeded, kDone };

class WindowOperations {
 public:
  virtual ~WindowOperations() = default;
  virtual void SetStatusText(const QString& text) = 0;
  virtual void ShowStatusLine(bool show) = 0;
  virtual void ShowProgressBar(bool show) = 0;
  virtual void SetProgressMaximum(int64_t maximum) = 0;
  virtual void SetProgressValue(int64_t value) = 0;
  virtual void SetCheckButtonCaption(const QString& caption) = 0;
  virtual void SetIdle() = 0;  // the window leaves its busy state
  // Lets the progress bar visibly reach its last value (about 100 ms); returns when it has.
  virtual void SettleWait() = 0;
  virtual void OpenWithAssociatedProgram(const QString& path) = 0;
  // Not a window state: tells progress displays which stage the values belong to.
  virtual void StageChanged(RunStage /*stage*/) {}
};

// A window that shows nothing; the base for headless front ends and tests.
class NullWindow : public WindowOperations {
 public:
  void SetStatusText(const QString&) override {}
  void ShowStatusLine(bool) override {}
  void ShowProgressBar(bool) override {}
  void SetProgressMaximum(int64_t) override {}
  void SetProgressValue(int64_t) override {}
  void SetCheckButtonCaption(const QString&) override {}
  void SetIdle() override {}
  void SettleWait() override {}
  void OpenWithAssociatedProgram(const QString&) override {}
};

}  // namespace zandrel
