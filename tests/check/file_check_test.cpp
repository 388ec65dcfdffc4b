#include <QDir>
#include <QFile>

#include "check/stages.h"
#include "platform/file_system.h"
#include "tests/check/run_fixture.h"
#include "tests/support/fault_guards.h"

namespace zandrel {
namespace {

using test::Join;
using test::ReadFile;
using test::WriteFile;

const QString kSummaryAllGood = test::FileCheckSummary(2, 0, 2);

class FileCheckTest : public test::RunFixture {
 protected:
  // Runs the check; the whole report and the final status are as given.
  void ExpectRun(const QStringList& report, const QString& status) {
    EXPECT_EQ(Run(), report);
    EXPECT_EQ(result_.status_text, status);
  }
};

TEST_F(FileCheckTest, CleanRunHasOnlyTheHeadingAndTheSummary) {
  AddEntry("a.bin", 100, 100);
  AddEntry("Sub/b.bin", 0, 0);
  ExpectRun(Header() << kSummaryAllGood, "Torrent check was successful! No errors found.");
  EXPECT_EQ(window_.progress_maximum, 2);
  EXPECT_EQ(window_.progress_value, 2);
  EXPECT_EQ(window_.captions, QStringList({"Cancel", "Check Torrent"}));
  EXPECT_EQ(result_.found, std::vector<uint8_t>({1, 1}));
}

TEST_F(FileCheckTest, FoundFilesAreLoggedOnRequest) {
  inputs_.options.LogFoundFiles = 1;
  AddEntry("a.bin", 100, 100);
  AddEntry("Sub/b.bin", 0, 0);
  EXPECT_EQ(Run(), Header() << "File found (OK): " + Q("a.bin") << "File found (OK): " + Q("Sub/b.bin") << ""
                            << kSummaryAllGood);
}

TEST_F(FileCheckTest, TrimmedFileIsMovedToTheBackupFolder) {
  // The download directory "Show", backups in another folder.
  const QString backup = Join(root_.path(), "bk");
  inputs_.options.BackupDir = backup;
  inputs_.options.TrimPaddedFiles = 1;
  const std::string original = AddEntry("Show/a.mkv", 1000000, 1048576);
  AddEntry("b.nfo", 10, -1);
  const QString folder = backup + "/[ZandrelBackup]/Show/Show/";
  ExpectRun(Header() << "(Fixed) Wrong file size: " + Q("Show/a.mkv") + " wrong: 1048576 right: 1000000"
                     << "Moved old file: " + Q("Show/a.mkv") + " to backup location: \"" + folder + "\""
                     << "File not found: " + Q("b.nfo") << "" << test::FileCheckSummary(0, 1, 2, 1, 1, 1),
            "File(s) were trimmed successfully but there were some problems. See report.");
  EXPECT_EQ(ReadFile(Path("Show/a.mkv")), original.substr(0, 1000000));
  EXPECT_EQ(ReadFile(folder + "a.mkv"), original);
  EXPECT_EQ(FileSize(Path("Show/a.mkv.tmp")), -1);
}

TEST_F(FileCheckTest, TrimmingWithoutBackupsReplacesTheFileInPlace) {
  inputs_.options.CreateBackups = 0;
  inputs_.options.TrimPaddedFiles = 1;
  const std::string original = AddEntry("a.bin", 3000000, 3000100);
  AddEntry("empty.bin", 0, 5);
  ExpectRun(Header() << "(Fixed) Wrong file size: " + Q("a.bin") + " wrong: 3000100 right: 3000000"
                     << "(Fixed) Wrong file size: " + Q("empty.bin") + " wrong: 5 right: 0" << ""
                     << test::FileCheckSummary(0, 0, 2, 2, 2, 2),
            "File(s) were trimmed successfully. See report.");
  EXPECT_EQ(ReadFile(Path("a.bin")), original.substr(0, 3000000));
  EXPECT_EQ(FileSize(Path("empty.bin")), 0);
  EXPECT_EQ(QDir(dl_).entryList(QDir::Files).size(), 2);
}

TEST_F(FileCheckTest, DeletingTakesPrecedenceOverTrimming) {
  inputs_.options.TrimPaddedFiles = 1;
  inputs_.options.DeleteWrongSizedFiles = 1;
  const std::string longer = AddEntry("Sub/long.bin", 10, 20);
  AddEntry("short.bin", 10, 5);
  const QString folder = dl_ + "/[ZandrelBackup]/Show/";
  ExpectRun(Header() << "(Deleted) Wrong file size: " + Q("Sub/long.bin") + " wrong: 20 right: 10"
                     << "Moved old file: " + Q("Sub/long.bin") + " to backup location: \"" + folder + "Sub/\""
                     << "(Deleted) Wrong file size: " + Q("short.bin") + " wrong: 5 right: 10"
                     << "Moved old file: " + Q("short.bin") + " to backup location: \"" + folder + "\""
                     << "" << test::FileCheckSummary(0, 0, 2, 2, 0, 0, 2),
            "Wrong sized files deleted. See report.");
  EXPECT_EQ(ReadFile(folder + "Sub/long.bin"), longer);
  EXPECT_EQ(FileSize(Path("Sub/long.bin")), -1);
}

TEST_F(FileCheckTest, DeletingWithoutBackupsRemovesTheFileButNotADirectory) {
  inputs_.options.CreateBackups = 0;
  inputs_.options.DeleteWrongSizedFiles = 1;
  AddEntry("a.bin", 10, 20);
  AddEntry("dir.bin", 10, -1);
  QDir(dl_).mkpath("dir.bin/inner");
  ExpectRun(Header() << "(Deleted) Wrong file size: " + Q("a.bin") + " wrong: 20 right: 10"
                     << "Wrong file size: " + Q("dir.bin") + " wrong: -2 right: 10 (Unable to fix)" << ""
                     << test::FileCheckSummary(0, 0, 2, 2, 0, 0, 1),
            "Error. Some files could not be trimmed or copied because of disk space. See report.");
  EXPECT_EQ(FileSize(Path("a.bin")), -1);
  EXPECT_EQ(FileSize(Path("dir.bin/inner")), -2);
}

TEST_F(FileCheckTest, ShorterFilesAndDirectoriesAreLeftAloneWhenOnlyTrimming) {
  inputs_.options.TrimPaddedFiles = 1;
  const std::string shorter = AddEntry("a.bin", 10, 4);
  AddEntry("d", 10, -1);
  QDir(dl_).mkpath("d");
  inputs_.open_report_ticked = true;
  ExpectRun(Header() << "Wrong file size: " + Q("a.bin") +
                            " wrong: 4 right: 10 (File is smaller than specified in .torrent)"
                     << "Wrong file size: " + Q("d") +
                            " wrong: -2 right: 10 (File is smaller than specified in .torrent)"
                     << "" << test::FileCheckSummary(0, 0, 2, 2),
            "Error. Some file(s) were not trimmed.");
  EXPECT_EQ(ReadFile(Path("a.bin")), shorter);
  EXPECT_EQ(FileSize(Path("a.bin.tmp")), -1);
}

TEST_F(FileCheckTest, AnEarlierBackupIsKeptBesideTheNewerOne) {
  inputs_.options.TrimPaddedFiles = 1;
  const std::string original = AddEntry("a.bin", 10, 30, 5);
  WriteFile(dl_ + "/[ZandrelBackup]/Show/a.bin", "old backup");
  Run();
  EXPECT_EQ(ReadFile(dl_ + "/[ZandrelBackup]/Show/a.bin"), "old backup");
  EXPECT_EQ(ReadFile(dl_ + "/[ZandrelBackup]/Show/a_2.bin"), original);
  EXPECT_EQ(ReadFile(Path("a.bin")), original.substr(0, 10));
}

TEST_F(FileCheckTest, ABackupFolderThatCannotBeCreatedLosesNothing) {
  WriteFile(Join(root_.path(), "blocker"), "a file where a folder should be");
  inputs_.options.BackupDir = Join(root_.path(), "blocker/bk");
  inputs_.options.TrimPaddedFiles = 1;
  const std::string original = AddEntry("a.bin", 10, 30);
  const QString location = root_.path() + "/blocker/bk/[ZandrelBackup]/";
  ExpectRun(Header() << "Unable to create directory: \"" + location + "\""
                     << "Wrong file size: " + Q("a.bin") + " wrong: 30 right: 10 (Unable to fix)"
                     << "Unable to move old file: " + Q("a.bin") << ""
                     << test::FileCheckSummary(0, 0, 1, 1, 0, 1),
            "Error. Some files could not be trimmed or copied because of disk space. See report.");
  EXPECT_EQ(ReadFile(Path("a.bin")), original);
  EXPECT_FALSE(PathEntryExists(Path("a.bin.tmp"))) << "the copy made for a file left whole is removed";
}

TEST_F(FileCheckTest, AnImmutableFileIsNeitherMovedNorLost) {
  inputs_.options.TrimPaddedFiles = 1;
  const std::string original = AddEntry("a.bin", 10, 30);
  test::ImmutableGuard lock(Path("a.bin"));
  if (!lock.available()) GTEST_SKIP() << "chattr +i is not available here";
  const QStringList lines = Run();
  EXPECT_EQ(lines.mid(5, 2), QStringList({"Wrong file size: " + Q("a.bin") + " wrong: 30 right: 10 (Unable to fix)",
                                          "Unable to move old file: " + Q("a.bin")}));
  EXPECT_EQ(ReadFile(Path("a.bin")), original);
  EXPECT_FALSE(PathEntryExists(Path("a.bin.tmp"))) << "the copy made for a file left whole is removed";
}

TEST_F(FileCheckTest, NotEnoughSpaceForTheBackupRefusesTheTrim) {
  const QString mount = Join(root_.path(), "small");
  test::TmpfsGuard volume(mount, 1024);
  if (!volume.available()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  inputs_.options.BackupDir = mount;
  inputs_.options.TrimPaddedFiles = 1;
  const std::string original = AddEntry("a.bin", 2000000, 2000010);
  ExpectRun(Header() << "Wrong file size: " + Q("a.bin") + " wrong: 2000010 right: 2000000 (Not enough space on "
                            "drive " + mount + " to trim file)"
                     << "" << test::FileCheckSummary(0, 0, 1, 1, 0, 1),
            "Error. Some files could not be trimmed or copied because of disk space. See report.");
  EXPECT_EQ(ReadFile(Path("a.bin")), original);
  EXPECT_EQ(FileSize(Path("a.bin.tmp")), -1);
}

TEST_F(FileCheckTest, AFolderLinkedOutOfTheDownloadIsNeverTrimmedOrDeleted) {
  const QString outside = Join(root_.path(), "outside");
  WriteFile(Join(outside, "f.bin"), "123456789");
  WriteFile(Join(outside, "g.bin"), "123456789");
  QDir().mkpath(dl_);
  ASSERT_TRUE(QFile::link(outside, Path("ext")));
  AddEntry("ext/f.bin", 5, -1);
  AddEntry("ext/g.bin", 20, -1);
  for (int backups : {1, 0}) {
    for (int deleting : {0, 1}) {
      inputs_.options.CreateBackups = backups;
      inputs_.options.TrimPaddedFiles = 1;
      inputs_.options.DeleteWrongSizedFiles = deleting;
      const QStringList lines = Run();
      EXPECT_EQ(lines.value(5), "Wrong file size: " + Q("ext/f.bin") + " wrong: 9 right: 5 (Unable to fix)");
      EXPECT_EQ(ReadFile(Join(outside, "f.bin")), "123456789");
      EXPECT_EQ(ReadFile(Join(outside, "g.bin")), "123456789");
      EXPECT_EQ(QDir(outside).entryList(QDir::Files).size(), 2);
    }
  }
}

TEST_F(FileCheckTest, CopyWritesOnlyWhatItReadAndNeverLeavesAPartialCopy) {
  const RunContext context(engine_, inputs_, QString());
  DiskActions disk;
  EventLog events;
  StageRun run(context, disk, window_, events);
  const QString source = Join(root_.path(), "src.bin");
  const QString destination = Join(root_.path(), "dst.bin");
  const std::string bytes = test::RandomBytes(5000000, 9);
  WriteFile(source, bytes);
  EXPECT_EQ(CopyFileBlocks(run, source, destination, 0), StepResult::kDone);
  EXPECT_EQ(ReadFile(destination), bytes);
  QFile::remove(destination);
  EXPECT_EQ(CopyFileBlocks(run, source, destination, 4194305), StepResult::kDone);
  EXPECT_EQ(ReadFile(destination), bytes.substr(0, 4194305));
  QFile::remove(destination);
  EXPECT_EQ(CopyFileBlocks(run, source, destination, 6000000), StepResult::kFailed);
  EXPECT_EQ(FileSize(destination), -1);
  EXPECT_EQ(CopyFileBlocks(run, Join(root_.path(), "none"), destination, 0), StepResult::kFailed);
  engine_.cancel_flag = 1;
  EXPECT_EQ(CopyFileBlocks(run, source, destination, 0), StepResult::kCancelled);
  EXPECT_EQ(FileSize(destination), -1);
}

}  // namespace
}  // namespace zandrel
