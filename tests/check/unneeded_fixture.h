// Shared by the unneeded-files and repair tests: a check run over a hand-filled torrent model,
// report expectations that allow for the file system's listing order, and real fault mechanisms.
#pragma once

#include <QProcess>

#include <map>
#include <string>
#include <vector>

#include "tests/check/run_fixture.h"
#include "tests/support/fault_guards.h"
#include "tests/support/report_lines.h"

namespace zandrel::test {

// An expected report. Entries of one directory come in the order the file system lists them, so
// lines produced by entries of one directory may be declared as a group in any order; every line
// is still compared exactly and in place.
class ExpectedReport {
 public:
  ExpectedReport& Then(const QStringList& lines);
  ExpectedReport& AnyOrder(const QStringList& lines);
  // Compares the whole report; on a mismatch both are printed in full.
  void Check(const QStringList& actual) const;

 private:
  struct Group {
    QStringList lines;
    bool any_order;
  };
  std::vector<Group> groups_;
};

// Presses Cancel when a status text starting with the given text appears.
class CancelOnStatus : public RecordingWindow {
 public:
  CancelOnStatus(EngineState& engine, QString status) : engine_(engine), status_(std::move(status)) {}
  void SetStatusText(const QString& text) override {
    RecordingWindow::SetStatusText(text);
    if (text.startsWith(status_)) engine_.cancel_flag = 1;
  }

 private:
  EngineState& engine_;
  QString status_;
};

class StageFixture : public RunFixture {
 protected:
  StageFixture() { inputs_.options.CheckUnneededFiles = 1; }

  QStringList RunWith(WindowOperations& window) {
    result_ = RunCheck(engine_, inputs_, window);
    return ReadReportLines(inputs_.report_path);
  }
  // Deletion of unneeded items allowed whether or not the torrent is complete.
  void PermitDeletion(int backups) {
    inputs_.options.DelUnneededFiles = 1;
    inputs_.options.DelOnlyWhenComplete = 0;
    inputs_.options.CreateBackups = backups;
  }
  // Backups and the rebuild source in a folder beside the download directory.
  QString UseBackupFolder(const QString& name = "bk") {
    const QString dir = Join(root_.path(), name);
    inputs_.options.BackupDir = dir;
    return dir + "/[ZandrelBackup]/Show/";
  }
  static QString Quote(const QString& path) { return '"' + path + '"'; }
};

}  // namespace zandrel::test
