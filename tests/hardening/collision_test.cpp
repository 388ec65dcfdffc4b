// Names the engine makes for itself must never land on a file that is already there: a trim's
// temporary copy beside a file whose name it takes, whether that file belongs to the torrent or not.
#include <QFile>

#include "platform/file_system.h"
#include "tests/hardening/fault_fixture.h"

namespace zandrel {
namespace {

using test::ReadFile;

class CollisionTest : public test::FaultFixture {};

TEST_F(CollisionTest, TrimLeavesFilesNamedLikeItsTemporaryCopyAlone) {
  options_.CheckUnneededFiles = 0;
  options_.FixMissing = 0;
  const std::string a = Put("a.bin", 20, 1);
  Put("a.bin.tmp", 7, 2);  // a file of the torrent
  const std::string b = Put("b.bin", 30, 3);
  Put("b.bin.tmp", 5, 4);  // the user's own file
  const std::string c = Put("c.bin", 9, 5);
  test::WriteFile(root_.path() + "/neighbour/c.bin.tmp", "a neighbour's file");
  ASSERT_TRUE(QFile::link(root_.path() + "/neighbour/c.bin.tmp", Dl("c.bin.tmp")));  // leads out
  AddEntry("a.bin", 10);
  AddEntry("a.bin.tmp", 7);
  AddEntry("b.bin", 12);
  AddEntry("c.bin", 4);
  const QStringList lines = Run();
  EXPECT_TRUE(lines.contains("(Fixed) Wrong file size: " + Q("a.bin") + " wrong: 20 right: 10")) << Text(lines);
  EXPECT_TRUE(lines.contains("(Fixed) Wrong file size: " + Q("b.bin") + " wrong: 30 right: 12")) << Text(lines);
  EXPECT_EQ(ReadFile(Dl("a.bin")), a.substr(0, 10));
  EXPECT_EQ(ReadFile(Dl("b.bin")), b.substr(0, 12));
  EXPECT_EQ(ReadFile(Dl("a.bin.tmp")), originals_["a.bin.tmp"]);
  EXPECT_EQ(ReadFile(Dl("b.bin.tmp")), originals_["b.bin.tmp"]);
  EXPECT_EQ(ReadFile(Dl("c.bin")), c.substr(0, 4));
  EXPECT_TRUE(IsSymLink(Dl("c.bin.tmp")));
  ExpectNoByteLost();
  ExpectNeighboursUntouched();
}

}  // namespace
}  // namespace zandrel
