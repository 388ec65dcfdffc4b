// Runs over v2 torrents: every file verified by its own SHA-256 tree, the report naming the one
// file of each failed piece with the piece's place and bytes in it, and repair candidates judged
// by their tree's root. The trees come from the tests' own tree code, so a fault in the engine's
// cannot hide behind the same fault in the expectation.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <cstring>

#include "tests/check/run_fixture.h"
#include "tests/support/v2_torrent.h"

namespace zandrel {
namespace {

constexpr int64_t kPiece = 32768;

class V2CheckTest : public test::RunFixture {
 protected:
  V2CheckTest() {
    engine_.model.HasV2 = true;
    engine_.model.HasV1Pieces = false;
    engine_.model.PieceLength = kPiece;
    inputs_.options.HashCheck = 1;
  }

  // An entry with its root and layer, its bytes on disk unless on_disk is false.
  std::string AddV2(const QString& relative, int64_t length, uint32_t seed, bool on_disk = true) {
    const std::string bytes = AddEntry(relative, length, on_disk ? length : -1, seed);
    const std::string data = on_disk ? bytes : test::RandomBytes(static_cast<size_t>(length), seed);
    TorrentFileEntry& entry = engine_.model.TorrentFiles.back();
    entry.PadAfter = (kPiece - length % kPiece) % kPiece;
    if (length == 0) return data;
    // Roots and layers as a creator computes them, from the test's own tree code.
    const test::V2Torrent made = test::MakeV2Torrent({{{"f"}, data}}, kPiece);
    const std::string& root = made.roots[0];
    const std::string& layer = made.layers[0];
    if (!layer.empty()) entry.LayerAt = static_cast<int64_t>(engine_.model.LayerHashes.size());
    for (size_t at = 0; at < layer.size(); at += 32) {
      std::memcpy(engine_.model.LayerHashes.emplace_back().data(), layer.data() + at, 32);
    }
    entry.HasPiecesRoot = true;
    std::memcpy(entry.PiecesRoot.data(), root.data(), 32);
    return data;
  }

  static std::string Flipped(std::string bytes, size_t at) {
    bytes.replace(at, 1, 1, static_cast<char>(bytes.at(at) ^ 0x40));
    return bytes;
  }
  QString Failed(int piece, int file_piece, int64_t first, int64_t last) const {
    return QString("Piece #%1 - SHA256 hash failed. It is piece #%2 of the following file, bytes %3 to %4:")
        .arg(piece).arg(file_piece).arg(first).arg(last);
  }
};

// Pieces are numbered over the files as clients lay them out: each non-empty file starts a piece,
// an empty one takes none. A flipped byte in the first, a middle and the short last piece of a
// file, and a damaged file of less than one piece, each fail exactly their own piece.
TEST_F(V2CheckTest, EachFailedPieceNamesItsOneFileWithItsPlaceAndBytes) {
  const std::string big = AddV2("a/big.bin", 3 * kPiece + 5000, 1);
  AddV2("a/empty.txt", 0, 2);
  const std::string small = AddV2("small.bin", 20000, 3);
  AddV2("tail.bin", kPiece, 4);
  QStringList lines = Run();
  ASSERT_EQ(lines.mid(lines.indexOf("Pieces: (6) - Piece size: (32768)")),
            QStringList({"Pieces: (6) - Piece size: (32768)", "", "File integrity check passed - all files are OK."}));
  EXPECT_EQ(result_.status_text, "Torrent check was successful! No errors found.");

  std::string damaged = Flipped(Flipped(Flipped(big, 7), 2 * kPiece + 1), 3 * kPiece + 4999);
  test::WriteFile(Path("a/big.bin"), damaged);
  test::WriteFile(Path("small.bin"), Flipped(small, 19999));
  lines = Run();
  const QStringList expected = {"Pieces: (6) - Piece size: (32768)", "",
                                Failed(1, 1, 0, kPiece - 1), Q("a/big.bin"), "",
                                Failed(3, 3, 2 * kPiece, 3 * kPiece - 1), Q("a/big.bin"), "",
                                Failed(4, 4, 3 * kPiece, 3 * kPiece + 4999), Q("a/big.bin"), "",
                                Failed(5, 1, 0, 19999), Q("small.bin"), "",
                                // Counted in files, as a v1 check counts them: 2 of the 4 are
                                // in a failed piece.
                                "Potentially bad files: (2/4) - torrent is 50.0% complete."};
  EXPECT_EQ(lines.mid(lines.indexOf(expected.front())), expected);
  EXPECT_EQ(result_.status_text, "Error. SHA256 hash check failed: Torrent is 50.0% complete.");
}

// A missing file fails its pieces and names itself; a file that is too long is verified over the
// torrent's length only, as clients do.
TEST_F(V2CheckTest, MissingAndLongerFilesAreJudgedByTheirOwnPieces) {
  AddV2("gone.bin", kPiece + 1, 5, false);
  const std::string kept = AddV2("long.bin", 100, 6);
  test::WriteFile(Path("long.bin"), kept + "surplus");
  const QStringList lines = Run();
  const QStringList expected = {Failed(1, 1, 0, kPiece - 1), Q("gone.bin"), "", Failed(2, 2, kPiece, kPiece),
                                Q("gone.bin"), ""};
  EXPECT_EQ(lines.mid(lines.indexOf(expected.front()), expected.size()), expected);
  EXPECT_FALSE(lines.join('\n').contains("long.bin\"\n\n"));
}

// A missing file is rebuilt from the one file whose tree has its root, whatever that file is
// called; a file of the same size with other bytes is named and left alone.
TEST_F(V2CheckTest, RepairTakesTheCandidateWhoseRootIsTheEntrysWhateverItsName) {
  inputs_.options.HashCheck = 0;
  inputs_.options.FixMissing = 1;
  const std::string wanted = AddV2("show/ep1.mkv", 2 * kPiece + 10, 7, false);
  const std::string other = test::RandomBytes(wanted.size(), 8);
  test::WriteFile(Path("aaa.bin"), other);
  QStringList lines = Run();
  EXPECT_TRUE(lines.contains("Not used to fix missing file (its content differs: its hash tree root is not the "
                             "file's \"pieces root\"): " + Q("aaa.bin") + " for destination: " + Q("show/ep1.mkv")));
  EXPECT_FALSE(QFileInfo::exists(Path("show/ep1.mkv")));
  test::WriteFile(Path("zzz/renamed.bin"), wanted);
  lines = Run();
  EXPECT_TRUE(lines.contains("Fixed missing file: " + Q("zzz/renamed.bin") + " to destination: " + Q("show/ep1.mkv")));
  EXPECT_EQ(test::ReadFile(Path("show/ep1.mkv")), wanted);
  EXPECT_EQ(test::ReadFile(Path("aaa.bin")), other);
}

}  // namespace
}  // namespace zandrel
