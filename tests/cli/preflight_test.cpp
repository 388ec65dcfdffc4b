// The refusals both front ends make before a run, driven through zandrel-cli: each leaves every
// byte below the test's folder as it was. The window's side is in tests/gui.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <unistd.h>

#include "platform/folder_lock.h"
#include "tests/cli/cli_support.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

using test::kEveryChange;

class PreflightTest : public ::testing::Test {
 protected:
  PreflightTest() {
    test::WriteFiles(show_, test::WriteShowTorrent(torrent_));
    QDir().mkpath(config_);
  }
  test::CliRun Check(const QStringList& extra, const QString& dir = {}) {
    return test::RunCli(QStringList{"check", torrent_, dir.isEmpty() ? show_ : dir} + extra, root_.path(), config_);
  }

  QTemporaryDir root_;
  QString torrent_ = Join(root_.path(), "Show.torrent");
  QString show_ = Join(root_.path(), "Show");
  QString config_ = Join(root_.path(), "config");
};

TEST_F(PreflightTest, RefusalsChangeNothing) {
  WriteFile(Join(root_.path(), "notes.txt"), "the user's own notes");
  WriteFile(Join(show_, "stray.txt"), "not in the torrent");
  ASSERT_TRUE(QFile::link(show_, Join(root_.path(), "alias")));
  const QString report = Join(root_.path(), "r.log");
  const struct {
    QStringList args;
    QString message;
  } cases[] = {
      {{"--report", Join(show_, "r.log")}, "it would be inside the download directory"},
      {{"--report", Join(root_.path(), "alias/Docs/r.log")}, "it would be inside the download directory"},
      {{"--report", torrent_}, "is the torrent file"},
      {{"--report", Join(root_.path(), "notes.txt")}, "not a report of this program"},
      {{"--report", Join(root_.path(), "no/such/folder/r.log")}, "no such folder"},
      {{"--report", report, "--ignore", "../notes.txt"}, "../notes.txt: lies outside the download directory"},
      {{"--report", report, "--ignore", Join(root_.path(), "notes.txt")}, "lies outside the download directory"},
  };
  const test::Tree before = test::SnapshotTree(root_.path());
  for (const auto& c : cases) {
    const test::CliRun run = Check(kEveryChange + c.args);
    EXPECT_EQ(run.exit_code, 2) << c.args.join(' ').toStdString();
    EXPECT_TRUE(QString::fromUtf8(run.err).contains(c.message)) << run.err.toStdString();
    EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(root_.path())), "") << c.args.join(' ').toStdString();
  }
}

TEST_F(PreflightTest, ASecondRunOfAFolderIsRefusedWhileTheFirstHoldsIt) {
  const QString backups = Join(root_.path(), "backups");
  QDir().mkpath(backups);
  const QString report = Join(root_.path(), "r.log");
  for (const QString& held : {show_, backups}) {
    FolderLock lock;  // what a running check holds
    ASSERT_EQ(lock.Acquire(held), FolderLock::Outcome::kLocked);
    const test::Tree before = test::SnapshotTree(root_.path());
    const test::CliRun run = Check({"--trim-padded-files", "--backup-dir", backups, "--report", report});
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_TRUE(run.err.contains(": a check of this folder is already running")) << run.err.toStdString();
    EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(root_.path())), "");
  }
  // Let go, the folder is free again.
  EXPECT_EQ(Check({"--backup-dir", backups, "--report", report}).exit_code, 0);
}

TEST_F(PreflightTest, TwoTrimsStartedTogetherLeaveTheOriginalBackedUp) {
  const std::string padded = test::ReadFile(Join(show_, "b.bin")) + std::string(20000, 'p');
  WriteFile(Join(show_, "b.bin"), padded);
  QProcess first, second;
  const QStringList common = {"check", torrent_, show_, "--trim-padded-files", "--report"};
  for (QProcess* p : {&first, &second}) {
    p->setProgram(ZANDREL_CLI_PATH);
    p->setWorkingDirectory(root_.path());
  }
  first.setArguments(common + QStringList{Join(root_.path(), "1.log")});
  second.setArguments(common + QStringList{Join(root_.path(), "2.log")});
  first.start();
  second.start();
  ASSERT_TRUE(first.waitForFinished(60000) && second.waitForFinished(60000));
  const QList<int> codes = {first.exitCode(), second.exitCode()};
  // Either both ran one after the other (the second found nothing left to trim), or one was
  // refused; in no case is the padded original lost.
  EXPECT_TRUE(codes.contains(3)) << codes[0] << " " << codes[1];
  const QString backup = Join(show_, "[ZandrelBackup]/Show/b.bin");
  EXPECT_EQ(test::ReadFile(backup), padded);
  EXPECT_EQ(QFileInfo(Join(show_, "b.bin")).size(), 30000);
}

TEST_F(PreflightTest, ReportsAreNeverOverwrittenUnlessTheyAreReports) {
  const QString report = Join(root_.path(), "r.log");
  ASSERT_EQ(Check({"--report", report}).exit_code, 0);
  const QByteArray first = QByteArray::fromStdString(test::ReadFile(report));
  // An earlier report may be replaced by a new one.
  ASSERT_EQ(Check({"--report", report, "--log-found-files"}).exit_code, 0);
  EXPECT_NE(QByteArray::fromStdString(test::ReadFile(report)), first);
  // Two default reports of the same torrent in the same second take two names.
  const QString other = Join(root_.path(), "Other");
  for (const char* name : {"Docs/a.bin", "b.bin"}) {
    WriteFile(Join(other, name), test::ReadFile(Join(show_, name)));
  }
  QProcess one, two;
  for (auto [p, dir] : {std::pair{&one, show_}, std::pair{&two, other}}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config_);
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(root_.path());
    p->start(ZANDREL_CLI_PATH, {"check", torrent_, dir});
  }
  ASSERT_TRUE(one.waitForFinished(60000) && two.waitForFinished(60000));
  const QString printed_one = QString::fromUtf8(one.readAllStandardOutput()).section('\n', 0, 0);
  const QString printed_two = QString::fromUtf8(two.readAllStandardOutput()).section('\n', 0, 0);
  EXPECT_NE(printed_one, printed_two);
  EXPECT_TRUE(QFile::exists(printed_one) && QFile::exists(printed_two))
      << one.readAllStandardError().toStdString() << two.readAllStandardError().toStdString() << printed_one.toStdString();
}

TEST_F(PreflightTest, IgnoreValuesAreTakenRelativeToTheDownload) {
  const QStringList protected_files = {"stray.txt", "keep/kept.txt", "deep/x.txt", "abs.txt", "linked.txt"};
  for (const QString& name : protected_files) WriteFile(Join(show_, name), "the user's");
  WriteFile(Join(show_, "gone.txt"), "unneeded");
  const QString via = Join(root_.path(), "via");
  ASSERT_TRUE(QFile::link(show_, via));
  // Absolute values through a link to the download, also one naming nothing yet.
  const test::CliRun run = Check(kEveryChange + QStringList{"--report", Join(root_.path(), "r.log"),
                                                            "--ignore", "./stray.txt", "--ignore", "keep/",
                                                            "--ignore", "keep/../deep/x.txt",
                                                            "--ignore", Join(show_, "abs.txt"),
                                                            "--ignore", Join(via, "linked.txt"),
                                                            "--ignore", Join(via, "sub/not-yet.txt")});
  EXPECT_EQ(run.exit_code, 0) << run.err.toStdString();
  for (const QString& name : protected_files) EXPECT_TRUE(QFile::exists(Join(show_, name))) << name.toStdString();
  EXPECT_FALSE(QFile::exists(Join(show_, "gone.txt")));
}

// A full file system under the report: the run says so and never exits 0.
TEST_F(PreflightTest, AReportCutShortIsNeverASuccess) {
  const QString small = Join(root_.path(), "small");
  QDir().mkpath(small);
  if (getuid() != 0 || ::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=16k") != 0) {
    GTEST_SKIP() << "needs root to mount a small file system";
  }
  QFile filler(Join(small, "filler"));
  ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
  const QByteArray block(4096, 'f');
  while (filler.write(block) == block.size() && filler.flush()) {
  }
  filler.close();
  const test::CliRun run = Check({"--log-found-files", "--report", Join(small, "r.log")});
  ::umount(QFile::encodeName(small).constData());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(run.err.contains("is incomplete")) << run.err.toStdString();
  EXPECT_TRUE(run.OutLines().last().contains("The report could not be written in full")) << run.out.toStdString();
}

// Run as another user, since the superuser reads any folder.
TEST_F(PreflightTest, AnUnreadableDownloadFolderIsRefused) {
  if (getuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty()) GTEST_SKIP() << "needs root and setpriv";
  QFile::setPermissions(root_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther |
                                          QFile::ReadOther);
  QFile::setPermissions(torrent_, QFile::ReadOwner | QFile::ReadOther);
  const test::Tree before = test::SnapshotTree(root_.path());
  const QFileDevice::Permissions mode = QFile::permissions(show_);
  QFile::setPermissions(show_, QFileDevice::Permissions());
  QProcess process;
  process.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", ZANDREL_CLI_PATH, "check",
                            torrent_, show_, "--fix-missing", "--delete-unneeded", "--report", "-"});
  ASSERT_TRUE(process.waitForFinished(60000));
  QFile::setPermissions(show_, mode);
  EXPECT_EQ(process.exitCode(), 2);
  EXPECT_TRUE(process.readAllStandardError().contains(": cannot be read (Permission denied)"));
  EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(root_.path())), "");
}

}  // namespace
}  // namespace zandrel
