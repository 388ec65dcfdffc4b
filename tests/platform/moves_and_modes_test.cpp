// Moves between volumes that must not lose what changes meanwhile, and a synced copy the disk
// did not take.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "platform/file_copy.h"
#include "platform/file_system.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::ReadFile;
using test::WriteFile;

mode_t ModeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A file moved to another volume goes only when it did not change during the copy; it keeps its
// mode either way.
TEST(MoveBetweenVolumes, TheSourceStaysWhenItChangedDuringTheCopy) {
  QTemporaryDir here;
  QTemporaryDir there(QDir("/dev/shm").filePath("zandrel-move-XXXXXX"));
  if (!there.isValid() || SameMount(here.path(), there.path())) GTEST_SKIP() << "no second file system";
  const struct {
    const char* name;
    std::function<void(const QString&)> during;  // done to the source after the copy
    MoveOutcome outcome;
    std::string appended;
  } cases[] = {
      {"unchanged", [](const QString&) {}, MoveOutcome::kMoved, ""},
      {"appended to", [](const QString& path) { WriteFile(path, ReadFile(path) + "tail"); }, MoveOutcome::kSourceChanged,
       "tail"},
      {"touched, same size",
       [](const QString& path) {
         struct utimbuf times = {1000000, 1000000};
         ::utime(QFile::encodeName(path).constData(), &times);
       },
       MoveOutcome::kSourceChanged, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString source = Join(here.path(), "log.txt");
    const QString target = Join(there.path(), "log.txt");
    QFile::remove(target);
    const std::string bytes = test::RandomBytes(300000, 4);
    WriteFile(source, bytes);
    ::chmod(QFile::encodeName(source).constData(), 0640);
    EXPECT_EQ(MoveFileChecked(source, target, [&] { c.during(source); }), c.outcome);
    if (c.outcome == MoveOutcome::kMoved) {
      EXPECT_FALSE(QFile::exists(source));
      EXPECT_EQ(ReadFile(target), bytes);
      EXPECT_EQ(ModeOf(target), 0640u);
    } else {
      EXPECT_FALSE(QFile::exists(target)) << "the copy is removed";
      EXPECT_EQ(ReadFile(source), bytes + c.appended);
      EXPECT_EQ(ModeOf(source), 0640u);
    }
  }
}

// The finished copy takes the target's name only where nothing stands: a file that appeared there
// during the copy stays, and so does the source; no temporary copy is left.
TEST(MoveBetweenVolumes, AFileThatAppearsAtTheTargetDuringTheCopyIsNeverReplaced) {
  QTemporaryDir here;
  QTemporaryDir there(QDir("/dev/shm").filePath("zandrel-move-XXXXXX"));
  if (!there.isValid() || SameMount(here.path(), there.path())) GTEST_SKIP() << "no second file system";
  const QString source = Join(here.path(), "a.bin"), target = Join(there.path(), "a.bin");
  const std::string bytes = test::RandomBytes(300000, 7);
  WriteFile(source, bytes);
  EXPECT_EQ(MoveFileChecked(source, target, [&] { WriteFile(target, "theirs"); }), MoveOutcome::kFailed);
  EXPECT_EQ(ReadFile(target), "theirs");
  EXPECT_EQ(ReadFile(source), bytes);
  EXPECT_EQ(QDir(there.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.bin"}));
}

// A disk that cannot take the copy's blocks: a file system on a loop device whose backing file
// lies on a full memory file system. Writes land in the cache; only the sync meets the error.
class UnsyncableDisk {
 public:
  UnsyncableDisk() {
    if (geteuid() != 0 || !base_.isValid()) return;
    const QString backing = Join(base_.path(), "backing"), image = Join(backing, "disk.img");
    mount_ = Join(base_.path(), "mnt");
    QDir().mkpath(backing);
    QDir().mkpath(mount_);
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=4m", "tmpfs", backing}) != 0) return;
    tmpfs_ = backing;
    QFile image_file(image);
    if (!image_file.open(QIODevice::WriteOnly) || !image_file.resize(64 << 20)) return;
    image_file.close();
    if (
        QProcess::execute("mkfs.ext4", {"-q", "-F", "-O", "^has_journal", image}) != 0 ||
        QProcess::execute("mount", {"-o", "loop,errors=continue", image, mount_}) != 0) {
      return;
    }
    mounted_ = true;
    // Fill what is left of the memory file system: new blocks of the image cannot be stored.
    QFile filler(Join(backing, "filler"));
    if (filler.open(QIODevice::WriteOnly)) {
      const QByteArray block(1 << 16, 'f');
      while (filler.write(block) == block.size()) {
      }
    }
  }
  ~UnsyncableDisk() {
    if (mounted_) QProcess::execute("umount", {mount_});
    if (!tmpfs_.isEmpty()) QProcess::execute("umount", {tmpfs_});
  }
  bool available() const { return mounted_; }
  QString Path(const QString& name) const { return Join(mount_, name); }

 private:
  QTemporaryDir base_;
  QString mount_, tmpfs_;
  bool mounted_ = false;
};

// The copy counts only once the disk has it: a failing sync fails the copy and leaves nothing.
TEST(SyncedCopy, AFailedSyncFailsTheCopyAndLeavesNothing) {
  UnsyncableDisk disk;
  if (!disk.available()) GTEST_SKIP() << "needs root, mkfs.ext4 and a loop device";
  QTemporaryDir here;
  const QString source = Join(here.path(), "big.bin");
  WriteFile(source, test::RandomBytes(8 << 20, 6));
  const std::atomic<int> never{0};
  EXPECT_EQ(SyncedCopy(source, disk.Path("copy.bin"), 8 << 20, never), StepResult::kFailed);
  EXPECT_FALSE(QFile::exists(disk.Path("copy.bin")));
  EXPECT_EQ(FileSize(source), 8 << 20);
}

}  // namespace
}  // namespace zandrel
