// Check runs under real faults: full file systems, immutable files and folders, a download folder
// that vanishes, files that change while they are hashed. The originals are kept in memory so that
// every test can prove no byte of them was lost.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>
#include <map>
#include <string>

#include "check/check_run.h"
#include "messages/message_table.h"
#include "tests/hardening/sandbox.h"
#include "tests/support/test_files.h"

namespace zandrel::test {

// A window that calls back when a stage starts or a progress value is set.
class HookWindow : public NullWindow {
 public:
  std::function<void(RunStage)> on_stage;
  std::function<void(int64_t)> on_progress;
  void StageChanged(RunStage stage) override {
    if (on_stage) on_stage(stage);
  }
  void SetProgressValue(int64_t value) override {
    if (on_progress) on_progress(value);
  }
};

class FaultFixture : public ::testing::Test {
 protected:
  FaultFixture();

  // Writes a file of the download folder and keeps its bytes as an original.
  std::string Put(const QString& relative, size_t size, uint32_t seed);
  void PutBytes(const QString& relative, const std::string& bytes);
  void AddEntry(const QString& relative, int64_t length);
  QStringList Run(WindowOperations& window);
  QStringList Run();

  // Every original is still somewhere: in the download folder (where the repair may have moved
  // it), in a backup folder, or in `extra` folders. A trimmed file counts as kept when its
  // original bytes are in a backup folder.
  void ExpectNoByteLost(const QStringList& extra = {}) const;
  // Nothing outside the download folder, the backup folder's marker folder and the report changed.
  void ExpectNeighboursUntouched() const;
  QString Dl(const QString& relative) const { return dl_ + "/" + relative; }
  QString Q(const QString& relative) const { return '"' + Dl(relative) + '"'; }
  static std::string Text(const QStringList& lines) { return lines.join('\n').toStdString(); }

  QTemporaryDir root_;
  QString dl_ = root_.path() + "/dl";
  QString bk_ = root_.path() + "/bk";
  QString report_ = root_.path() + "/report.log";
  MessageTable messages_{root_.path() + "/lang"};
  EngineState engine_{messages_};
  RunOptions options_;
  CheckResult result_;
  std::map<QString, std::string> originals_;
  TreeState neighbours_before_;
};

}  // namespace zandrel::test
