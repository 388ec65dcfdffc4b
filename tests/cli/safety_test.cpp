// What zandrel-cli refuses before it touches anything: the tree is compared byte for byte (links
// and permissions too) before and after.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/cli/cli_support.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

using test::kEveryChange;

class SafetyTest : public ::testing::Test {
 protected:
  SafetyTest() {
    test::FileMap files = test::WriteShowTorrent(torrent_);
    files["b.bin"] += "padding";
    files["stray.txt"] = "not in the torrent";
    test::WriteFiles(show_, files);
    QDir().mkpath(config_);
  }

  test::CliRun Check(const QString& dir, const QStringList& extra) {
    return test::RunCli(QStringList{"check", torrent_, dir} + kEveryChange + extra, root_.path(), config_);
  }

  QTemporaryDir root_;
  QString torrent_ = Join(root_.path(), "Show.torrent");
  QString parent_ = Join(root_.path(), "dl");
  QString show_ = Join(parent_, "Show");
  QString config_ = Join(root_.path(), "config");
};

TEST_F(SafetyTest, NoRunWithoutAReport) {
  WriteFile(Join(root_.path(), "plain.txt"), "a file where a folder should be");
  const struct {
    QStringList args;
    QString reason;
  } cases[] = {
      {{"--report", Join(root_.path(), "no/such/dir/r.log")}, "no such folder " + Join(root_.path(), "no/such/dir")},
      {{"--report", Join(root_.path(), "plain.txt/r.log")}, "no such folder"},
      {{"--report", parent_}, "is a directory"},
  };
  const test::Tree before = test::SnapshotTree(root_.path());
  for (const auto& c : cases) {
    const test::CliRun run = Check(show_, c.args);
    EXPECT_EQ(run.exit_code, 2) << c.args.join(' ').toStdString();
    EXPECT_TRUE(QString::fromUtf8(run.err).contains(c.reason)) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << "no report path is claimed";
    EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(root_.path())), "");
  }
  // The logs folder of the data folder cannot be made: a file stands where it would go.
  WriteFile(Join(config_, "Zandrel/logs"), "not a folder");
  const test::Tree with_logs_file = test::SnapshotTree(root_.path());
  const test::CliRun run = Check(show_, {});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_TRUE(run.err.contains("report " + Join(config_, "Zandrel/logs").toUtf8())) << run.err.toStdString();
  EXPECT_EQ(test::TreeDiff(with_logs_file, test::SnapshotTree(root_.path())), "");
}

TEST_F(SafetyTest, TheFolderAboveAMultiFileDownloadIsRefused) {
  const test::Tree before = test::SnapshotTree(root_.path());
  const test::CliRun run = Check(parent_, {"--report", Join(root_.path(), "r.log")});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_TRUE(run.err.contains("the files seem to be in " + show_.toUtf8())) << run.err.toStdString();
  EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(root_.path())), "");

  // One file of the torrent in DIR is enough to take DIR as meant.
  WriteFile(Join(parent_, "b.bin"), "x");
  EXPECT_EQ(Check(parent_, {"--no-check-unneeded", "--report", Join(root_.path(), "r.log")}).exit_code, 1);
}

}  // namespace
}  // namespace zandrel
