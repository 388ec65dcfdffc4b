#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/file_system.h"
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

}  // namespace
}  // namespace zandrel
