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

TEST_F(RunCheckTest, BackupDirGetsTheMarkerForTheRun) {
  const RunContext plain(engine_, inputs_, QString());
  EXPECT_EQ(plain.backup_marker_folder, dl_ + "/[ZandrelBackup]/");
  inputs_.options.BackupDir = "/bk/[ZandrelBackup]/";
  EXPECT_EQ(RunContext(engine_, inputs_, QString()).backup_marker_folder, "/bk/[ZandrelBackup]/");
  inputs_.options.BackupDir.clear();
  EXPECT_EQ(RunContext(engine_, inputs_, QString()).backup_marker_folder, "[ZandrelBackup]/");
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

// The counters of a run, and its final status with the report left unticked and ticked (nullptr:
// not asked).
struct StatusRow {
  RunCounters counters;
  const char* plain;
  const char* ticked = nullptr;
};

void ExpectStatuses(const RunContext& run, std::initializer_list<StatusRow> rows) {
  int row = 0;
  for (const StatusRow& r : rows) {
    SCOPED_TRACE(::testing::Message() << "row " << row++);
    if (r.plain) {
      EXPECT_EQ(FinalStatusText(run, r.counters, false), r.plain);
    }
    if (r.ticked) {
      EXPECT_EQ(FinalStatusText(run, r.counters, true), r.ticked);
    }
  }
}

// Every final status, from the run's counters and flags.
TEST_F(RunCheckTest, FinalStatusTableRowsInOrder) {
  const char* const kTrimmedWithProblems = "File(s) were trimmed successfully but there were some problems.";
  ExpectStatuses(
      RunContext(engine_, inputs_, QString()),
      {
          {{}, "Torrent check was successful! No errors found."},
          {{.FixedFiles = 1, .Cancelled = true}, "Cancelled."},
          {{.FixedFiles = 1, .TrimFailed = true},
           "Fixed/rebuilt some missing files. Please re-check with SHA-1 integrity check."},
          {{.TrimFailed = true}, "Error. Some files could not be trimmed or copied because of disk space. See report.",
           "Error. Some files could not be trimmed or copied because of disk space."},
          {{.MissingFilesFlag = true}, "Error. Torrent check unsuccessful. See report.",
           "Error. Torrent check unsuccessful."},
          {{.MissingFilesFlag = true, .PieceFailed = true, .PercentComplete = 97.5f},
           "Error. SHA1 hash check failed: Torrent is 97.5% complete."},
          {{.DeletedWrongSized = 2, .WrongSizeSeen = true, .TrimDone = true}, "Wrong sized files deleted. See report.",
           "Wrong sized files deleted."},
          {{.WrongSizeSeen = true, .TrimDone = true}, "File(s) were trimmed successfully. See report.",
           "File(s) were trimmed successfully."},
          {{.WrongSizeSeen = true, .SmallerSeen = true, .TrimDone = true},
           "File(s) were trimmed successfully but there were some problems. See report."},
          // Deleting is not trimming, and a missing file is a problem beside it.
          {{.DeletedWrongSized = 1, .MissingFilesFlag = true, .WrongSizeSeen = true, .TrimDone = true}, nullptr,
           "Wrong sized files deleted but there were some problems."},
          {{.DeletedWrongSized = 1, .WrongSizeSeen = true, .TrimDone = true, .PieceFailed = true}, nullptr,
           "Wrong sized files deleted but there were some problems."},
          {{.TrimmedFiles = 1, .WrongSizeSeen = true, .TrimDone = true, .PieceFailed = true}, nullptr,
           kTrimmedWithProblems},
          {{.TrimmedFiles = 1, .WrongSizeSeen = true, .TrimDone = true, .UnneededFailed = true}, nullptr,
           kTrimmedWithProblems},
          {{.UnneededFailed = true},
           "Error. Some unneeded files or directories could not be deleted or moved. See report."},
          {{.MissingFilesFlag = true, .WrongSizeSeen = true, .SmallerSeen = true},
           "Error. Some file(s) were not trimmed. See report.", "Error. Some file(s) were not trimmed."},
      });
}

// Files that could not be read are named as such, whatever the row; pieces that failed only
// because their files could not be read make no failed hash check.
TEST_F(RunCheckTest, FinalStatusNamesFilesThatCouldNotBeRead) {
  ExpectStatuses(
      RunContext(engine_, inputs_, QString()),
      {
          {{.UnreadableSeen = true, .UnreadableFiles = 4},
           "Error. Torrent check unsuccessful. 4 file(s) of the torrent could not be read. See report.",
           "Error. Torrent check unsuccessful. 4 file(s) of the torrent could not be read."},
          {{.PieceFailed = true, .UnreadableSeen = true, .UnreadableFiles = 4, .PercentComplete = 16.7f},
           "Error. Torrent check unsuccessful. 4 file(s) of the torrent could not be read. See report."},
          // A piece that was read failed too: that is a failed hash check.
          {{.PieceFailed = true, .UnreadableSeen = true, .UnreadableFiles = 4, .ReadPieceFailed = true,
            .PercentComplete = 16.7f},
           "Error. SHA1 hash check failed: Torrent is 16.7% complete. 4 file(s) of the torrent could not be read."},
          {{.WrongSizedFiles = 1, .PaddedFiles = 1, .TrimmedFiles = 1, .WrongSizeSeen = true, .TrimDone = true,
            .UnreadableSeen = true, .UnreadableFiles = 1},
           "File(s) were trimmed successfully but there were some problems. 1 file(s) of the torrent could not be read. "
           "See report."},
          {{.WrongSizedFiles = 1, .PaddedFiles = 1, .TrimmedFiles = 1, .FixedFiles = 1, .WrongSizeSeen = true,
            .TrimDone = true, .UnreadableSeen = true, .UnreadableFiles = 1},
           "Fixed/rebuilt some missing files. Please re-check with SHA-1 integrity check. "
           "1 file(s) of the torrent could not be read."},
          {{.WrongSizedFiles = 1, .PaddedFiles = 1, .TrimmedFiles = 1, .FixedFiles = 1, .WrongSizeSeen = true,
            .TrimDone = true, .Cancelled = true, .UnreadableSeen = true, .UnreadableFiles = 1},
           "Cancelled."},
      });
}

// A dry run changed nothing: a status that tells of a change carries the report lines' mark, and
// is the real run's status once the mark is taken away.
TEST_F(RunCheckTest, ADryRunsFinalStatusMarksTheChangesItDidNotMake) {
  inputs_.dry_run = true;
  ExpectStatuses(
      RunContext(engine_, inputs_, QString()),
      {
          {{}, "Torrent check was successful! No errors found."},
          {{.WrongSizedFiles = 1, .PaddedFiles = 1, .TrimmedFiles = 1, .WrongSizeSeen = true, .TrimDone = true},
           "File(s) were trimmed successfully. [dry run: not done] See report.",
           "File(s) were trimmed successfully. [dry run: not done]"},
          {{.WrongSizedFiles = 1, .PaddedFiles = 1, .TrimmedFiles = 1, .MissingFilesFlag = true, .WrongSizeSeen = true,
            .TrimDone = true},
           "File(s) were trimmed successfully but there were some problems. [dry run: not done] See report."},
          {{.WrongSizedFiles = 1, .PaddedFiles = 1, .DeletedWrongSized = 1, .MissingFilesFlag = true,
            .WrongSizeSeen = true, .TrimDone = true},
           "Wrong sized files deleted but there were some problems. [dry run: not done] See report."},
          {{.WrongSizedFiles = 1, .PaddedFiles = 1, .DeletedWrongSized = 1, .WrongSizeSeen = true, .TrimDone = true},
           "Wrong sized files deleted. [dry run: not done] See report."},
          {{.WrongSizedFiles = 1, .PaddedFiles = 1, .DeletedWrongSized = 1, .FixedFiles = 1, .WrongSizeSeen = true,
            .TrimDone = true},
           "Fixed/rebuilt some missing files. Please re-check with SHA-1 integrity check. [dry run: not done]"},
          {{.TrimFailed = true}, "Error. Some files could not be trimmed or copied because of disk space. See report."},
          {{.MissingFilesFlag = true}, "Error. Torrent check unsuccessful. See report."},
      });
}

// The summaries of a dry run count changes it did not make: they carry the mark too.
TEST_F(RunCheckTest, ADryRunsSummariesMarkTheChangesItDidNotMake) {
  AddEntry("a.bin", 10, 15);
  AddEntry("b.bin", 10, 10);
  test::WriteFile(Path("stray.txt"), "x");
  inputs_.options.TrimPaddedFiles = 1;
  inputs_.options.CreateBackups = 0;
  inputs_.options.CheckUnneededFiles = 1;
  inputs_.options.DelUnneededFiles = 1;
  inputs_.options.DelOnlyWhenComplete = 0;
  for (const bool dry : {true, false}) {
    SCOPED_TRACE(dry ? "dry run" : "real run");
    inputs_.dry_run = dry;
    const QStringList lines = Run();
    const QString mark = dry ? " [dry run: not done]" : "";
    EXPECT_TRUE(lines.contains("Correct files: (1/2) - Missing files: (0/2) - Wrong sized files: (1) - "
                               "Successfully trimmed files: (1/1) - Deleted wrong sized files: (0/1)" + mark))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("Unneeded files: (1) - Unneeded directories: (0) - Successfully deleted files: (1/1) - "
                               "Successfully deleted directories: (0/0)" + mark))
        << lines.join('\n').toStdString();
    EXPECT_EQ(result_.status_text, "File(s) were trimmed successfully." + mark + " See report.");
  }
}

}  // namespace
}  // namespace zandrel
