#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>

#include "platform/mapped_file.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

struct SumJob {
  const uint8_t* data;
  int64_t length;
  int64_t sum;
};

void Sum(void* argument) {
  SumJob& job = *static_cast<SumJob*>(argument);
  for (int64_t i = 0; i < job.length; i += 4096) job.sum += job.data[i];
}

TEST(PieceMappedFile, ReadingAPageTheFileLostGivesFalseInsteadOfACrash) {
  QTemporaryDir dir;
  const QString path = test::Join(dir.path(), "f.bin");
  test::WriteFile(path, std::string(int64_t{8} << 20, '\1'));
  ReadOnlyFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_EQ(file.Size(), int64_t{8} << 20);
  MappedRegion region = file.Map(4096, int64_t{6} << 20);
  ASSERT_TRUE(region.IsValid());
  SumJob whole{region.At(4096), int64_t{6} << 20, 0};
  EXPECT_TRUE(RunGuardingMappedReads(Sum, &whole));
  EXPECT_EQ(whole.sum, (int64_t{6} << 20) / 4096);

  ASSERT_TRUE(QFile::resize(path, int64_t{1} << 20));
  SumJob cut{region.At(4096), int64_t{6} << 20, 0};
  EXPECT_FALSE(RunGuardingMappedReads(Sum, &cut));
  // The guard is ready again, and what the file still holds reads as before.
  SumJob kept{region.At(4096), (int64_t{1} << 20) - 4096, 0};
  EXPECT_TRUE(RunGuardingMappedReads(Sum, &kept));
  EXPECT_EQ(kept.sum, 255);
  EXPECT_FALSE(RunGuardingMappedReads(Sum, &cut));
  EXPECT_EQ(file.ReadAt(0, &kept.sum, 8), 8);
  EXPECT_EQ(file.ReadAt((int64_t{1} << 20) - 4, &kept.sum, 8), 4);
}

TEST(PieceMappedFile, OnlyRegularFilesOpen) {
  QTemporaryDir dir;
  ReadOnlyFile file;
  EXPECT_FALSE(file.Open(test::Join(dir.path(), "none")));
  EXPECT_FALSE(file.Open(dir.path()));
  const QString fifo = test::Join(dir.path(), "fifo");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_FALSE(file.Open(fifo));  // and does not wait for a writer
  test::WriteFile(test::Join(dir.path(), "empty"), "");
  EXPECT_TRUE(file.Open(test::Join(dir.path(), "empty")));
  EXPECT_EQ(file.Size(), 0);
}

}  // namespace
}  // namespace zandrel
