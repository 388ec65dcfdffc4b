// Links that would carry backups, trims and rebuilt files out of the download folder: a backup
// marker folder that is a link, links left in the backup folder by an earlier run, torrent paths
// listed twice, and paths longer than the system can name.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "check/check_run.h"
#include "platform/file_system.h"
#include "tests/hardening/sandbox.h"
#include "tests/support/report_lines.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::RandomBytes;
using test::ReadFile;
using test::ReadReportLines;
using test::WriteFile;

class LinkTrapTest : public ::testing::Test {
 protected:
  LinkTrapTest() {
    options_ = test::EveryFixOption(box_.Download(), box_.Download());
  }

  void AddEntry(const QString& relative, int64_t length) {
    engine_.model.TorrentFiles.push_back(test::EntryFor(relative, length));
  }

  QStringList Run() {
    CheckInputs inputs;
    inputs.torrent_path = box_.Root() + "/t.torrent";
    inputs.download_dir = box_.Download();
    inputs.options = options_;
    inputs.report_path = box_.Report();
    inputs.version = "1.0";
    NullWindow window;
    result_ = RunCheck(engine_, inputs, window);
    return ReadReportLines(box_.Report());
  }
  QString Dl(const QString& relative) const { return box_.Download() + "/" + relative; }
  QString Q(const QString& relative) const { return '"' + Dl(relative) + '"'; }
  static std::string Text(const QStringList& lines) { return lines.join('\n').toStdString(); }

  test::Sandbox box_;
  MessageTable messages_{box_.Root() + "/lang"};
  EngineState engine_{messages_};
  RunOptions options_;
  CheckResult result_;
};

// The download folder holds a link named like the backup marker (put there by whoever filled the
// folder). Backups kept in the download folder must not follow it to the neighbour it names.
TEST_F(LinkTrapTest, MarkerFolderThatIsALinkIsNotUsedForBackups) {
  ASSERT_TRUE(QFile::link(box_.Root() + "/sibling", Dl("[ZandrelBackup]")));
  const std::string padded = RandomBytes(40, 1);
  WriteFile(Dl("a.bin"), padded);
  WriteFile(Dl("old/junk.bin"), "junk");
  AddEntry("a.bin", 30);
  options_.DeleteWrongSizedFiles = 1;
  const test::TreeState before = box_.Outside();
  const QStringList lines = Run();
  EXPECT_EQ(test::TreeDiff(before, box_.Outside()), "");
  // Nothing could be backed up, so nothing was removed either.
  EXPECT_EQ(ReadFile(Dl("a.bin")), padded);
  EXPECT_EQ(ReadFile(Dl("old/junk.bin")), "junk");
  const QString marker = "\"" + Dl("[ZandrelBackup]/") + "\"";
  EXPECT_EQ(Text(lines.mid(0, 17)),
            Text(test::ReportHeader() << "Unable to create directory: " + marker
                                      << "Wrong file size: " + Q("a.bin") + " wrong: 40 right: 30 (Unable to fix)"
                                      << "Unable to move old file: " + Q("a.bin") << ""
                                      << test::FileCheckSummary(0, 0, 1, 1) << ""
                                      << "Attempting to find missing/renamed files:" << "" << test::FixedSummary(0, 1)
                                      << "" << "Unneeded files check:" << ""));
  EXPECT_TRUE(lines.contains("Unable to move file: " + Q("old/junk.bin")));
  EXPECT_EQ(lines.last(), test::UnneededSummary(11, 4, 0, 0));
}

// A run moves an unneeded link into the backup folder; later the download gets a real folder of
// that name. Backups of files in it must not pass through the old link into the neighbour.
TEST_F(LinkTrapTest, LinkMovedIntoTheBackupFolderIsNotFollowedLater) {
  options_.BackupDir = box_.InsideBackup();
  ASSERT_TRUE(QFile::link(box_.Root() + "/sibling", Dl("sub")));
  // A file of the torrent in place: without one the folder's strays would only be listed.
  WriteFile(Dl("kept.bin"), "kept");
  AddEntry("kept.bin", 4);
  Run();
  const QString backed_up_link = box_.InsideBackup() + "/[ZandrelBackup]/dl/sub";
  ASSERT_TRUE(IsSymLink(backed_up_link)) << "the first run was to back up the link itself";

  QFile::remove(Dl("unneeded.txt"));
  const std::string padded = RandomBytes(3100, 2);
  WriteFile(Dl("sub/secret.bin"), padded);  // the name of a file in the neighbour
  WriteFile(Dl("sub/passwd"), "unneeded, named like a neighbour's file");
  AddEntry("sub/secret.bin", 3000);
  const test::TreeState before = box_.Outside();
  const QStringList lines = Run();
  EXPECT_EQ(test::TreeDiff(before, box_.Outside()), "");
  EXPECT_EQ(ReadFile(Dl("sub/secret.bin")), padded);
  EXPECT_EQ(ReadFile(Dl("sub/passwd")), "unneeded, named like a neighbour's file");
  EXPECT_FALSE(PathEntryExists(Dl("sub/secret.bin.tmp"))) << "the trimmed copy of a file left whole is removed";
  EXPECT_EQ(Text(lines.mid(0, 7)),
            Text(test::ReportHeader()
                 << "Wrong file size: " + Q("sub/secret.bin") + " wrong: 3100 right: 3000 (Unable to fix)"
                 << "Unable to move old file: " + Q("sub/secret.bin")));
  EXPECT_TRUE(lines.contains("Unable to move file: " + Q("sub/passwd")));
  EXPECT_EQ(lines.last(), test::UnneededSummary(1, 0, 0, 0));
}

// One path listed twice: the spare file moved into place for the first entry is not then replaced
// by a copy for the second.
TEST_F(LinkTrapTest, PathListedTwiceIsSuppliedOnce) {
  options_.BackupDir = box_.InsideBackup();
  const std::string spare = RandomBytes(7, 3);
  WriteFile(Dl("spare.bin"), spare);
  WriteFile(box_.InsideBackup() + "/src.bin", "four");
  AddEntry("twice.bin", 7);
  AddEntry("twice.bin", 4);
  const QStringList lines = Run();
  EXPECT_EQ(ReadFile(Dl("twice.bin")), spare);
  EXPECT_TRUE(lines.contains("Fixed missing file by its size alone (none of its pieces can be checked): " + Q("spare.bin") +
                             " to destination: " + Q("twice.bin")));
  EXPECT_TRUE(lines.contains("Fixed missing files: (1/2)"));
  EXPECT_EQ(ReadFile(box_.InsideBackup() + "/src.bin"), "four");
}

// A path longer than the system can name gets no folders built towards it.
TEST_F(LinkTrapTest, PathTooLongForTheSystemGetsNoFolders) {
  options_.CheckUnneededFiles = 0;
  QString deep;
  for (int i = 0; i < 3000; ++i) deep += "d/";
  AddEntry(deep + "f.bin", 9);
  WriteFile(Dl("spare.bin"), "123456789");
  const QStringList lines = Run();
  EXPECT_FALSE(PathEntryExists(Dl("d")));
  EXPECT_EQ(ReadFile(Dl("spare.bin")), "123456789");
  EXPECT_TRUE(
      lines.contains("Unable to fix missing file: " + Q("spare.bin") + " to destination: " + Q(deep + "f.bin")));
  EXPECT_TRUE(lines.contains("Fixed missing files: (0/1)"));
}

}  // namespace
}  // namespace zandrel
