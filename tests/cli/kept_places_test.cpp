// Places a run must leave alone although a careless reading of its arguments or of the download
// folder would have it change them: folders named through links and "..", backups at any depth,
// a folder that is not the download at all, the torrents the run reads, and report names that are
// links, FIFOs or devices. Each case compares the trees byte for byte.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include "check/preflight.h"
#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

const QStringList kDeleteEverything = {"--delete-unneeded", "--delete-when-incomplete", "--no-backups"};

class KeptPlacesTest : public ::testing::Test {
 protected:
  KeptPlacesTest() {
    WriteFile(Join(show_, "Docs/a.bin"), a_);
    WriteFile(Join(show_, "b.bin"), b_);
    WriteFile(torrent_, test::BuildMultiFileTorrent("Show", {{{"Docs", "a.bin"}, 50000, ""}, {{"b.bin"}, 30000, ""}},
                                                    16384, test::PiecesFor(a_ + b_, 16384)));
    QDir().mkpath(config_);
  }

  test::CliRun Check(const QStringList& args) {
    return test::RunCli(QStringList{"check", torrent_} + args, root_.path(), config_);
  }
  QString At(const QString& relative) const { return Join(root_.path(), relative); }
  void Link(const QString& target, const QString& link) const {
    ASSERT_TRUE(QFile::link(target, At(link))) << link.toStdString();
  }
  // The report's unneeded section: from its heading to its summary.
  static QStringList UnneededSection(const QString& report) {
    const QStringList lines = test::ReadReportLines(report);
    const qsizetype from = lines.indexOf("Unneeded files check:");
    return from < 0 ? QStringList() : lines.mid(from + 2);
  }

  const std::string a_ = test::RandomBytes(50000, 1), b_ = test::RandomBytes(30000, 2);
  QTemporaryDir root_;
  QString torrent_ = At("Show.torrent");
  QString show_ = At("Show");
  QString config_ = At("config");
  QString report_ = At("r.log");
};

// "deep/L/.." names the folder above L's target for the kernel; cleaned as text it named "deep",
// whose files a run with every deleting option then removed.
TEST_F(KeptPlacesTest, DotDotIsTakenAfterTheLinkInEveryPathValue) {
  QDir().mkpath(Join(show_, "sub"));
  QDir().mkpath(At("out/sub"));
  WriteFile(At("deep/b.bin"), b_);  // a file of the torrent, so that deep would pass for a download
  WriteFile(At("deep/thesis.txt"), "years of work");
  WriteFile(Join(show_, "stray.txt"), "not in the torrent");
  WriteFile(Join(show_, "b.bin"), b_ + "padding");
  Link(Join(show_, "sub"), "deep/L");
  Link(At("out/sub"), "rl");
  const test::Tree deep = test::SnapshotTree(At("deep"));

  const test::CliRun run = Check({"deep/L/..", "--report", "rl/../r.log", "--backup-dir", "rl/../bk",
                                  "--trim-padded-files", "--delete-unneeded", "--delete-when-incomplete"});
  EXPECT_EQ(run.exit_code, 3) << run.err.toStdString();
  EXPECT_EQ(test::TreeDiff(deep, test::SnapshotTree(At("deep"))), "");
  EXPECT_FALSE(QFile::exists(At("r.log"))) << "the report goes where rl/.. leads";
  EXPECT_EQ(run.OutLines().value(0), At("out/r.log"));
  EXPECT_EQ(test::ReadFile(Join(show_, "b.bin")), b_);
  EXPECT_EQ(test::ReadFile(At("out/bk/[ZandrelBackup]/Show/b.bin")), b_ + "padding");
  EXPECT_EQ(test::ReadFile(At("out/bk/[ZandrelBackup]/Show/stray.txt")), "not in the torrent");
  EXPECT_FALSE(QFile::exists(At("bk")));

  // An ignore value that leaves the download through a link protects nothing there: refused.
  Link(At("out/sub"), "Show/L2");
  const test::Tree before = test::SnapshotTree(root_.path());
  const test::CliRun refused = Check(QStringList{show_, "--ignore", "L2/../keep.txt", "--report", report_} + kDeleteEverything);
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_TRUE(refused.err.contains("L2/../keep.txt")) << refused.err.toStdString();
  EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(root_.path())), "");
}

TEST_F(KeptPlacesTest, BackupFoldersAtAnyDepthAreNeverUnneeded) {
  WriteFile(Join(show_, "stray.txt"), "x");
  WriteFile(Join(show_, "Extras/[ZandrelBackup]/Extras/old.bin"), "a nested download's backup");
  WriteFile(Join(show_, "bk/[ZandrelBackup]/Show/b.bin"), "made by --backup-dir " + show_.toStdString() + "/bk");
  WriteFile(Join(show_, "Docs/[zandrelbackup]/a.bin"), "the marker in other letter case");
  const test::Tree before = test::SnapshotTree(show_);

  const test::CliRun run = Check(QStringList{show_, "--report", report_} + kDeleteEverything);
  EXPECT_EQ(run.exit_code, 0) << run.out.toStdString();
  test::Tree expected = before;
  expected.erase("stray.txt");
  EXPECT_EQ(test::TreeDiff(expected, test::SnapshotTree(show_)), "");
  EXPECT_EQ(UnneededSection(report_).join('\n').toStdString(),
            ("Deleted unneeded file: \"" + Join(show_, "stray.txt") + "\"\n\n" +
             "Unneeded files: (1) - Unneeded directories: (0) - Successfully deleted files: (1/1) - Successfully deleted "
             "directories: (0/0)")
                .toStdString());
}

// The folder chosen holds a renamed copy of the download and the user's own files, but not one
// file of the torrent under its name: whatever the options, nothing in it goes.
TEST_F(KeptPlacesTest, AFolderWithoutOneFileOfTheTorrentIsOnlyListed) {
  const QString other = At("Pictures");
  WriteFile(Join(other, "Show (copy)/Docs/a.bin"), a_);
  WriteFile(Join(other, "holiday.jpg"), "a photo");
  WriteFile(Join(other, "thesis.odt"), "years of work");
  const test::Tree before = test::SnapshotTree(other);

  test::CliRun run = Check(QStringList{other, "--report", report_} + kDeleteEverything);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(other)), "");
  const QStringList section = UnneededSection(report_);
  EXPECT_EQ(section.value(0),
            "Unneeded items are only listed: not one file of the torrent was found in this folder, so it may "
            "not be the download's folder at all.");
  EXPECT_TRUE(section.contains("Unneeded file: \"" + Join(other, "thesis.odt") + "\""));

  // A client's partial file of an entry, or an entry's file of another size, shows that this is the
  // download after all: its strays go.
  for (const QString& sign : {QString("b.bin.part"), QString("b.bin")}) {
    SCOPED_TRACE(sign.toStdString());
    WriteFile(Join(other, sign), "the first bytes");
    WriteFile(Join(other, "thesis.odt"), "years of work");
    run = Check(QStringList{other, "--report", report_} + kDeleteEverything);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_FALSE(QFile::exists(Join(other, "thesis.odt")));
    EXPECT_TRUE(QFile::exists(Join(other, sign)));
    QFile::remove(Join(other, sign));
  }
}

// A torrent kept in the download folder (a common habit) is read by the run and must outlive it,
// and so must the torrents whose files it leaves alone, under any name they are reached by.
TEST_F(KeptPlacesTest, TheTorrentsOfTheRunAreKept) {
  WriteFile(Join(show_, "Show.torrent"), test::ReadFile(torrent_));
  WriteFile(Join(show_, "Extras/other.torrent"),
            test::BuildMultiFileTorrent("Other", {{{"x.bin"}, 5, ""}}, 16384, test::PiecesFor("xxxxx", 16384)));
  WriteFile(Join(show_, "stray.txt"), "x");
  Link(show_, "via");
  // An earlier report kept in the download has a second name outside it, which this run writes to.
  WriteFile(Join(show_, "old.log"), "Zandrel v1.0 Report file\r\n------------------------\r\n");
  ASSERT_EQ(::link(Join(show_, "old.log").toUtf8().constData(), report_.toUtf8().constData()), 0);
  const test::Tree before = test::SnapshotTree(show_);

  const test::CliRun run = test::RunCli(QStringList{"check", At("via/Show.torrent"), show_, "--ignore-torrent",
                                         At("via/Extras/../Extras/other.torrent"), "--report", report_} +
                                            kDeleteEverything,
                                        root_.path(), config_);
  EXPECT_EQ(run.exit_code, 0) << run.err.toStdString();
  test::Tree expected = before;
  expected.erase("stray.txt");
  expected.erase("old.log");  // its bytes are this run's report now
  test::Tree after = test::SnapshotTree(show_);
  ASSERT_EQ(after.erase("old.log"), 1u);
  EXPECT_EQ(test::TreeDiff(expected, after), "");
  EXPECT_EQ(test::ReadReportLines(Join(show_, "old.log")), test::ReadReportLines(report_));
}

// Refused before anything is made or opened: a report name that is a FIFO or a device would block
// the run in open (with the folder locked) or write into something else; a link whose target does
// not exist yet would make the report inside the download, where the run would then delete it;
// and a logs folder inside the download is refused before it is made.
TEST_F(KeptPlacesTest, ReportPlacesThatAreRefusedBeforeAnythingChanges) {
  // Apart from the trees compared: reading a FIFO for the picture would wait for a writer.
  const QTemporaryDir pipes;
  const QString fifo = Join(pipes.path(), "fifo.log");
  ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0644), 0);
  Link(Join(show_, "new.log"), "dangling.log");
  Link(At("dangling.log"), "chain.log");
  WriteFile(Join(show_, "stray.txt"), "x");
  const struct {
    QStringList args;
    QString config;
    QString reason;
  } cases[] = {
      {{"--report", fifo}, config_, "is not a regular file"},
      {{"--report", "/dev/null"}, config_, "is not a regular file"},
      {{"--report", At("dangling.log")}, config_, "it would be inside the download directory"},
      {{"--report", At("chain.log")}, config_, "it would be inside the download directory"},
      {{}, Join(show_, "cfg"), "it would be inside the download directory"},
  };
  const test::Tree before = test::SnapshotTree(root_.path());
  for (const auto& c : cases) {
    const test::CliRun run = test::RunCli(QStringList{"check", torrent_, show_} + c.args + kDeleteEverything,
                                          root_.path(), c.config);
    EXPECT_EQ(run.exit_code, 2) << c.args.join(' ').toStdString();
    EXPECT_TRUE(run.err.contains(c.reason.toUtf8())) << run.err.toStdString();
    EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(root_.path())), "") << c.args.join(' ').toStdString();
  }
  // Looking into a FIFO for a report's first line answers at once instead of waiting for a writer.
  EXPECT_FALSE(IsZandrelReport(fifo));
}

}  // namespace
}  // namespace zandrel
