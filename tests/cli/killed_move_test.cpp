// A move to a backup folder on another file system that is killed halfway: no cut-off file ever
// stands under the file's own name, and the next run leaves exactly one full copy there.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/native_name.h"
#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

extern char** environ;

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

class KilledMoveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!other_.isValid() || SameMount(other_.path(), root_.path())) GTEST_SKIP() << "no second file system";
    const std::string a = test::RandomBytes(20000, 1);
    WriteFile(Join(show_, "a.bin"), a);
    WriteFile(torrent_, test::BuildMultiFileTorrent("Show", {{{"a.bin"}, 20000, ""}}, 16384, test::PiecesFor(a, 16384)));
    QDir().mkpath(config_);
  }

  QStringList Args(const QString& report) const {
    return {"check",           "--quiet", "--report", report, "--delete-unneeded", "--backup-dir", other_.path(),
            torrent_,          show_};
  }

  // The folder the stray's backup goes to, and what stands there.
  QString BackupFolder() const { return Join(other_.path(), "[ZandrelBackup]/Show"); }
  QStringList BackupNames() const { return QDir(BackupFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

  // Writes the stray: `mib` MiB that differ in every MiB.
  std::string WriteStray(int mib) {
    std::string bytes = test::RandomBytes(1 << 20, 9);
    std::string all;
    all.reserve(static_cast<size_t>(mib) << 20);
    for (int i = 0; i < mib; ++i) {
      bytes.replace(0, 8, std::to_string(100000000 + i));
      all += bytes;
    }
    WriteFile(stray_, all);
    return all;
  }

  QTemporaryDir root_;
  QTemporaryDir other_{QDir("/dev/shm").filePath("zandrel-killed-move-XXXXXX")};
  QString torrent_ = Join(root_.path(), "Show.torrent");
  QString show_ = Join(root_.path(), "Show");
  QString stray_ = Join(show_, "stray.bin");
  QString config_ = Join(root_.path(), "config");
};

// zandrel-cli started without waiting for it.
pid_t StartCli(const QStringList& args, const QString& config_home) {
  std::vector<QByteArray> items{ZANDREL_CLI_PATH};
  for (const QString& arg : args) items.push_back(arg.toUtf8());
  std::vector<char*> argv;
  for (QByteArray& item : items) argv.push_back(item.data());
  argv.push_back(nullptr);
  std::vector<QByteArray> env_items{"XDG_CONFIG_HOME=" + config_home.toUtf8()};
  for (char** entry = environ; *entry; ++entry) {
    if (!QByteArray(*entry).startsWith("XDG_CONFIG_HOME=")) env_items.push_back(*entry);
  }
  std::vector<char*> envp;
  for (QByteArray& item : env_items) envp.push_back(item.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

// A run killed while it copies a large stray to the backup folder on another file system leaves no
// partial file under the stray's name (only its temporary copy), and the stray where it was. The
// rerun removes that leftover and leaves one full copy under the stray's own name, not a second
// one beside a cut-off first.
TEST_F(KilledMoveTest, ARunKilledWhileCopyingLeavesNoPartialFileAndTheRerunExactlyOneCopy) {
  QDir().mkpath(BackupFolder());
  std::string bytes;
  bool caught = false;
  // Each try stops the run the moment its copy appears; a machine fast enough to finish the copy
  // before that gets a larger stray next time.
  for (int mib = 256; mib <= 1024 && !caught; mib *= 2) {
    SCOPED_TRACE(mib);
    for (const QString& name : BackupNames()) QFile::remove(Join(BackupFolder(), name));
    QFile::remove(Join(root_.path(), "r1.log"));
    bytes = WriteStray(mib);
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(BackupFolder()).constData(), IN_CREATE), 0);
    const pid_t pid = StartCli(Args(Join(root_.path(), "r1.log")), config_);
    ASSERT_GT(pid, 0);
    pollfd ready{watch, POLLIN, 0};
    const bool created = ::poll(&ready, 1, 120000) == 1;
    ::kill(pid, SIGSTOP);
    ::close(watch);
    ASSERT_TRUE(created) << "the run never copied the stray";
    // Halfway: the stray is still there and less than all of it has been copied.
    int64_t copied = 0;
    for (const QString& name : BackupNames()) copied += FileSize(Join(BackupFolder(), name));
    caught = FileSize(stray_) == static_cast<int64_t>(bytes.size()) && copied < static_cast<int64_t>(bytes.size());
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!caught) continue;

    EXPECT_FALSE(QFile::exists(Join(BackupFolder(), "stray.bin")))
        << "a cut-off copy under the file's own name: " << BackupNames().join(", ").toStdString();
    EXPECT_EQ(BackupNames(), QStringList({"stray.bin.zandrel-move"}));
  }
  if (!caught) GTEST_SKIP() << "every copy was done before the run could be stopped";
  EXPECT_EQ(test::ReadFile(stray_), bytes) << "the killed run left the stray as it was";

  const test::CliRun rerun = test::RunCli(Args(Join(root_.path(), "r2.log")), root_.path(), config_);
  EXPECT_EQ(rerun.exit_code, 0) << rerun.err.toStdString();
  EXPECT_EQ(BackupNames(), QStringList({"stray.bin"})) << "one copy, and no leftover";
  EXPECT_TRUE(test::ReadFile(Join(BackupFolder(), "stray.bin")) == bytes) << "the copy is whole";
  EXPECT_FALSE(QFile::exists(stray_));
}

// What a killed run leaves as it leaves it, also for a name so long that the temporary name had to
// be cut: the rerun removes the leftover before it copies, and the copy takes the real name.
TEST_F(KilledMoveTest, TheRerunRemovesTheLeftoverCopyOfAKilledRun) {
  const QString long_name = QString(240, u'n') + ".bin";
  const struct {
    const char* name;
    QString file;
  } cases[] = {{"short name", "stray.bin"}, {"name at the length limit", long_name}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(other_.path()).removeRecursively();
    QDir().mkpath(BackupFolder());
    const QString source = Join(show_, c.file), target = Join(BackupFolder(), c.file);
    const std::string bytes = test::RandomBytes(3 << 20, 5);
    WriteFile(source, bytes);
    const QString leftover = MoveCopyName(target);
    EXPECT_LE(EncodeName(leftover.mid(leftover.lastIndexOf('/') + 1)).size(), kMaxNameBytes);
    WriteFile(leftover, bytes.substr(0, 1 << 20));  // cut off where the run was killed
    QFile::remove(Join(root_.path(), "r.log"));

    const test::CliRun run = test::RunCli(Args(Join(root_.path(), "r.log")), root_.path(), config_);
    EXPECT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(BackupNames(), QStringList({c.file}));
    EXPECT_TRUE(test::ReadFile(target) == bytes);
    EXPECT_FALSE(QFile::exists(source));
  }
}

}  // namespace
}  // namespace zandrel
