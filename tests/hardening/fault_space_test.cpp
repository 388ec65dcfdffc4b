// Full file systems, made real with small memory file systems: a trim copy, a repair copy and a
// move between volumes that run out of space. Needs root (mount); skipped where mounting fails.
#include <QDir>

#include "platform/file_system.h"
#include "tests/hardening/fault_fixture.h"
#include "tests/support/report_lines.h"

namespace zandrel {
namespace {

using test::RandomBytes;
using test::ReadFile;
using test::TmpfsGuard;
using test::WriteFile;

constexpr char kNoMount[] = "cannot mount a tmpfs here (needs root and permission to mount)";
const QString kTrimSpace = "Error. Some files could not be trimmed or copied because of disk space. See report.";

using FaultSpaceTest = test::FaultFixture;

// The trim's temporary copy goes beside the file, on a download volume that cannot hold it. The
// backup folder has room, so the free-space check lets the trim start.
TEST_F(FaultSpaceTest, TrimCopyOnAFullDownloadVolume) {
  TmpfsGuard volume(dl_, 1024);
  if (!volume.available()) GTEST_SKIP() << kNoMount;
  Put("a.bin", 700000, 1);
  Put("b.bin", 1000, 2);
  AddEntry("a.bin", 600000);
  AddEntry("b.bin", 900);
  const QStringList lines = Run();
  EXPECT_EQ(
      Text(lines.mid(0, 10)),
      Text(test::ReportHeader() << "Wrong file size: " + Q("a.bin") + " wrong: 700000 right: 600000 (Unable to fix)"
                                << "(Fixed) Wrong file size: " + Q("b.bin") + " wrong: 1000 right: 900"
                                << "Moved old file: " + Q("b.bin") + " to backup location: \"" + bk_ +
                                       "/[ZandrelBackup]/dl/\""
                                << "" << test::FileCheckSummary(0, 0, 2, 2, 1, 2)));
  EXPECT_EQ(result_.status_text, kTrimSpace);
  EXPECT_EQ(ReadFile(Dl("a.bin")), originals_["a.bin"]);
  EXPECT_FALSE(PathEntryExists(Dl("a.bin.tmp")));
  EXPECT_EQ(ReadFile(Dl("b.bin")), originals_["b.bin"].substr(0, 900));
  ExpectNoByteLost();
  ExpectNeighboursUntouched();
}

// Repair copies into a download folder on a small volume: a file larger than the free space is
// refused before copying; a copy into a still smaller volume mounted inside the download folder
// (which the free-space check, made on the download folder's volume, cannot see) runs out of space
// and leaves the wrong-sized file it was to replace as it was.
TEST_F(FaultSpaceTest, RepairCopyIntoAFullDownloadVolume) {
  TmpfsGuard volume(dl_, 1024);
  if (!volume.available()) GTEST_SKIP() << kNoMount;
  TmpfsGuard inner(Dl("small"), 64);
  if (!inner.available()) GTEST_SKIP() << kNoMount;
  options_.CheckUnneededFiles = 0;
  Put("small/w.bin", 10, 3);
  AddEntry("big.bin", 1500000);
  AddEntry("small/w.bin", 200000);
  WriteFile(bk_ + "/src/big-source.bin", RandomBytes(1500000, 4));
  WriteFile(bk_ + "/src/w-source.bin", RandomBytes(200000, 5));
  const QStringList lines = Run();
  EXPECT_TRUE(lines.contains(bk_ + "/src/big-source.bin (Not enough space on drive " + dl_ + " to copy file)"))
      << Text(lines);
  EXPECT_TRUE(lines.contains("Unable to fix missing file: \"" + bk_ +
                             "/src/w-source.bin\" to destination: " + Q("small/w.bin")))
      << Text(lines);
  EXPECT_EQ(lines.last(), "Fixed missing files: (0/2)");
  EXPECT_FALSE(PathEntryExists(Dl("big.bin")));
  EXPECT_EQ(QDir(Dl("small")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"w.bin"});
  ExpectNoByteLost();
  ExpectNeighboursUntouched();  // the rebuild sources were only read
}

// Backups on a small volume of their own, so every move into them copies between volumes: a trim
// that fits, one that the free-space check refuses, and an unneeded file whose copy runs out of
// space, which must stay where it was.
TEST_F(FaultSpaceTest, MovesOntoAFullBackupVolume) {
  TmpfsGuard volume(bk_, 1024);
  if (!volume.available()) GTEST_SKIP() << kNoMount;
  Put("t1.bin", 600000, 6);
  Put("t2.bin", 600000, 7);
  Put("junk/big.bin", 1500000, 8);
  Put("junk/u1.txt", 100, 9);
  AddEntry("t1.bin", 500000);
  AddEntry("t2.bin", 500000);
  const QStringList lines = Run();
  const QString folder = bk_ + "/[ZandrelBackup]/dl/";
  EXPECT_EQ(Text(lines.mid(0, 10)),
            Text(test::ReportHeader() << "(Fixed) Wrong file size: " + Q("t1.bin") + " wrong: 600000 right: 500000"
                                      << "Moved old file: " + Q("t1.bin") + " to backup location: \"" + folder + "\""
                                      << "Wrong file size: " + Q("t2.bin") +
                                             " wrong: 600000 right: 500000 (Not enough space on drive " + bk_ +
                                             " to trim file)"
                                      << "" << test::FileCheckSummary(0, 0, 2, 2, 1, 2)));
  EXPECT_TRUE(lines.contains("Unable to move file: " + Q("junk/big.bin"))) << Text(lines);
  EXPECT_TRUE(
      lines.contains("Moved unneeded file: " + Q("junk/u1.txt") + " to backup location: \"" + folder + "junk/\""))
      << Text(lines);
  EXPECT_EQ(lines.last(), test::UnneededSummary(2, 1, 1, 0));
  EXPECT_EQ(result_.status_text, kTrimSpace);
  EXPECT_EQ(ReadFile(Dl("junk/big.bin")), originals_["junk/big.bin"]);
  EXPECT_FALSE(PathEntryExists(folder + "junk/big.bin"));  // no partial copy left behind
  ExpectNoByteLost();
  ExpectNeighboursUntouched();
}

}  // namespace
}  // namespace zandrel
