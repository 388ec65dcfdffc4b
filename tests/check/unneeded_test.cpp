// The unneeded-files stage through whole check runs, compared with the report line by line.
#include <QDir>

#include "platform/file_system.h"
#include "tests/check/unneeded_fixture.h"

namespace zandrel {
namespace {

using test::ExpectedReport;
using test::FileCheckSummary;
using test::ReadFile;
using test::UnneededHeading;
using test::UnneededSummary;
using test::WriteFile;

class UnneededTest : public test::StageFixture {
 protected:
  UnneededTest() { AddEntry("keep.bin", 4, 4); }
  // Header, file check and unneeded heading of a run in which every entry is present.
  ExpectedReport CompleteHead() {
    const int n = static_cast<int>(engine_.model.TorrentFiles.size());
    return ExpectedReport().Then(Header() << FileCheckSummary(n, 0, n)).Then(UnneededHeading());
  }
};

TEST_F(UnneededTest, StrayFileBesideANeededTreeIsTheOnlyFinding) {
  AddEntry("a/b/f.bin", 10, 10);
  WriteFile(Path("a/x.txt"), "stray");
  const ExpectedReport head = CompleteHead();
  ExpectedReport(head).Then({"Unneeded file: " + Q("a/x.txt"), "", UnneededSummary(1, 0, 0, 0)}).Check(Run());
  EXPECT_EQ(ReadFile(Path("a/x.txt")), "stray");

  // Deleting takes the file; "a/b" is needed from the start and "a" once "a/b" has been judged.
  PermitDeletion(0);
  ExpectedReport(head).Then({"Deleted unneeded file: " + Q("a/x.txt"), "", UnneededSummary(1, 0, 1, 0)}).Check(Run());
  EXPECT_EQ(FileSize(Path("a/x.txt")), -1);
  EXPECT_EQ(FileSize(Path("a/b/f.bin")), 10);
}

TEST_F(UnneededTest, DirectoryOfUnneededFilesIsEmptiedAndRemovedWithoutBackups) {
  ExpectedReport expected = CompleteHead();
  for (const char* name : {"one.txt", "two.txt", "three.txt"}) WriteFile(Path(QString("old/") + name), name);
  PermitDeletion(0);
  expected
      .AnyOrder({"Deleted unneeded file: " + Q("old/one.txt"), "Deleted unneeded file: " + Q("old/two.txt"),
                 "Deleted unneeded file: " + Q("old/three.txt")})
      .Then({"Deleted unneeded directory: " + Q("old/"), "", UnneededSummary(3, 1, 3, 1)})
      .Check(Run());
  EXPECT_EQ(FileSize(Path("old")), -1);
  EXPECT_EQ(result_.status_text, "Torrent check was successful! No errors found.");
}

TEST_F(UnneededTest, DirectoryOfUnneededFilesMovesIntoTheBackupFolder) {
  ExpectedReport expected = CompleteHead();
  for (const char* name : {"one.txt", "two.txt", "three.txt"}) WriteFile(Path(QString("old/") + name), name);
  PermitDeletion(1);  // backups go to "[ZandrelBackup]" inside the download directory
  const QString folder = Path("[ZandrelBackup]/Show/");
  const QString moved_to = " to backup location: " + Quote(folder + "old/");
  expected.Then({"Created directory: " + Quote(folder + "old/")})
      .AnyOrder({"Moved unneeded file: " + Q("old/one.txt") + moved_to,
                 "Moved unneeded file: " + Q("old/two.txt") + moved_to,
                 "Moved unneeded file: " + Q("old/three.txt") + moved_to})
      .Then({"Deleted unneeded directory: " + Q("old/"), "", UnneededSummary(3, 1, 3, 1)})
      .Check(Run());
  EXPECT_EQ(FileSize(Path("old")), -1);
  for (const char* name : {"one.txt", "two.txt", "three.txt"}) EXPECT_EQ(ReadFile(folder + "old/" + name), name);

  // The backup folder itself is never unneeded.
  CompleteHead().Then({UnneededSummary(0, 0, 0, 0)}).Check(Run());
  EXPECT_EQ(ReadFile(folder + "old/one.txt"), "one.txt");
}

TEST_F(UnneededTest, EmptyUnneededDirectoryIsRecreatedInTheBackupFolder) {
  ExpectedReport expected = CompleteHead();
  QDir().mkpath(Path("empty/inner"));
  PermitDeletion(1);
  const QString folder = Path("[ZandrelBackup]/Show/");
  expected.Then({"Created directory: " + Quote(folder + "empty/inner/"), "Deleted unneeded directory: " + Q("empty/inner/"),
                 "Deleted unneeded directory: " + Q("empty/"), "", UnneededSummary(0, 2, 0, 2)})
      .Check(Run());
  EXPECT_EQ(FileSize(folder + "empty/inner"), -2);
  EXPECT_EQ(FileSize(Path("empty")), -1);
}

TEST_F(UnneededTest, IncompleteTorrentOnlyReportsWhenDeletionWaitsForCompletion) {
  AddEntry("gone.bin", 5, -1);
  WriteFile(Path("junk.txt"), "j");
  WriteFile(Path("olddir/j2.txt"), "j2");
  inputs_.options.DelUnneededFiles = 1;  // "DelOnlyWhenComplete" is on by default
  const QStringList lines = Run();
  ExpectedReport()
      .Then(Header() << "File not found: " + Q("gone.bin") << "" << FileCheckSummary(1, 1, 2))
      .Then(UnneededHeading())
      .AnyOrder({"Unneeded file: " + Q("junk.txt"), "Unneeded file: " + Q("olddir/j2.txt"),
                 "Unneeded directory: " + Q("olddir/")})
      .Then({"", UnneededSummary(2, 1, 0, 0)})
      .Check(lines);
  EXPECT_LT(lines.indexOf("Unneeded file: " + Q("olddir/j2.txt")), lines.indexOf("Unneeded directory: " + Q("olddir/")));
  EXPECT_EQ(ReadFile(Path("junk.txt")), "j");
  EXPECT_EQ(ReadFile(Path("olddir/j2.txt")), "j2");
  EXPECT_EQ(result_.status_text, "Error. Torrent check unsuccessful. See report.");
}

// A bare name on the ignore list keeps that file in every folder. The folders that
// hold such a file are unneeded, yet they are kept without a line, with or without backups.
TEST_F(UnneededTest, BareIgnoredNameIsKeptEverywhereAndKeepsItsFolders) {
  for (int backups : {0, 1}) {
    SCOPED_TRACE(backups);
    ExpectedReport expected = CompleteHead();
    engine_.ignore_list.Add("Thumbs.db");
    const test::FileMap thumbs = {{"Thumbs.db", "t0"}, {"a/Thumbs.db", "t1"}, {"a/b/Thumbs.db", "t2"}};
    test::WriteFiles(dl_, thumbs);
    WriteFile(Path("a/b/x.tmp"), "x");
    PermitDeletion(backups);
    const QString folder = Path("[ZandrelBackup]/Show/");
    if (backups) {
      expected.Then({"Created directory: " + Quote(folder + "a/b/"),
                     "Moved unneeded file: " + Q("a/b/x.tmp") + " to backup location: " + Quote(folder + "a/b/")});
    } else {
      expected.Then({"Deleted unneeded file: " + Q("a/b/x.tmp")});
    }
    expected.Then({"", UnneededSummary(1, 2, 1, 0)}).Check(Run());
    test::ExpectFiles(dl_, thumbs);
    EXPECT_EQ(FileSize(Path("a/b/x.tmp")), -1);
  }
}

TEST_F(UnneededTest, FileIgnoredByPathKeepsItsFolderWithoutBackups) {
  ExpectedReport expected = CompleteHead();
  engine_.ignore_list.Add("old/settings.cfg");
  WriteFile(Path("old/settings.cfg"), "mine");
  WriteFile(Path("old/junk.bin"), "junk");
  WriteFile(Path("other/settings.cfg"), "not ignored here");
  PermitDeletion(0);
  const QStringList lines = Run();
  expected
      .AnyOrder({"Deleted unneeded file: " + Q("old/junk.bin"), "Deleted unneeded file: " + Q("other/settings.cfg"),
                 "Deleted unneeded directory: " + Q("other/")})
      .Then({"", UnneededSummary(2, 2, 2, 1)})
      .Check(lines);
  EXPECT_EQ(ReadFile(Path("old/settings.cfg")), "mine");
  EXPECT_EQ(FileSize(Path("other")), -1);
}

TEST_F(UnneededTest, IgnoredDirectoryIsNotEnteredAndItsParentsStay) {
  ExpectedReport expected = CompleteHead();
  engine_.ignore_list.Add("p/q");
  const test::FileMap ignored = {{"p/q/inner.bin", "i"}, {"p/q/sub/deeper.bin", "d"}};
  test::WriteFiles(dl_, ignored);
  PermitDeletion(0);
  expected.Then({UnneededSummary(0, 0, 0, 0)}).Check(Run());
  test::ExpectFiles(dl_, ignored);
}

TEST_F(UnneededTest, FileAlreadyAtTheBackupTargetStays) {
  ExpectedReport expected = CompleteHead();
  const QString folder = UseBackupFolder();
  WriteFile(folder + "junk.txt", "older backup");
  WriteFile(Path("junk.txt"), "newer");
  PermitDeletion(1);
  expected
      .Then({"Moved unneeded file: " + Q("junk.txt") + " to backup location: " + Quote(folder), "",
             UnneededSummary(1, 0, 1, 0)})
      .Check(Run());
  EXPECT_EQ(ReadFile(folder + "junk.txt"), "older backup");
  EXPECT_EQ(ReadFile(folder + "junk_2.txt"), "newer");
  EXPECT_EQ(FileSize(Path("junk.txt")), -1);
  EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
            QStringList({"junk.txt", "junk_2.txt"}));
}

TEST_F(UnneededTest, NothingUnneededPutsTheSummaryRightAfterTheHeading) {
  AddEntry("d/e/x.bin", 3, 3);
  CompleteHead().Then({UnneededSummary(0, 0, 0, 0)}).Check(Run());
}

TEST_F(UnneededTest, CancelDuringADeepScanStillWritesTheSummary) {
  ExpectedReport expected = CompleteHead();
  WriteFile(Path("d1/d2/d3/d4/x.bin"), "x");
  PermitDeletion(0);
  test::CancelOnStatus window(engine_, "Deleting file \"x.bin\"");
  expected
      .Then({"Deleted unneeded file: " + Q("d1/d2/d3/d4/x.bin"), "", UnneededSummary(1, 0, 1, 0),
             "* Zandrel cancelled."})
      .Check(RunWith(window));
  EXPECT_EQ(result_.status_text, "Cancelled.");
  // The directories the cancel cut short are not judged, so none of them is deleted.
  EXPECT_EQ(FileSize(Path("d1/d2/d3/d4")), -2);
}

TEST_F(UnneededTest, CancelLeavesTheFilesItDidNotReach) {
  ExpectedReport expected = CompleteHead();
  for (const char* name : {"a.bin", "b.bin", "c.bin"}) WriteFile(Path(QString("old/") + name), name);
  PermitDeletion(0);
  test::CancelOnStatus window(engine_, "Deleting file ");
  const QStringList lines = RunWith(window);
  ASSERT_EQ(lines.size(), 13);
  EXPECT_TRUE(lines[9].startsWith("Deleted unneeded file: " + Quote(Path("old/")).chopped(1)));
  expected.Then({lines[9], "", UnneededSummary(1, 0, 1, 0), "* Zandrel cancelled."}).Check(lines);
  EXPECT_EQ(QDir(Path("old")).entryList(QDir::Files).size(), 2);
}

}  // namespace
}  // namespace zandrel
