#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/native_name.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

TEST(FileSystem, SizeTellsFilesDirectoriesAndNothingApart) {
  QTemporaryDir dir;
  WriteFile(Join(dir.path(), "a.bin"), std::string(1234, 'x'));
  EXPECT_EQ(FileSize(Join(dir.path(), "a.bin")), 1234);
  EXPECT_EQ(FileSize(dir.path()), -2);
  EXPECT_EQ(FileSize(Join(dir.path(), "none")), -1);
  EXPECT_EQ(FileSize(QString()), -1);
}

// The mount point of an existing path as coreutils' stat tells it ("%m").
QString MountPointByStat(const QString& path) {
  QProcess stat;
  stat.start("stat", {"--format=%m", path});
  if (!stat.waitForFinished(30000) || stat.exitCode() != 0) return {};
  return QString::fromUtf8(stat.readAllStandardOutput()).trimmed();
}

// The drive of a path is the real mount root, found by the path's own bytes: a folder whose name
// is not UTF-8 (or one that does not exist yet below it) lies on its mount like any other, and so
// does a mount point whose own name is not UTF-8 and holds a space.
TEST(FileSystem, TheDriveOfAPathWhoseNameIsNotUtf8IsItsMountRoot) {
  for (const QString& base : {QDir::tempPath(), QStringLiteral("/dev/shm")}) {
    SCOPED_TRACE(base.toStdString());
    QTemporaryDir dir(Join(base, "zandrel-drive-XXXXXX"));
    if (!dir.isValid()) continue;
    const QByteArray folder = EncodeName(dir.path()) + "/dl\xff";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const QString root = MountPointByStat(dir.path());
    ASSERT_FALSE(root.isEmpty());
    for (const QString& path : {DecodeName(folder), DecodeName(folder + "/not/there\xfe.bin")}) {
      EXPECT_EQ(DriveText(path), root);
    }
    EXPECT_GT(DriveFreeSpace(DriveText(DecodeName(folder))), 0);
    ::rmdir(folder.constData());
  }

  QTemporaryDir dir;
  const QByteArray mount_point = EncodeName(dir.path()) + "/m\xff nt";
  ASSERT_EQ(::mkdir(mount_point.constData(), 0755), 0);
  if (geteuid() != 0 || ::mount("tmpfs", mount_point.constData(), "tmpfs", 0, "size=1m") != 0) {
    ::rmdir(mount_point.constData());
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  }
  const QByteArray inside = mount_point + "/sub\xff";
  ::mkdir(inside.constData(), 0755);
  EXPECT_EQ(EncodeName(DriveText(DecodeName(inside))), mount_point);
  const int64_t free = DriveFreeSpace(DriveText(DecodeName(inside)));
  EXPECT_GT(free, 0);
  EXPECT_LE(free, int64_t{1} << 20) << "the mounted file system's space, not the one it lies on";
  ::umount(mount_point.constData());
  ::rmdir(mount_point.constData());
}

}  // namespace
}  // namespace zandrel
