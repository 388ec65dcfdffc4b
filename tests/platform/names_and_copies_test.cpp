// Names from disk kept byte for byte, the synced copy, and the per-user data folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>
#include <atomic>

#include "platform/data_folder.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"
#include "platform/native_name.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::ReadFile;
using test::WriteFile;

TEST(NativeName, EveryByteSequenceSurvivesTheRoundTrip) {
  const struct {
    QByteArray bytes;
    QString shown;  // as a person reads it
  } cases[] = {
      {"plain.txt", "plain.txt"},
      {"caf\xc3\xa9.txt", QString::fromUtf8("caf\xc3\xa9.txt")},
      {"bad\xffname", QString("bad") + QChar(0xFFFD) + "name"},                 // Latin-1 byte
      {"caf\xe9", QString("caf") + QChar(0xFFFD)},                                // cut sequence at the end
      {"\xef\xbb\xbfname.txt", QString(QChar(0xFEFF)) + "name.txt"},             // leading U+FEFF kept
      {"\xc0\xaf", QString(2, QChar(0xFFFD))},                                     // overlong "/"
      {"\xed\xb3\xbf", QString(3, QChar(0xFFFD))},                                 // an encoded surrogate
      {"\xf0\x9f\x8e\xac.mkv", QString::fromUtf8("\xf0\x9f\x8e\xac.mkv")},       // outside the BMP
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.toHex().toStdString());
    const QString name = DecodeName(c.bytes);
    EXPECT_EQ(EncodeName(name), c.bytes);
    EXPECT_EQ(DisplayName(name), c.shown);
  }
}

TEST(NativeName, ListedNameThatIsNotUtf8CanBeMovedAndDeleted) {
  QTemporaryDir dir;
  const QByteArray raw = QFile::encodeName(dir.path()) + "/bad\xffname";
  WriteFile(Join(dir.path(), "placeholder"), "");
  FILE* file = std::fopen(raw.constData(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("latin-1", file);
  std::fclose(file);
  QString listed;
  const auto listing = ListDirectory(dir.path());
  ASSERT_TRUE(listing.has_value());
  for (const DirEntry& entry : *listing) {
    if (entry.name != "placeholder") listed = entry.name;
  }
  const QString path = Join(dir.path(), listed);
  EXPECT_EQ(FileSize(path), 7);
  ASSERT_TRUE(MoveFile(path, path + ".moved"));
  EXPECT_TRUE(PathEntryExists(path + ".moved"));
  EXPECT_TRUE(DeleteFile(path + ".moved"));
  EXPECT_EQ(ListDirectory(dir.path())->size(), 1u);
}

int64_t BlocksOnDisk(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<int64_t>(st.st_blocks) * 512 : -1;
}

TEST(SyncedCopy, CopiesThePrefixKeepsHolesAndLeavesNothingWhenItCannotFinish) {
  QTemporaryDir dir;
  const std::atomic<int> go{0}, cancel{1};
  // A sparse file: 64 MiB of holes around two stretches of data.
  const QString sparse = Join(dir.path(), "sparse.bin");
  const std::string data = test::RandomBytes(1 << 20, 1);
  {
    QFile file(sparse);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.seek(int64_t{8} << 20));
    file.write(data.data(), static_cast<qint64>(data.size()));
    ASSERT_TRUE(file.seek(int64_t{40} << 20));
    file.write(data.data(), static_cast<qint64>(data.size()));
    ASSERT_TRUE(file.resize(int64_t{64} << 20));
  }
  const int64_t trimmed = (int64_t{64} << 20) - 19;
  const QString copy = Join(dir.path(), "copy.bin");
  ASSERT_EQ(SyncedCopy(sparse, copy, trimmed, go), StepResult::kDone);
  const std::string expected = ReadFile(sparse).substr(0, static_cast<size_t>(trimmed));
  EXPECT_TRUE(ReadFile(copy) == expected);
  if (BlocksOnDisk(sparse) < (int64_t{8} << 20)) {  // the file system keeps holes at all
    EXPECT_LT(BlocksOnDisk(copy), int64_t{8} << 20);
  }
  const QString other = Join(dir.path(), "other.bin");
  EXPECT_EQ(SyncedCopy(sparse, other, trimmed, cancel), StepResult::kCancelled);
  EXPECT_EQ(FileSize(other), -1);
  EXPECT_EQ(SyncedCopy(sparse, other, (int64_t{64} << 20) + 1, go), StepResult::kFailed);  // source too short
  EXPECT_EQ(FileSize(other), -1);
  EXPECT_EQ(SyncedCopy(sparse, other, 0, go), StepResult::kDone);
  EXPECT_EQ(FileSize(other), 0);
  // Whatever appeared at the destination meanwhile is neither truncated nor removed.
  WriteFile(other, "someone's file");
  EXPECT_EQ(SyncedCopy(sparse, other, trimmed, go), StepResult::kFailed);
  EXPECT_EQ(ReadFile(other), "someone's file");
}

TEST(DataFolder, PerUserFolderIsCreatedWithItsParents) {
  QTemporaryDir dir;
  const QString work = Join(dir.path(), "download");
  WriteFile(Join(work, "a.bin"), "a");
  const QString per_user = Join(dir.path(), "home/.config/Zandrel/");
  const DataFolder data = SettleDataFolder(work, per_user);
  EXPECT_EQ(data.folder, per_user);
  EXPECT_EQ(FileSize(per_user), -2);
  EXPECT_FALSE(data.portable);
  // Only a folder that cannot be made sends the data to the working directory.
  const DataFolder blocked = SettleDataFolder(work, Join(work, "a.bin/Zandrel/"));
  EXPECT_EQ(blocked.folder, work + "/");
}

}  // namespace
}  // namespace zandrel
