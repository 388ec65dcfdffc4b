// Creators that do not sort dictionary keys: every torrent is read into the same model as its
// canonical twin (the same keys, sorted), in both modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "check/check_run.h"
#include "messages/message_table.h"
#include "tests/support/bencode.h"
#include "tests/torrent/read_helper.h"

namespace zandrel {
namespace {

using test::BInt;
using test::BList;
using test::BStr;
using Pairs = std::vector<std::pair<std::string, std::string>>;

// A dictionary with its keys as listed, or sorted for the canonical twin.
std::string Dict(bool canonical, Pairs pairs) {
  if (canonical) std::sort(pairs.begin(), pairs.end());
  return test::BDict(pairs);
}

std::string Path(std::initializer_list<std::string> components) {
  std::vector<std::string> items;
  for (const std::string& c : components) items.push_back(BStr(c));
  return BList(items);
}

const std::string kPieces = test::RandomBytes(60, 7);

std::string Files(bool canonical) {
  return BList({Dict(canonical, {{"path", Path({"d", "a.bin"})}, {"length", BInt(20)}}),
                Dict(canonical, {{"path", Path({".pad", "12"})}, {"length", BInt(12)}, {"attr", BStr("p")}}),
                Dict(canonical, {{"sha1", BStr(std::string(20, 's'))}, {"path", Path({"b.txt"})}, {"length", BInt(9)},
                                 {"attr", BStr("x")}}),
                Dict(canonical, {{"length", BInt(7)}, {"path", Path({"d", "e", "c"})}, {"md5sum", BStr("0123")}})});
}

struct KeyOrderCase {
  std::string name;
  std::function<std::string(bool canonical)> torrent;
};

void PrintTo(const KeyOrderCase& c, std::ostream* out) { *out << c.name; }

std::string Wrap(bool canonical, const std::string& info) {
  return Dict(canonical, {{"info", info}, {"comment", BStr("unsorted")}, {"announce", BStr("http://t.invalid/a")}});
}

const KeyOrderCase kCases[] = {
    {"PiecesBeforePieceLength",
     [](bool c) {
       return Wrap(c, Dict(c, {{"files", Files(true)}, {"name", BStr("T")}, {"pieces", BStr(kPieces)},
                               {"piece length", BInt(16)}}));
     }},
    {"NameBeforeFiles",
     [](bool c) {
       return Wrap(c, Dict(c, {{"name", BStr("T")}, {"files", Files(true)}, {"piece length", BInt(16)},
                               {"pieces", BStr(kPieces)}}));
     }},
    {"InfoKeysReversed",
     [](bool c) {
       return Wrap(c, Dict(c, {{"pieces", BStr(kPieces)}, {"piece length", BInt(16)}, {"name", BStr("T")},
                               {"files", Files(true)}}));
     }},
    {"FileDictionariesUnsorted",
     [](bool c) {
       return Wrap(c, Dict(c, {{"files", Files(c)}, {"name", BStr("T")}, {"piece length", BInt(16)},
                               {"pieces", BStr(kPieces)}}));
     }},
    {"EverythingUnsorted",
     [](bool c) {
       return Wrap(c, Dict(c, {{"pieces", BStr(kPieces)}, {"name", BStr("T")}, {"files", Files(c)},
                               {"private", BInt(1)}, {"piece length", BInt(16)}}));
     }},
    {"SingleFileLengthLast",
     [](bool c) {
       return Wrap(c, Dict(c, {{"name", BStr("one.iso")}, {"piece length", BInt(16)}, {"pieces", BStr(kPieces)},
                               {"length", BInt(48)}}));
     }},
    {"SingleFileReversed",
     [](bool c) {
       return Wrap(c, Dict(c, {{"pieces", BStr(kPieces)}, {"piece length", BInt(16)}, {"name", BStr("one.iso")},
                               {"length", BInt(48)}}));
     }},
};

std::string Describe(const test::ReadOutcome& out) {
  std::string text = std::to_string(out.ok) + " pl=" + std::to_string(out.model.PieceLength) +
                     " pieces=" + std::to_string(out.model.PieceCount()) + " pad=" + std::to_string(out.model.PadBefore);
  for (const TorrentFileEntry& e : out.model.TorrentFiles) {
    text += " [" + test::PortablePath(e).toStdString() + " " + std::to_string(e.Length) + " +" +
            std::to_string(e.PadAfter) + "]";
  }
  for (const Sha1Digest& d : out.model.PieceHashes) text += " " + HexDigest(d).left(8).toStdString();
  QStringList ignored;
  for (const char* key : {"d", "d/a.bin", "d/e", "d/e/c", "b.txt", "one.iso", ".pad", ".pad/12"}) {
    if (out.ignore_list.IsPresent(test::NativePath(key))) ignored << QString::fromUtf8(key);
  }
  return text + " ignore: " + ignored.join(',').toStdString();
}

class KeyOrderTest : public ::testing::TestWithParam<KeyOrderCase> {};

TEST_P(KeyOrderTest, ReadsAsItsCanonicalTwin) {
  const test::TorrentReadHelper reader;
  for (const test::ReadAs mode : {test::ReadAs::kModel, test::ReadAs::kIgnoreList}) {
    const test::ReadOutcome twin = reader.Read(GetParam().torrent(true), mode);
    const test::ReadOutcome unsorted = reader.Read(GetParam().torrent(false), mode);
    ASSERT_TRUE(twin.ok);
    EXPECT_EQ(Describe(unsorted), Describe(twin)) << "mode " << static_cast<int>(mode);
    if (mode == test::ReadAs::kModel) {
      EXPECT_EQ(twin.model.PieceCount(), 3);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, KeyOrderTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<KeyOrderCase>& info) { return info.param.name; });

// The fault that mattered: with the pieces before the piece length a corrupt byte went unseen.
TEST(KeyOrderCheckTest, CorruptByteFailsItsPieceWhateverTheKeyOrder) {
  QTemporaryDir root;
  const QString dl = test::Join(root.path(), "Show");
  const std::string a = test::RandomBytes(40, 1), b = test::RandomBytes(24, 2);
  const std::string pieces = test::PiecesFor(a + b, 16);
  test::WriteFile(test::Join(dl, "a.bin"), a);
  std::string damaged = b;
  damaged[10] ^= 0x55;  // in piece #4 (bytes 48-63)
  test::WriteFile(test::Join(dl, "b.bin"), damaged);
  const std::string files = BList({Dict(false, {{"path", Path({"a.bin"})}, {"length", BInt(40)}}),
                                   Dict(false, {{"path", Path({"b.bin"})}, {"length", BInt(24)}})});
  const test::TorrentReadHelper reader;
  test::ReadOutcome read = reader.Read(Wrap(false, Dict(false, {{"pieces", BStr(pieces)}, {"name", BStr("Show")},
                                                                  {"piece length", BInt(16)}, {"files", files}})));
  ASSERT_TRUE(read.ok);
  MessageTable messages(test::Join(root.path(), "lang"));
  EngineState engine(messages);
  engine.model = read.model;
  CheckInputs inputs = test::PlainInputs(root.path(), dl);
  inputs.options.HashCheck = 1;
  test::RecordingWindow window;
  RunCheck(engine, inputs, window);
  const QStringList lines = test::ReadReportLines(inputs.report_path);
  EXPECT_TRUE(lines.contains("Piece #4 - SHA1 hash failed. This affects the following files:")) << lines.join('\n').toStdString();
  EXPECT_FALSE(lines.contains("File integrity check passed - all files are OK.")) << lines.join('\n').toStdString();
}

}  // namespace
}  // namespace zandrel
