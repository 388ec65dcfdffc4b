// Missing-file repair through whole check runs, compared with the report line by line.
#include <QDir>
#include <QFile>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "tests/check/unneeded_fixture.h"

namespace zandrel {
namespace {

using test::ExpectedReport;
using test::FileCheckSummary;
using test::FixedSummary;
using test::Join;
using test::RandomBytes;
using test::ReadFile;
using test::RepairHeading;
using test::WriteFile;

const QString kFixedStatus = "Fixed/rebuilt some missing files. Please re-check with SHA-1 integrity check.";

class RepairTest : public test::StageFixture {
 protected:
  RepairTest() {
    inputs_.options.FixMissing = 1;
    inputs_.options.CheckUnneededFiles = 0;
  }
  // The hand-filled model has no pieces, so nothing can check a candidate: its size alone decides.
  QString FixedBySize(const QString& from, const QString& relative) {
    return "Fixed missing file by its size alone (none of its pieces can be checked): " + Quote(from) +
           " to destination: " + Q(relative);
  }
  QString Unable(const QString& from, const QString& relative) {
    return "Unable to fix missing file: " + Quote(from) + " to destination: " + Q(relative);
  }
  // Every name in a directory, also hidden ones, so that a left-over part file shows.
  static QStringList Names(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
  }
};

TEST_F(RepairTest, RenamedFileIsMovedBackIntoPlace) {
  AddEntry("a/f.bin", 100, -1);
  const std::string bytes = RandomBytes(100, 7);
  WriteFile(Path("renamed.bin"), bytes);
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("a/f.bin") << "" << FileCheckSummary(0, 1, 1))
      .Then(RepairHeading())
      .Then({FixedBySize(Path("renamed.bin"), "a/f.bin"), "", FixedSummary(1, 1)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("a/f.bin")), bytes);
  EXPECT_EQ(FileSize(Path("renamed.bin")), -1);
  EXPECT_EQ(result_.status_text, kFixedStatus);
  EXPECT_EQ(result_.counters.FixedFiles, 1);
}

TEST_F(RepairTest, EntriesOfOneLengthAreFilledInTorrentOrder) {
  AddEntry("m1.bin", 50, -1);
  AddEntry("m2.bin", 50, -1);
  WriteFile(Path("x/c1.bin"), RandomBytes(50, 1));
  WriteFile(Path("x/c2.bin"), RandomBytes(50, 2));
  const QStringList lines = Run();
  ASSERT_EQ(lines.size(), 16);
  // The first file found goes to m1.bin, whichever of the two the file system lists first.
  const QString first = lines[12].section('"', 1, 1), second = lines[13].section('"', 1, 1);
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("m1.bin") << "File not found: " + Q("m2.bin") << ""
                     << FileCheckSummary(0, 2, 2))
      .Then(RepairHeading())
      .Then({FixedBySize(first, "m1.bin"), FixedBySize(second, "m2.bin"), "", FixedSummary(2, 2)})
      .Check(lines);
  EXPECT_NE(first, second);
  EXPECT_EQ(ReadFile(Path("m1.bin")), RandomBytes(50, first.endsWith("c1.bin") ? 1 : 2));
  EXPECT_EQ(ReadFile(Path("m2.bin")), RandomBytes(50, second.endsWith("c1.bin") ? 1 : 2));
}

TEST_F(RepairTest, FileInItsRightPlaceIsNeverTaken) {
  const std::string present = AddEntry("a.bin", 30, 30);
  AddEntry("sub/b.bin", 30, -1);
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("sub/b.bin") << "" << FileCheckSummary(1, 1, 2))
      .Then(RepairHeading())
      .Then({FixedSummary(0, 1)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("a.bin")), present);
  EXPECT_EQ(result_.status_text, "Error. Torrent check unsuccessful. See report.");
}

// The wrong-sized file (a partial download) goes into the backup folder before the move replaces it.
TEST_F(RepairTest, WrongSizedFileIsBackedUpBeforeAMoveReplacesIt) {
  const std::string old = AddEntry("w.bin", 40, 30);
  WriteFile(Path("spare.bin"), RandomBytes(40, 3));
  const QString backup = Path("[ZandrelBackup]/Show/");
  ExpectedReport()
      .Then(Header() << "Wrong file size: " + Q("w.bin") + " wrong: 30 right: 40" << ""
                     << FileCheckSummary(0, 0, 1, 1))
      .Then(RepairHeading())
      .Then({"Moved old file: " + Q("w.bin") + " to backup location: \"" + backup + "\"",
             FixedBySize(Path("spare.bin"), "w.bin"), "", FixedSummary(1, 1)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("w.bin")), RandomBytes(40, 3));
  EXPECT_EQ(ReadFile(backup + "w.bin"), old);
}

TEST_F(RepairTest, WrongSizedEntryIsSuppliedByACopyFromTheSource) {
  const std::string old = AddEntry("w.bin", 40, 30);
  UseBackupFolder("src");
  const QString source = Join(root_.path(), "src/deep/good.bin");
  WriteFile(source, RandomBytes(40, 4));
  ExpectedReport()
      .Then(Header() << "Wrong file size: " + Q("w.bin") + " wrong: 30 right: 40" << ""
                     << FileCheckSummary(0, 0, 1, 1))
      .Then(RepairHeading())
      .Then({"Moved old file: " + Q("w.bin") + " to backup location: \"" + Join(root_.path(), "src/[ZandrelBackup]/Show/\""),
             FixedBySize(source, "w.bin"), "", FixedSummary(1, 1)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("w.bin")), RandomBytes(40, 4));
  EXPECT_EQ(ReadFile(Join(root_.path(), "src/[ZandrelBackup]/Show/w.bin")), old);
  EXPECT_EQ(ReadFile(source), RandomBytes(40, 4));
  EXPECT_EQ(Names(dl_), QStringList{"w.bin"});
}

TEST_F(RepairTest, IgnoredFilesAndFoldersAreNotUsed) {
  AddEntry("m.bin", 10, -1);
  engine_.ignore_list.Add("spare/one.bin");
  engine_.ignore_list.Add("two.bin");
  engine_.ignore_list.Add("keepdir");
  WriteFile(Path("spare/one.bin"), "0123456789");
  WriteFile(Path("other/two.bin"), "0123456789");
  WriteFile(Path("keepdir/three.bin"), "0123456789");
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("m.bin") << "" << FileCheckSummary(0, 1, 1))
      .Then(RepairHeading())
      .Then({FixedSummary(0, 1)})
      .Check(Run());
  EXPECT_EQ(FileSize(Path("m.bin")), -1);
  EXPECT_EQ(FileSize(Path("spare/one.bin")), 10);
  EXPECT_EQ(FileSize(Path("other/two.bin")), 10);
  EXPECT_EQ(FileSize(Path("keepdir/three.bin")), 10);
}

// Backups kept in the download directory: a file moved there by an earlier run goes back.
TEST_F(RepairTest, FileInTheBackupFolderOfTheDownloadGoesBack) {
  AddEntry("a/f.bin", 60, -1);
  const QString backup = Path("[ZandrelBackup]/Show/a/f.bin");
  WriteFile(backup, RandomBytes(60, 5));
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("a/f.bin") << "" << FileCheckSummary(0, 1, 1))
      .Then(RepairHeading())
      .Then({FixedBySize(backup, "a/f.bin"), "", FixedSummary(1, 1)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("a/f.bin")), RandomBytes(60, 5));
}

// The good file waits exactly where the wrong-sized one is backed up: both survive, swapped.
TEST_F(RepairTest, BackedUpFileGoesBackOverTheWrongSizedOneThatTookItsPlace) {
  const std::string old = AddEntry("a/f.bin", 60, 10);
  const QString backup = Path("[ZandrelBackup]/Show/a/");
  WriteFile(backup + "f.bin", RandomBytes(60, 5));
  ExpectedReport()
      .Then(Header() << "Wrong file size: " + Q("a/f.bin") + " wrong: 10 right: 60" << ""
                     << FileCheckSummary(0, 0, 1, 1))
      .Then(RepairHeading())
      .Then({"Moved old file: " + Q("a/f.bin") + " to backup location: \"" + backup + "\"",
             FixedBySize(backup + "f.bin", "a/f.bin"), "", FixedSummary(1, 1)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("a/f.bin")), RandomBytes(60, 5));
  EXPECT_EQ(ReadFile(backup + "f.bin"), old);
  EXPECT_EQ(Names(Path("a")), QStringList{"f.bin"});
}

TEST_F(RepairTest, CountLineSetsSuppliedAgainstMissingAndWrongSized) {
  AddEntry("m1.bin", 10, -1);
  AddEntry("m2.bin", 20, -1);
  AddEntry("w.bin", 30, 5);
  WriteFile(Path("spare.bin"), RandomBytes(20, 6));
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("m1.bin") << "File not found: " + Q("m2.bin")
                     << "Wrong file size: " + Q("w.bin") + " wrong: 5 right: 30" << ""
                     << FileCheckSummary(0, 2, 3, 1))
      .Then(RepairHeading())
      .Then({FixedBySize(Path("spare.bin"), "m2.bin"), "", "Fixed missing files: (1/3)"})
      .Check(Run());
}

// An empty file needs no source: the entry is created, and the user's own empty file stays.
TEST_F(RepairTest, EmptyEntryIsCreatedWithoutTakingAnotherFile) {
  AddEntry("z.bin", 0, 0);
  AddEntry("e/empty.dat", 0, -1);
  WriteFile(Path("blank.txt"), "");
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("e/empty.dat") << "" << FileCheckSummary(1, 1, 2))
      .Then(RepairHeading())
      .Then({"Created missing empty file: " + Q("e/empty.dat"), "", FixedSummary(1, 1)})
      .Check(Run());
  EXPECT_EQ(FileSize(Path("z.bin")), 0);
  EXPECT_EQ(FileSize(Path("e/empty.dat")), 0);
  EXPECT_EQ(FileSize(Path("blank.txt")), 0);
}

TEST_F(RepairTest, NotEnoughFreeSpaceRefusesTheFile) {
  const QString drive = DriveText(FullPathName(dl_));
  const int64_t free = DriveFreeSpace(drive);
  ASSERT_GT(free, 0);
  const int64_t size = free + (int64_t(1) << 30);
  AddEntry("big.bin", size, -1);
  QDir().mkpath(dl_);
  QFile sparse(Path("huge.bin"));
  if (!sparse.open(QIODevice::WriteOnly) || !sparse.resize(size)) {
    GTEST_SKIP() << "this file system does not take a sparse file of " << size << " bytes";
  }
  sparse.close();
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("big.bin") << "" << FileCheckSummary(0, 1, 1))
      .Then(RepairHeading())
      .Then({Path("huge.bin") + " (Not enough space on drive " + drive + " to copy file)", FixedSummary(0, 1)})
      .Check(Run());
  EXPECT_EQ(FileSize(Path("huge.bin")), size);
  EXPECT_EQ(FileSize(Path("big.bin")), -1);
}

TEST_F(RepairTest, FailedMoveNamesTheFileAndItsDestination) {
  AddEntry("m.bin", 10, -1);
  WriteFile(Path("stuck.bin"), "0123456789");
  test::ImmutableGuard lock(Path("stuck.bin"));
  if (!lock.available()) GTEST_SKIP() << "chattr +i is not available on this file system";
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("m.bin") << "" << FileCheckSummary(0, 1, 1))
      .Then(RepairHeading())
      .Then({Unable(Path("stuck.bin"), "m.bin"), FixedSummary(0, 1)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("stuck.bin")), "0123456789");
}

// A copy that does not complete leaves the wrong-sized file it was to replace as it was.
TEST_F(RepairTest, FailedCopyKeepsTheFileItWasToReplace) {
  QDir().mkpath(Path("small"));
  test::TmpfsGuard volume(Path("small"), 64);
  if (!volume.available()) GTEST_SKIP() << "cannot mount a small file system here";
  const std::string old = AddEntry("small/w.bin", 200000, 10);
  UseBackupFolder("src");
  WriteFile(Join(root_.path(), "src/good.bin"), RandomBytes(200000, 8));
  ExpectedReport()
      .Then(Header() << "Wrong file size: " + Q("small/w.bin") + " wrong: 10 right: 200000" << ""
                     << FileCheckSummary(0, 0, 1, 1))
      .Then(RepairHeading())
      .Then({Unable(Join(root_.path(), "src/good.bin"), "small/w.bin"), FixedSummary(0, 1)})
      .Check(Run());
  EXPECT_EQ(ReadFile(Path("small/w.bin")), old);
  EXPECT_EQ(Names(Path("small")), QStringList{"w.bin"});
}

// Backups off, and a file turns up at the target just as the candidate is put there: the replacing
// move sets it aside first. When that move then fails (the target's folder refuses it), the file
// set aside goes back to its place, and the candidate to its own. Staged through the run's change
// hook: the file appears before the first change, and the folder refuses only the replacing move.
TEST_F(RepairTest, FileSetAsideGoesBackWhenTheReplacingMoveFails) {
  inputs_.options.CreateBackups = 0;
  AddEntry("d/m.bin", 10, -1);
  QDir().mkpath(Path("d"));
  WriteFile(Path("x/spare.bin"), "0123456789");
  const std::string client = "written by the client meanwhile";
  const QString folder = Path("d");
  std::optional<test::ImmutableGuard> lock;
  bool refused = false;
  int changes = 0;
  inputs_.before_each_change = [&] {
    switch (++changes) {
      case 1:  // the candidate goes beside the target
        WriteFile(Path("d/m.bin"), client);
        break;
      case 3:  // the candidate over the target, the client's file set aside
        EXPECT_TRUE(FileSize(Path("d/m.bin.zandrel-part1")) > 0);
        lock.emplace(folder);
        // The superuser needs the flag; anyone else is refused by the folder's mode.
        refused = lock->available() || (getuid() != 0 && chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        break;
      case 4:  // the file set aside goes back
        lock.reset();
        chmod(QFile::encodeName(folder).constData(), 0755);
        break;
    }
  };
  const QStringList lines = Run();
  inputs_.before_each_change = nullptr;
  if (!refused) GTEST_SKIP() << "cannot make a folder refuse a move here (chattr +i, or a user other than root)";
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("d/m.bin") << "" << FileCheckSummary(0, 1, 1))
      .Then(RepairHeading())
      .Then({Unable(Path("x/spare.bin"), "d/m.bin"), FixedSummary(0, 1)})
      .Check(lines);
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(ReadFile(Path("d/m.bin")), client);
  EXPECT_EQ(ReadFile(Path("x/spare.bin")), "0123456789");
  EXPECT_EQ(Names(folder), QStringList{"m.bin"});
}

// Supplied files are never written through a link in the entry's folders.
TEST_F(RepairTest, EntryBehindALinkedFolderIsNotWrittenThrough) {
  const QString outside = Join(root_.path(), "outside");
  QDir().mkpath(outside);
  QDir().mkpath(dl_);
  ASSERT_TRUE(QFile::link(outside, Path("linked")));
  AddEntry("linked/m.bin", 10, -1);
  WriteFile(Path("spare.bin"), "0123456789");
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("linked/m.bin") << "" << FileCheckSummary(0, 1, 1))
      .Then(RepairHeading())
      .Then({Unable(Path("spare.bin"), "linked/m.bin"), FixedSummary(0, 1)})
      .Check(Run());
  EXPECT_TRUE(Names(outside).isEmpty());
  EXPECT_EQ(ReadFile(Path("spare.bin")), "0123456789");
}

TEST_F(RepairTest, SuppliedFileWinsTheStatusOverTrimming) {
  inputs_.options.TrimPaddedFiles = 1;
  AddEntry("p.bin", 10, 15);
  AddEntry("m.bin", 8, -1);
  WriteFile(Path("spare.bin"), "01234567");
  const QStringList lines = Run();
  EXPECT_EQ(lines.mid(lines.size() - 2), QStringList({"", FixedSummary(1, 2)}));
  EXPECT_EQ(result_.status_text, kFixedStatus);
}

TEST_F(RepairTest, CancelWinsTheStatusOverASuppliedFile) {
  inputs_.options.CheckUnneededFiles = 1;
  AddEntry("m1.bin", 8, -1);
  AddEntry("m2.bin", 9, -1);
  WriteFile(Path("spare.bin"), "01234567");
  test::CancelOnStatus window(engine_, "Searching for missing file \"spare.bin\"");
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("m1.bin") << "File not found: " + Q("m2.bin") << ""
                     << FileCheckSummary(0, 2, 2))
      .Then(RepairHeading())
      .Then({FixedBySize(Path("spare.bin"), "m1.bin"), "", FixedSummary(1, 2), "* Zandrel cancelled."})
      .Check(RunWith(window));
  EXPECT_EQ(result_.status_text, "Cancelled.");
}

}  // namespace
}  // namespace zandrel
