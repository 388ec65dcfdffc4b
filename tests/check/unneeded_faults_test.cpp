// Where the unneeded-files stage could lose a file: files that cannot be moved or deleted, a
// backup that is being replaced, links, the run's own report and a backup folder deep inside the
// download directory.
#include <QDir>
#include <QFile>

#include "platform/file_system.h"
#include "tests/check/unneeded_fixture.h"

namespace zandrel {
namespace {

using test::ExpectedReport;
using test::FileCheckSummary;
using test::Join;
using test::ReadFile;
using test::UnneededHeading;
using test::UnneededSummary;
using test::WriteFile;

class UnneededFaultTest : public test::StageFixture {
 protected:
  UnneededFaultTest() { AddEntry("keep.bin", 4, 4); }
  ExpectedReport Head() { return ExpectedReport().Then(Header() << FileCheckSummary(1, 0, 1)).Then(UnneededHeading()); }
};

TEST_F(UnneededFaultTest, FileThatCannotBeDeletedKeepsItsDirectoryWithoutBackups) {
  WriteFile(Path("old/stuck.bin"), "stuck");
  WriteFile(Path("old/loose.bin"), "loose");
  test::ImmutableGuard lock(Path("old/stuck.bin"));
  if (!lock.available()) GTEST_SKIP() << "chattr +i is not available on this file system";
  PermitDeletion(0);
  Head()
      .AnyOrder({"Unable to delete file: " + Q("old/stuck.bin"), "Deleted unneeded file: " + Q("old/loose.bin")})
      .Then({"Unable to delete directory: " + Q("old/"), "", UnneededSummary(2, 1, 1, 0)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("old/stuck.bin")), "stuck");
}

TEST_F(UnneededFaultTest, FileThatCannotBeMovedKeepsItsDirectoryWithBackups) {
  WriteFile(Path("old/stuck.bin"), "stuck");
  WriteFile(Path("old/loose.bin"), "loose");
  test::ImmutableGuard lock(Path("old/stuck.bin"));
  if (!lock.available()) GTEST_SKIP() << "chattr +i is not available on this file system";
  const QString folder = UseBackupFolder();
  PermitDeletion(1);
  Head()
      .Then({"Created directory: " + Quote(folder + "old/")})
      .AnyOrder({"Unable to move file: " + Q("old/stuck.bin"),
                 "Moved unneeded file: " + Q("old/loose.bin") + " to backup location: " + Quote(folder + "old/")})
      .Then({"", UnneededSummary(2, 1, 1, 0)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("old/stuck.bin")), "stuck");
  EXPECT_EQ(ReadFile(folder + "old/loose.bin"), "loose");
}

// The older backup may only go once the newer file has taken its place.
TEST_F(UnneededFaultTest, OlderBackupSurvivesAFailedReplacement) {
  const QString folder = UseBackupFolder();
  WriteFile(folder + "junk.txt", "older backup");
  WriteFile(Path("junk.txt"), "newer");
  test::ImmutableGuard lock(Path("junk.txt"));
  if (!lock.available()) GTEST_SKIP() << "chattr +i is not available on this file system";
  PermitDeletion(1);
  Head().Then({"Unable to move file: " + Q("junk.txt"), "", UnneededSummary(1, 0, 0, 0)}).Check(Run());
  EXPECT_EQ(ReadFile(folder + "junk.txt"), "older backup");
  EXPECT_EQ(ReadFile(Path("junk.txt")), "newer");
  EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"junk.txt"});
}

// A download directory that is itself the backup folder of its name: the backup target of each
// unneeded file is that very file, which must not be removed to make room for itself.
TEST_F(UnneededFaultTest, FileThatIsItsOwnBackupTargetStays) {
  const QString dl = Join(root_.path(), "[ZandrelBackup]/Show");
  inputs_.download_dir = inputs_.options.TorrentDir = dl;
  inputs_.options.BackupDir = root_.path();
  WriteFile(Join(dl, "keep.bin"), "abcd");
  WriteFile(Join(dl, "junk.txt"), "mine");
  PermitDeletion(1);
  Head()
      .Then({"Unable to move file: " + Quote(Join(dl, "junk.txt")), "", UnneededSummary(1, 0, 0, 0)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Join(dl, "junk.txt")), "mine");
  EXPECT_EQ(QDir(dl).entryList(QDir::Files | QDir::Hidden), QStringList({"junk.txt", "keep.bin"}));
}

TEST_F(UnneededFaultTest, DirectoryThatCannotBeRemovedIsReported) {
  QDir().mkpath(Path("old/locked"));
  test::ImmutableGuard lock(Path("old/locked"));
  if (!lock.available()) GTEST_SKIP() << "chattr +i is not available on this file system";
  PermitDeletion(0);
  // "old" still holds "locked", so "old" cannot go either.
  Head()
      .Then({"Unable to delete directory: " + Q("old/locked/"), "Unable to delete directory: " + Q("old/"), "",
             UnneededSummary(0, 2, 0, 0)})
      .Check(Run());
}

// A backup location that cannot be created holds everything back: no file is moved and no
// directory removed, not even an empty one.
TEST_F(UnneededFaultTest, NothingGoesWhenTheBackupLocationCannotBeMade) {
  const QString blocker = Join(root_.path(), "bk");
  WriteFile(blocker, "a file where the backup folder should be");
  inputs_.options.BackupDir = blocker;
  WriteFile(Path("junk.txt"), "j");
  QDir().mkpath(Path("old/empty"));
  PermitDeletion(1);
  const QString cannot = "Unable to create directory: " + Quote(blocker + "/[ZandrelBackup]/");
  Head()
      .AnyOrder({cannot, "Unable to move file: " + Q("junk.txt"), cannot, cannot})
      .Then({"", UnneededSummary(1, 2, 0, 0)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("junk.txt")), "j");
  EXPECT_EQ(FileSize(Path("old/empty")), -2);
}

TEST_F(UnneededFaultTest, RunReportInsideTheDownloadDirectoryIsLeftAlone) {
  inputs_.report_path = Path("report.log");
  WriteFile(Path("junk.txt"), "j");
  PermitDeletion(0);
  Head().Then({"Deleted unneeded file: " + Q("junk.txt"), "", UnneededSummary(1, 0, 1, 0)}).Check(Run());
}

// A backup folder chosen somewhere inside the download directory is never scanned: its files
// would otherwise be moved into a copy of themselves, one level deeper on every run.
TEST_F(UnneededFaultTest, BackupFolderDeepInsideTheDownloadDirectoryIsNotScanned) {
  inputs_.options.BackupDir = Path("store");
  const QString folder = Path("store/[ZandrelBackup]/Show/");
  WriteFile(folder + "earlier.txt", "earlier");
  WriteFile(Path("junk.txt"), "j");
  PermitDeletion(1);
  Head()
      .Then({"Moved unneeded file: " + Q("junk.txt") + " to backup location: " + Quote(folder), "",
             UnneededSummary(1, 0, 1, 0)})
      .Check(Run());
  EXPECT_EQ(ReadFile(folder + "earlier.txt"), "earlier");
  EXPECT_EQ(ReadFile(folder + "junk.txt"), "j");
}

// Links in the download directory are items of their own: deleting or moving one acts on the
// link, and no walk and no rebuild ever goes through one. The folder they point to stays exactly
// as it was, with every deleting and rebuilding option on.
class LinkSafetyTest : public test::StageFixture, public ::testing::WithParamInterface<int> {};

TEST_P(LinkSafetyTest, NothingBehindALinkChanges) {
  const QString outside = Join(root_.path(), "outside/");
  WriteFile(outside + "o1.bin", std::string(10, '1'));
  WriteFile(outside + "sub/o2.bin", std::string(20, '2'));
  WriteFile(outside + "keep.bin", "outside keep");
  WriteFile(outside + "w.bin", std::string(9, 'w'));
  const auto before = test::ItemsBelow(outside);
  QDir().mkpath(Path("old"));
  ASSERT_TRUE(QFile::link(outside, Path("dirlink")));
  ASSERT_TRUE(QFile::link(outside, Path("old/innerlink")));
  ASSERT_TRUE(QFile::link(outside + "o1.bin", Path("filelink")));
  ASSERT_TRUE(QFile::link(outside + "w.bin", Path("wlink")));
  ASSERT_TRUE(QFile::link(Join(root_.path(), "nowhere"), Path("deadlink")));
  AddEntry("keep.bin", 7, 7);
  AddEntry("m.bin", 10, -1);       // the size of the linked o1.bin
  AddEntry("sub/o2.bin", 20, -1);  // the path and size of a file behind a link
  AddEntry("w.bin", 5, 9);         // trimmed or deleted in the download directory
  AddEntry("c.bin", 3, -1);        // copied from the rebuild source
  const int backups = GetParam();
  PermitDeletion(backups);
  inputs_.options.FixMissing = 1;
  inputs_.options.TrimPaddedFiles = 1;
  inputs_.options.DeleteWrongSizedFiles = backups;
  const QString folder = UseBackupFolder();
  WriteFile(Join(root_.path(), "bk/src.bin"), "src");
  ASSERT_TRUE(QFile::link(outside + "o1.bin", Join(root_.path(), "bk/srclink")));

  Run();
  EXPECT_EQ(test::ItemsBelow(outside), before);
  EXPECT_EQ(FileSize(Path("m.bin")), -1);
  EXPECT_EQ(FileSize(Path("sub/o2.bin")), -1);
  EXPECT_EQ(ReadFile(Path("c.bin")), "src");
  for (const char* link : {"dirlink", "old/innerlink", "filelink", "wlink", "deadlink"}) {
    EXPECT_FALSE(PathEntryExists(Path(link))) << link;
    EXPECT_EQ(IsSymLink(folder + link), backups == 1) << link;
  }
}

INSTANTIATE_TEST_SUITE_P(BackupsOnAndOff, LinkSafetyTest, ::testing::Values(1, 0));

}  // namespace
}  // namespace zandrel
