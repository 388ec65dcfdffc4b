// A download directory, a torrent model filled by hand and a check run over them.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "check/check_run.h"
#include "messages/message_table.h"
#include "tests/support/report_lines.h"
#include "tests/support/test_files.h"

namespace zandrel::test {

class RunFixture : public ::testing::Test {
 protected:
  RunFixture() {
    inputs_ = PlainInputs(root_.path(), dl_);
  }

  // Adds an entry ("dir/sub/name") and, unless on_disk is negative, a file of on_disk bytes.
  std::string AddEntry(const QString& relative, int64_t length, int64_t on_disk, uint32_t seed = 1) {
    engine_.model.TorrentFiles.push_back(EntryFor(relative, length));
    std::string bytes;
    if (on_disk >= 0) {
      bytes = RandomBytes(static_cast<size_t>(on_disk), seed);
      WriteFile(Join(dl_, relative), bytes);
    }
    return bytes;
  }

  QStringList Run() {
    result_ = RunCheck(engine_, inputs_, window_);
    return ReadReportLines(inputs_.report_path);
  }

  // The lines every report starts with.
  static QStringList Header() { return ReportHeader(); }
  QString Path(const QString& relative) const { return Join(dl_, relative); }
  QString Q(const QString& relative) const { return '"' + Path(relative) + '"'; }

  QTemporaryDir root_;
  QString dl_ = Join(root_.path(), "Show");
  MessageTable messages_{Join(root_.path(), "lang")};
  EngineState engine_{messages_};
  CheckInputs inputs_;
  RecordingWindow window_;
  CheckResult result_;
};

}  // namespace zandrel::test
