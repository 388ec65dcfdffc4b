#include <QDate>
#include <QDir>
#include <QTime>

#include "check/stages.h"
#include "platform/file_system.h"
#include "tests/check/run_fixture.h"

namespace zandrel {
namespace {

using test::Join;

// Presses Cancel when the progress bar reaches a given value.
class CancellingWindow : public test::RecordingWindow {
 public:
  CancellingWindow(EngineState& engine, int64_t at) : engine_(engine), at_(at) {}
  void SetProgressValue(int64_t value) override {
    RecordingWindow::SetProgressValue(value);
    if (value == at_) engine_.cancel_flag = 1;
  }

 private:
  EngineState& engine_;
  int64_t at_;
};

class RunCheckTest : public test::RunFixture {};

TEST_F(RunCheckTest, ReportNameUsesTheTorrentBaseNameDateAndTime) {
  const QDate date(2016, 2, 11);
  const QTime time(14, 5, 9);
  EXPECT_EQ(ReportFileName("/t/My.Show.torrent", date, time), "ZandrelReport_My.Show_2016-02-11_14-05-09.log");
  EXPECT_EQ(ReportFileName("C:\\t\\My.Show.torrent", date, time), "ZandrelReport_My.Show_2016-02-11_14-05-09.log");
  EXPECT_EQ(ReportFileName("/t/a.b.torrent", date, time), "ZandrelReport_a.b_2016-02-11_14-05-09.log");
  EXPECT_EQ(ReportFileName("/t/noext", date, QTime(9, 0, 0)), "ZandrelReport_noext_2016-02-11_09-00-00.log");
}

TEST_F(RunCheckTest, ReportGoesIntoTheLogsFolderWhichIsCreatedOnDemand) {
  inputs_.report_path.clear();
  inputs_.logs_folder = Join(root_.path(), "data/logs");
  QDir().mkpath(Join(root_.path(), "data"));
  AddEntry("a.bin", 1, 1);
  Run();
  const QStringList logs = QDir(inputs_.logs_folder).entryList(QDir::Files);
  ASSERT_EQ(logs.size(), 1);
  EXPECT_TRUE(logs[0].startsWith("ZandrelReport_Show_")) << logs[0].toStdString();
  EXPECT_TRUE(logs[0].endsWith(".log"));
  EXPECT_EQ(result_.report_path, Join(inputs_.logs_folder, logs[0]));
  const QByteArray bytes = QByteArray::fromStdString(test::ReadFile(result_.report_path));
  EXPECT_TRUE(bytes.startsWith("Zandrel v1.0 Report file\r\n-"));  // UTF-8, CR LF, no byte-order mark
}

TEST_F(RunCheckTest, ARunWithoutAReportStillFinishes) {
  inputs_.report_path = Join(root_.path(), "missing-folder/report.log");
  AddEntry("a.bin", 1, 1);
  Run();
  EXPECT_FALSE(result_.report_written);
  EXPECT_EQ(result_.status_text, "Torrent check was successful! No errors found.");
}

TEST_F(RunCheckTest, DownloadDirectoryWithOrWithoutSeparatorGivesTheSamePaths) {
  AddEntry("Sub/a.bin", 5, -1);
  const QStringList without = Run();
  inputs_.download_dir = dl_ + "/";
  EXPECT_EQ(Run(), without);
  EXPECT_EQ(without[5], "File not found: " + Q("Sub/a.bin"));
}

TEST_F(RunCheckTest, BackupDirGetsTheMarkerForTheRunAndIsHandedBackAfterwards) {
  CheckRun plain(engine_, inputs_, window_);
  EXPECT_EQ(plain.backup_marker_folder, dl_ + "/[ZandrelBackup]/");
  inputs_.options.BackupDir = "/bk/[ZandrelBackup]/";
  EXPECT_EQ(CheckRun(engine_, inputs_, window_).backup_marker_folder, "/bk/[ZandrelBackup]/");
  inputs_.options.BackupDir.clear();
  EXPECT_EQ(CheckRun(engine_, inputs_, window_).backup_marker_folder, "[ZandrelBackup]/");
  inputs_.backup_field_text = "/bk";
  Run();
  EXPECT_EQ(result_.backup_dir, "/bk");
  // The marker is kept out of the scan by the run's own copy of the ignore list, not the engine's.
  EXPECT_TRUE(plain.ignore_list.IsPresent("[ZandrelBackup]"));
  EXPECT_FALSE(engine_.ignore_list.IsPresent("[ZandrelBackup]"));
}

TEST_F(RunCheckTest, CancelDuringTheFileCheckEndsWithTheCancelLine) {
  CancellingWindow window(engine_, 2);
  inputs_.options.HashCheck = 1;
  inputs_.options.CheckUnneededFiles = 1;
  inputs_.options.FixMissing = 1;
  inputs_.options.OpenReport = 1;
  engine_.model.PiecesSize = 60;
  AddEntry("a.bin", 5, -1);
  AddEntry("b.bin", 5, 5);
  AddEntry("c.bin", 5, -1);
  result_ = RunCheck(engine_, inputs_, window);
  EXPECT_EQ(test::ReadReportLines(inputs_.report_path),
            Header() << "File not found: " + Q("a.bin") << ""
                     << "Correct files: (1/3) - Missing files: (1/3) - Wrong sized files: (0) - "
                        "Successfully trimmed files: (0/0) - Deleted wrong sized files: (0/0)"
                     << "* Zandrel cancelled.");
  EXPECT_EQ(result_.status_text, "Cancelled.");
  EXPECT_TRUE(window.opened.isEmpty());
  EXPECT_EQ(window.progress_maximum, 6);
  EXPECT_EQ(window.settle_waits, 1);
  EXPECT_EQ(window.idle_calls, 1);
}

TEST_F(RunCheckTest, AReportInsideAnUnneededFolderSurvivesItsOwnRun) {
  inputs_.report_path = Path("logs/report.log");
  QDir().mkpath(Path("logs"));
  test::WriteFile(Path("logs/old.txt"), "x");
  inputs_.options.CheckUnneededFiles = 1;
  inputs_.options.DelUnneededFiles = 1;
  inputs_.options.DelOnlyWhenComplete = 0;
  inputs_.options.CreateBackups = 0;
  AddEntry("a.bin", 5, 5);
  const QStringList lines = Run();
  EXPECT_EQ(lines.mid(lines.size() - 3),
            QStringList({"Deleted unneeded file: " + Q("logs/old.txt"), "",
                         "Unneeded files: (1) - Unneeded directories: (1) - Successfully deleted files: (1/1) - "
                         "Successfully deleted directories: (0/1)"}));
  EXPECT_EQ(FileSize(Path("logs/old.txt")), -1);
}

TEST_F(RunCheckTest, AFinishedRunOpensItsReportWhenAsked) {
  inputs_.options.OpenReport = 1;
  inputs_.open_report_ticked = true;
  AddEntry("a.bin", 5, -1);
  Run();
  EXPECT_EQ(window_.opened, QStringList({inputs_.report_path}));
  EXPECT_EQ(result_.status_text, "Error. Torrent check unsuccessful.");
}

// Every final status, from the run's counters and flags.
TEST_F(RunCheckTest, FinalStatusTableRowsInOrder) {
  CheckRun run(engine_, inputs_, window_);
  RunCounters& c = run.counters;
  auto status = [&](bool ticked) { return FinalStatusText(run, ticked); };
  auto reset = [&] { c = RunCounters(); };

  EXPECT_EQ(status(false), "Torrent check was successful! No errors found.");
  c.Cancelled = true;
  c.FixedFiles = 1;
  EXPECT_EQ(status(false), "Cancelled.");
  c.Cancelled = false;
  c.TrimFailed = true;
  EXPECT_EQ(status(false), "Fixed/rebuilt some missing files. Please re-check with SHA-1 integrity check.");
  reset();
  c.TrimFailed = true;
  EXPECT_EQ(status(false), "Error. Some files could not be trimmed or copied because of disk space. See report.");
  EXPECT_EQ(status(true), "Error. Some files could not be trimmed or copied because of disk space.");
  reset();
  c.MissingFilesFlag = true;
  EXPECT_EQ(status(false), "Error. Torrent check unsuccessful. See report.");
  EXPECT_EQ(status(true), "Error. Torrent check unsuccessful.");
  c.PieceFailed = true;
  c.PercentComplete = 97.5f;
  EXPECT_EQ(status(false), "Error. SHA1 hash check failed: Torrent is 97.5% complete.");
  reset();
  c.WrongSizeSeen = c.TrimDone = true;
  c.DeletedWrongSized = 2;
  EXPECT_EQ(status(false), "Wrong sized files deleted. See report.");
  EXPECT_EQ(status(true), "Wrong sized files deleted.");
  c.DeletedWrongSized = 0;
  EXPECT_EQ(status(false), "File(s) were trimmed successfully. See report.");
  EXPECT_EQ(status(true), "File(s) were trimmed successfully.");
  c.SmallerSeen = true;
  EXPECT_EQ(status(false), "File(s) were trimmed successfully but there were some problems. See report.");
  c.SmallerSeen = false;
  c.MissingFilesFlag = true;
  c.DeletedWrongSized = 1;
  // Deleting is not trimming, and a missing file is a problem beside it.
  EXPECT_EQ(status(true), "Wrong sized files deleted but there were some problems.");
  c.MissingFilesFlag = false;
  c.PieceFailed = true;
  EXPECT_EQ(status(true), "Wrong sized files deleted but there were some problems.");
  c.DeletedWrongSized = 0;
  c.TrimmedFiles = 1;
  EXPECT_EQ(status(true), "File(s) were trimmed successfully but there were some problems.");
  c.PieceFailed = false;
  c.UnneededFailed = true;
  EXPECT_EQ(status(true), "File(s) were trimmed successfully but there were some problems.");
  reset();
  c.UnneededFailed = true;
  EXPECT_EQ(status(false), "Error. Some unneeded files or directories could not be deleted or moved. See report.");
  reset();
  c.SmallerSeen = c.WrongSizeSeen = c.MissingFilesFlag = true;
  EXPECT_EQ(status(false), "Error. Some file(s) were not trimmed. See report.");
  EXPECT_EQ(status(true), "Error. Some file(s) were not trimmed.");
}

}  // namespace
}  // namespace zandrel
