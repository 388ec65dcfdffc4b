// Inputs that once emptied a download folder: a torrent without files, and an --ignore value with
// a trailing separator. The whole tree is compared before and after.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

class RefusalFaultsTest : public ::testing::Test {
 protected:
  RefusalFaultsTest() {
    WriteFile(Join(show_, "a.bin"), a_);
    WriteFile(Join(show_, "keep/notes.txt"), "mine");
    WriteFile(Join(show_, "keep/deeper/more.txt"), "mine too");
    WriteFile(Join(show_, "stray.txt"), "not in the torrent");
    QDir().mkpath(config_);
  }
  test::CliRun Check(const std::string& torrent, const QStringList& extra) {
    WriteFile(torrent_, torrent);
    return test::RunCli(QStringList{"check", torrent_, show_, "--delete-unneeded", "--delete-when-incomplete",
                                    "--no-backups", "--report", Join(root_.path(), "r.log")} + extra,
                        root_.path(), config_);
  }

  QTemporaryDir root_;
  const std::string a_ = test::RandomBytes(1000, 1);
  QString torrent_ = Join(root_.path(), "Show.torrent");
  QString show_ = Join(root_.path(), "Show");
  QString config_ = Join(root_.path(), "config");
};

// A torrent that lists no files would make every item of the folder unneeded: it is refused.
TEST_F(RefusalFaultsTest, ATorrentWithoutFilesIsRefused) {
  const std::string info = test::BDict({{"files", test::BList({})},
                                        {"name", test::BStr("Show")},
                                        {"piece length", test::BInt(16384)},
                                        {"pieces", test::BStr("")}});
  const test::Tree before = test::SnapshotTree(show_);
  const test::CliRun run = Check(test::BDict({{"info", info}}), {});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_TRUE(run.err.contains("lists no files")) << run.err.toStdString();
  EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(show_)), "");
}

// An ignored folder is protected however its value ends: "keep", "keep/" and "keep//".
TEST_F(RefusalFaultsTest, AnIgnoredFolderIsKeptWithOrWithoutItsTrailingSeparator) {
  const std::string torrent = test::BuildMultiFileTorrent("Show", {{{"a.bin"}, 1000, ""}}, 16384,
                                                          test::PiecesFor(a_, 16384));
  for (const QString value : {"keep", "keep/", "keep//"}) {
    SCOPED_TRACE(value.toStdString());
    WriteFile(Join(show_, "stray.txt"), "not in the torrent");
    const test::CliRun run = Check(torrent, {"--ignore", value});
    EXPECT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(test::ReadFile(Join(show_, "keep/notes.txt")), "mine");
    EXPECT_EQ(test::ReadFile(Join(show_, "keep/deeper/more.txt")), "mine too");
    EXPECT_FALSE(QFile::exists(Join(show_, "stray.txt"))) << "what is not ignored still goes";
  }
}

}  // namespace
}  // namespace zandrel
