// Failure and rollback paths of repairs and wrong-size deletions, and the end of a cancelled
// repair: each would otherwise leave a user's file renamed, claim a deletion that cannot happen, or
// go on copying after the user asked to stop.
#include <QDir>
#include <QFile>

#include "tests/check/unneeded_fixture.h"

namespace zandrel::test {
namespace {

class RollbackTest : public StageFixture {
 protected:
  static QStringList Names(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
  }
  static QStringList WithoutDryRunMarks(QStringList lines) {
    for (QString& line : lines) {
      if (line.endsWith(kNotDoneMark)) line.chop(kNotDoneMark.size());
    }
    return lines;
  }
};

// A repair move that cannot finish (the old file cannot be set aside: the backup location is
// blocked by a file) puts the candidate back under its own name.
TEST_F(RollbackTest, AFailedRepairMovePutsTheCandidateBack) {
  const std::string padded = AddEntry("a.bin", 8, 12, 1);
  WriteFile(Path("elsewhere/candidate.bin"), "01234567");
  WriteFile(Join(root_.path(), "blocked"), "a file where the backup folder would go");
  inputs_.options.FixMissing = 1;
  inputs_.options.CreateBackups = 1;
  inputs_.options.CheckUnneededFiles = 0;
  inputs_.options.BackupDir = Join(root_.path(), "blocked");
  const QStringList lines = RunWith(window_);
  EXPECT_EQ(ReadFile(Path("elsewhere/candidate.bin")), "01234567");
  EXPECT_EQ(Names(Path("elsewhere")), QStringList{"candidate.bin"});
  EXPECT_EQ(Names(dl_), QStringList({"a.bin", "elsewhere"}));
  EXPECT_EQ(ReadFile(Path("a.bin")), padded);
  EXPECT_TRUE(lines.contains("Unable to fix missing file: " + Q("elsewhere/candidate.bin") + " to destination: " +
                             Q("a.bin")))
      << lines.join('\n').toStdString();
  EXPECT_EQ(result_.status_text, "Error. Torrent check unsuccessful. See report.");
}

// A folder standing where a file of the torrent should be cannot be deleted as a wrong-sized
// file; the dry run says so exactly as the real run does.
TEST_F(RollbackTest, ADryRunNeverDeletesAFolderAtAFilesPlace) {
  AddEntry("a.bin", 8, -1);
  WriteFile(Path("a.bin/inside.txt"), "kept");
  inputs_.options.DeleteWrongSizedFiles = 1;
  inputs_.options.CreateBackups = 0;
  inputs_.options.CheckUnneededFiles = 0;
  QStringList reports[2];
  for (const bool dry : {true, false}) {
    inputs_.dry_run = dry;
    reports[dry ? 0 : 1] = WithoutDryRunMarks(RunWith(window_));
    EXPECT_TRUE(reports[dry ? 0 : 1].contains("Wrong file size: " + Q("a.bin") + " wrong: -2 right: 8 (Unable to fix)"))
        << reports[dry ? 0 : 1].join('\n').toStdString();
    EXPECT_EQ(ReadFile(Path("a.bin/inside.txt")), "kept");
  }
  EXPECT_EQ(reports[0], reports[1]);
  inputs_.dry_run = false;
}

// A cancel during the search in the download directory ends the repair: the rebuild source is not
// searched, so not even a one-byte file (which a copy makes in no time) is copied from it.
TEST_F(RollbackTest, ACancelledRepairNeverSearchesTheRebuildSource) {
  AddEntry("first.bin", 8, -1);
  AddEntry("one.bin", 1, -1);
  WriteFile(Path("spare.bin"), "01234567");
  const QString source = Join(root_.path(), "source");
  WriteFile(Join(source, "zero.bin"), "z");
  inputs_.options.FixMissing = 1;
  inputs_.options.CheckUnneededFiles = 0;
  inputs_.options.BackupDir = source;
  CancelOnStatus window(engine_, "Searching for missing file \"spare.bin\"");
  const QStringList lines = RunWith(window);
  EXPECT_FALSE(QFile::exists(Path("one.bin")));
  EXPECT_EQ(ReadFile(Join(source, "zero.bin")), "z");
  EXPECT_FALSE(window.status_texts.contains("Searching for missing file \"zero.bin\""));
  EXPECT_EQ(lines.back(), "* Zandrel cancelled.");
  EXPECT_EQ(result_.status_text, "Cancelled.");
}

}  // namespace
}  // namespace zandrel::test
