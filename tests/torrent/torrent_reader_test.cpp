#include <gtest/gtest.h>

#include <QFileInfo>
#include <limits>

#include "tests/support/bencode.h"
#include "tests/support/v2_torrent.h"
#include "torrent/merkle_tree.h"
#include "tests/torrent/read_helper.h"

namespace zandrel::test {
namespace {

std::string Wrap(const std::string& info) { return BDict({{"announce", BStr("http://t.invalid/a")}, {"info", info}}); }

std::string Hashes(int count) {
  std::string pieces;
  for (int i = 0; i < count; ++i) pieces += Sha1(std::to_string(i));
  return pieces;
}

std::vector<QString> Paths(const TorrentModel& model) {
  std::vector<QString> paths;
  for (const auto& entry : model.TorrentFiles) paths.push_back(PortablePath(entry));
  return paths;
}

class TorrentReaderTest : public ::testing::Test {
 protected:
  TorrentReadHelper reader_;
};

TEST_F(TorrentReaderTest, SingleFileTorrent) {
  std::string pieces(20, '\0');
  for (int i = 0; i < 20; ++i) pieces[i] = static_cast<char>(i * 13 + 10);
  auto out = reader_.Read(BuildSingleFileTorrent("a.txt", 1000, 16384, pieces));
  ASSERT_TRUE(out.ok);
  ASSERT_EQ(out.model.TorrentFiles.size(), 1u);
  const auto& entry = out.model.TorrentFiles[0];
  EXPECT_EQ(entry.Name, "a.txt");
  EXPECT_EQ(entry.Dir, "");
  EXPECT_EQ(entry.Length, 1000);
  EXPECT_EQ(entry.PadAfter, 0);
  EXPECT_EQ(out.model.PieceLength, 16384);
  EXPECT_EQ(out.model.PiecesSize, 20);
  ASSERT_EQ(out.model.PieceHashes.size(), 1u);
  EXPECT_EQ(HexDigest(out.model.PieceHashes[0]), "0A1724313E4B5865727F8C99A6B3C0CDDAE7F401");
  EXPECT_EQ(out.failure, QString());
}

TEST_F(TorrentReaderTest, MultiFileEntriesInOrderWithoutTheTorrentName) {
  auto out = reader_.Read(BuildMultiFileTorrent(
      "TopName", {{{"dir", "sub", "b.bin"}, 5, ""}, {{"a.txt"}, 7, ""}, {{"dir", "c"}, 0, ""}}, 32768, Hashes(3)));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(Paths(out.model), (std::vector<QString>{"dir/sub/b.bin", "a.txt", "dir/c"}));
  EXPECT_EQ(out.model.TorrentFiles[0].Dir, NativePath("dir/sub/"));
  EXPECT_EQ(out.model.TorrentFiles[0].Name, "b.bin");
  EXPECT_EQ(out.model.TorrentFiles[1].Dir, "");
  EXPECT_EQ(out.model.TorrentFiles[2].Length, 0);
  for (const auto& entry : out.model.TorrentFiles) EXPECT_FALSE(entry.RelativePath().contains("TopName"));
  EXPECT_EQ(out.model.PieceCount(), 3);
}

TEST_F(TorrentReaderTest, UpperCaseKeysAndUtf8Components) {
  const std::string cafe = "Caf\xc3\xa9";                 // 5 bytes, 4 characters
  const std::string nihon = "\xe6\x97\xa5\xe6\x9c\xac";   // 6 bytes, 2 characters
  auto out = reader_.Read("d4:infoD5:FILESLD6:LENGTHi3e4:PATHl" + BStr(cafe) + BStr(nihon + ".txt") +
                          "eee4:NAME1:x12:PIECE LENGTHi1024e6:PIECES20:" + std::string(20, 'h') + "ee");
  ASSERT_TRUE(out.ok);
  ASSERT_EQ(out.model.TorrentFiles.size(), 1u);
  EXPECT_EQ(out.model.TorrentFiles[0].Dir, QString::fromUtf8("Café") + QChar(kSeparator));
  EXPECT_EQ(out.model.TorrentFiles[0].Name, QString::fromUtf8("日本.txt"));
  EXPECT_EQ(out.model.TorrentFiles[0].Length, 3);
  EXPECT_EQ(out.model.PieceLength, 1024);
  EXPECT_EQ(out.model.PieceHashes.size(), 1u);
}

TEST_F(TorrentReaderTest, OnlyWholePiecesAreRead) {
  auto out = reader_.Read(BuildSingleFileTorrent("a", 10, 16, Hashes(2) + "0123456789"));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.model.PiecesSize, 50);
  EXPECT_EQ(out.model.PieceHashes.size(), 2u);
  EXPECT_EQ(HexDigest(out.model.PieceHashes[1]), QString(QByteArray::fromStdString(Sha1("1")).toHex().toUpper()));
}

TEST_F(TorrentReaderTest, UnreadableFilesFailWithTheirStatus) {
  const QString error = reader_.Text(u"Status_ProcessTorrentError");
  auto not_torrent = reader_.Read("d8:announce3:urle" + std::string(100, 'x'));
  EXPECT_FALSE(not_torrent.ok);
  EXPECT_EQ(not_torrent.failure, error);
  auto empty = reader_.Read("");
  EXPECT_FALSE(empty.ok);
  EXPECT_EQ(empty.failure, error);

  ReadOutcome missing, directory;
  missing.model.TorrentFiles.resize(1);
  reader_.ReadPath(Join(QFileInfo(reader_.Path()).path(), "none.torrent"), ReadAs::kModel, missing);
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.failure, reader_.Text(u"Status_TorrentNotFound"));
  EXPECT_EQ(missing.model.TorrentFiles.size(), 1u);
  reader_.ReadPath(QFileInfo(reader_.Path()).path(), ReadAs::kModel, directory);
  EXPECT_FALSE(directory.ok);
  EXPECT_EQ(directory.failure, error);
}

TEST_F(TorrentReaderTest, InfoWithoutFilesIsAnEmptyTorrent) {
  auto out = reader_.Read(Wrap(BDict({{"name", BStr("")}})));
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(out.model.TorrentFiles.empty());
}

TEST_F(TorrentReaderTest, IgnoreListModeAddsPathsAndTheirParents) {
  ReadOutcome out;
  out.model.TorrentFiles.resize(2);
  out.model.PieceLength = 77;
  WriteFile(reader_.Path(), BuildMultiFileTorrent("T", {{{"Dir", "Sub", "b.bin"}, 1, ""}, {{"top.txt"}, 2, ""}}, 16384, Hashes(1)));
  reader_.ReadPath(reader_.Path(), ReadAs::kIgnoreList, out);
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.ignore_list.Value(NativePath("Dir/Sub/b.bin")), NativePath("Dir/Sub/b.bin"));
  EXPECT_EQ(out.ignore_list.Value("Dir"), "Dir");
  EXPECT_EQ(out.ignore_list.Value(NativePath("Dir/Sub")), NativePath("Dir/Sub"));
  EXPECT_EQ(out.ignore_list.Value("top.txt"), "top.txt");
  EXPECT_EQ(out.ignore_list.PresentCount(), 4);
  EXPECT_EQ(out.model.TorrentFiles.size(), 2u);
  EXPECT_EQ(out.model.PieceLength, 77);

  auto single = reader_.Read(BuildSingleFileTorrent("Movie.MKV", 5, 16, Hashes(1)), ReadAs::kIgnoreList);
  EXPECT_EQ(single.ignore_list.Value("Movie.MKV"), "Movie.MKV");
  // Letter case counts where the file system tells it apart.
  EXPECT_EQ(single.ignore_list.IsPresent("movie.mkv"), kFileNameCase == Qt::CaseInsensitive);
  EXPECT_EQ(single.ignore_list.PresentCount(), 1);
}

// Each read is a model of its own: nothing of the torrent read before outlives it.
TEST_F(TorrentReaderTest, PieceCountNeverOutlivesItsHashes) {
  ReadOutcome out;
  out.model.PieceLength = 512;
  out.model.PiecesSize = 40;
  out.model.PieceHashes.resize(2);
  WriteFile(reader_.Path(), Wrap(BDict({{"length", BInt(3)}, {"name", BStr("a")}})));
  reader_.ReadPath(reader_.Path(), ReadAs::kModel, out);
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.model.PieceLength, 0);  // no piece length in the file
  EXPECT_EQ(out.model.PiecesSize, 0);
  EXPECT_TRUE(out.model.PieceHashes.empty());

  // Truncated inside the pieces: refused whole, not read as the pieces before the cut.
  std::string cut = BuildSingleFileTorrent("a", 10, 16, Hashes(3));
  ASSERT_EQ(reader_.Read(cut).model.PieceCount(), 3);
  cut.resize(cut.size() - 2 - 25);
  const ReadOutcome refused = reader_.Read(cut);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.failure, reader_.Text(u"Status_ProcessTorrentError"));
  EXPECT_EQ(refused.model.PieceCount(), 0);
}

TEST_F(TorrentReaderTest, NumbersSkipBlanksTakeASignAndSaturate) {
  auto out = reader_.Read("d4:infod6:lengthi \t+42e4:name1:a12:piece lengthi+0016e6:pieces60:" + Hashes(3) + "ee");
  ASSERT_TRUE(out.ok);
  ASSERT_EQ(out.model.TorrentFiles.size(), 1u);
  EXPECT_EQ(out.model.TorrentFiles[0].Length, 42);
  EXPECT_EQ(out.model.PieceLength, 16);
  auto huge = reader_.Read("d4:infod6:lengthi99999999999999999999999e4:name1:a12:piece lengthi99999999999999999999e"
                           "6:pieces20:" + Hashes(1) + "ee");
  ASSERT_TRUE(huge.ok);
  EXPECT_EQ(huge.model.TorrentFiles[0].Length, std::numeric_limits<int64_t>::max());
  EXPECT_EQ(huge.model.PieceLength, std::numeric_limits<int64_t>::max());
}

// Lengths that no download can have would mislead every later stage (a negative length would
// make trimming cut a file to nothing): such a torrent is refused as a whole.
TEST_F(TorrentReaderTest, ImpossibleSizesRefuseTheTorrent) {
  const QString error = reader_.Text(u"Status_ProcessTorrentError");
  auto negative = reader_.Read(BuildMultiFileTorrent("T", {{{"a"}, 4, ""}, {{"b"}, -4, ""}}, 16, Hashes(1)));
  EXPECT_FALSE(negative.ok);
  EXPECT_EQ(negative.failure, error);
  EXPECT_TRUE(negative.model.TorrentFiles.empty());
  const int64_t huge = std::numeric_limits<int64_t>::max();
  auto one_huge = reader_.Read(BuildMultiFileTorrent("T", {{{"a"}, huge, ""}}, huge, Hashes(1)));
  EXPECT_TRUE(one_huge.ok);
  auto overflow = reader_.Read(BuildMultiFileTorrent("T", {{{"a"}, huge, ""}, {{"b"}, 1, ""}}, 16, Hashes(1)));
  EXPECT_FALSE(overflow.ok);
  auto no_piece_length = reader_.Read(BuildSingleFileTorrent("a", 5, 0, Hashes(1)));
  EXPECT_FALSE(no_piece_length.ok);
  auto no_pieces_at_all = reader_.Read(BuildSingleFileTorrent("a", 0, 0, ""));
  EXPECT_TRUE(no_pieces_at_all.ok);
}

TEST_F(TorrentReaderTest, HostilePathsStayInsideTheDownload) {
  auto out = reader_.Read(BuildMultiFileTorrent(
      "T",
      {{{"..", "..", "etc", "passwd"}, 1, ""},
       {{"a/b", "c\\d"}, 2, ""},
       {{"ctl\x01\x1f", "x"}, 3, ""},
       {{std::string(300, 'n') + ".mkv"}, 4, ""},
       {{"..", "."}, 5, ""},
       {{"", "e"}, 6, ""},
       {{std::string("nul\0after", 9), "f"}, 7, ""}},
      16, Hashes(2)));
  ASSERT_TRUE(out.ok);
  // "_" is also the folder of "_/e", so that file is stored beside it as "_.1".
  EXPECT_EQ(Paths(out.model), (std::vector<QString>{"etc/passwd", "ab/cd", "ctl__/x",
                                                     QString(240, 'n') + ".mkv", "_.1", "_/e", "nulafter/f"}));
  auto name = reader_.Read(BuildSingleFileTorrent("../..", 1, 16, Hashes(1)));
  ASSERT_TRUE(name.ok);
  EXPECT_EQ(Paths(name.model), std::vector<QString>{"...."});
  auto dots = reader_.Read(BuildSingleFileTorrent("..", 1, 16, Hashes(1)));
  EXPECT_EQ(Paths(dots.model), std::vector<QString>{"_"});
}

// Keys that sort before "length" (BEP 47 attributes, checksums) must not hide a file.
TEST_F(TorrentReaderTest, FileDictionariesWithKeysBeforeLength) {
  const std::string files = BList({
      BDict({{"attr", BStr("x")}, {"crc32", BStr("89abcdef")}, {"length", BInt(10)}, {"path", BList({BStr("run.sh")})}}),
      BDict({{"ed2k", BStr(std::string(16, ':'))}, {"filehash", BStr(Sha1("x"))}, {"length", BInt(20)},
             {"path", BList({BStr("b.bin")})}}),
      BDict({{"a", BInt(-5)}, {"length", BInt(30)}, {"path", BList({BStr("c.bin")})}}),
  });
  auto out = reader_.Read(Wrap(BDict({{"files", files}, {"name", BStr("T")}, {"piece length", BInt(16)}, {"pieces", BStr(Hashes(4))}})));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(Paths(out.model), (std::vector<QString>{"run.sh", "b.bin", "c.bin"}));
  EXPECT_EQ(out.model.TorrentFiles[1].Length, 20);
}

TEST_F(TorrentReaderTest, PaddingFilesBecomePadding) {
  auto out = reader_.Read(BuildMultiFileTorrent("T",
                                                {{{".pad", "0"}, 3, "p"},
                                                 {{"a.bin"}, 13, ""},
                                                 {{".pad", "1"}, 3, "p"},
                                                 {{".pad", "2"}, 4, "hp"},
                                                 {{"b.bin"}, 16, "x"},
                                                 {{".pad", "3"}, 8, "p"}},
                                                16, Hashes(3)));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(Paths(out.model), (std::vector<QString>{"a.bin", "b.bin"}));
  EXPECT_EQ(out.model.PadBefore, 3);
  EXPECT_EQ(out.model.TorrentFiles[0].PadAfter, 7);
  EXPECT_EQ(out.model.TorrentFiles[1].PadAfter, 8);
  EXPECT_EQ(out.model.TorrentFiles[1].Length, 16);
  EXPECT_EQ(out.model.PaddingPaths, (std::vector<QString>{".pad/0", ".pad/1", ".pad/2", ".pad/3"}));

  // A client that writes padding files needs them again: ignoring a torrent keeps them too.
  auto ignore = reader_.Read(BuildMultiFileTorrent("T", {{{"a.bin"}, 13, ""}, {{".pad", "1"}, 3, "p"}}, 16, Hashes(1)),
                             ReadAs::kIgnoreList);
  EXPECT_EQ(ignore.ignore_list.PresentCount(), 3);
  EXPECT_TRUE(ignore.ignore_list.IsPresent(".pad/1"));
  EXPECT_TRUE(ignore.ignore_list.IsPresent(".pad"));
}

// A path list may be followed by any key, not only by the end of the dictionary or a key of ten
// or more letters ("sha1" after "path" comes from BEP 47).
TEST_F(TorrentReaderTest, PathListFollowedByAnotherKey) {
  const std::string files = BList({
      BDict({{"length", BInt(1)}, {"path", BList({BStr("d"), BStr("a")})}, {"sha1", BStr("12:45:78901234567890")}}),
      BDict({{"length", BInt(2)}, {"path", BList({BStr("b")})}, {"symlink path", BList({BStr("x")})}}),
  });
  auto out = reader_.Read(Wrap(BDict({{"files", files}, {"name", BStr("T")}, {"piece length", BInt(16)}, {"pieces", BStr(Hashes(1))}})));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(Paths(out.model), (std::vector<QString>{"d/a", "b"}));
}

std::string V2Tree() {
  const std::string leaf = BDict({{"", BDict({{"length", BInt(9)}, {"pieces root", BStr(std::string(32, 'r'))}})}});
  return BDict({{"a.bin", leaf}, {"dir", BDict({{"b.bin", leaf}})}});
}

TEST_F(TorrentReaderTest, HybridTorrentsAreReadFromTheirV1Part) {
  // Binary v2 data that happens to hold the patterns the scan looks for.
  const std::string layers = BDict({{std::string(32, 'k'), BStr("d6:lengthi5e4:pathl1:zee:infod4:namex")}});
  const std::string info = BDict({{"file tree", V2Tree()},
                                  {"files", BList({BDict({{"length", BInt(9)}, {"path", BList({BStr("a.bin")})}}),
                                                   BDict({{"length", BInt(9)}, {"path", BList({BStr("dir"), BStr("b.bin")})}})})},
                                  {"meta version", BInt(2)},
                                  {"name", BStr("T")},
                                  {"piece length", BInt(16384)},
                                  {"pieces", BStr(Hashes(1))}});
  auto out = reader_.Read(BDict({{"info", info}, {"piece layers", layers}}));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(Paths(out.model), (std::vector<QString>{"a.bin", "dir/b.bin"}));

  const std::string single = BDict({{"file tree", BDict({{"one.bin", BDict({{"", BDict({{"length", BInt(7)}, {"pieces root", BStr(std::string(32, 'r'))}})}})}})},
                                    {"length", BInt(7)},
                                    {"meta version", BInt(2)},
                                    {"name", BStr("one.bin")},
                                    {"piece length", BInt(16384)},
                                    {"pieces", BStr(Hashes(1))}});
  auto one = reader_.Read(Wrap(single));
  ASSERT_TRUE(one.ok);
  EXPECT_EQ(Paths(one.model), std::vector<QString>{"one.bin"});
  EXPECT_EQ(one.model.TorrentFiles[0].Length, 7);
}

// A v2 file of `length` bytes with its root and, past one piece, a layer that leads to it.
struct V2File {
  std::string name;
  int64_t length;
  std::string root = std::string(32, 'r');
  std::string layer;
};

V2File WithLayer(std::string name, int64_t length, int64_t piece_length) {
  V2File file{std::move(name), length, std::string(32, 'r'), ""};
  for (int64_t i = 0; i * piece_length < length; ++i) file.layer += std::string(32, static_cast<char>('a' + i));
  const Sha256Digest root =
      PieceLayerRoot(reinterpret_cast<const uint8_t*>(file.layer.data()), length / piece_length + 1, piece_length);
  file.root.assign(root.begin(), root.end());
  return file;
}

std::string V2Torrent(const std::vector<V2File>& files, int64_t piece_length, const std::string& v1_files = "") {
  std::vector<std::pair<std::string, std::string>> tree, layers;
  for (const V2File& file : files) {
    tree.push_back({file.name, BDict({{"", BDict({{"length", BInt(file.length)}, {"pieces root", BStr(file.root)}})}})});
    if (!file.layer.empty()) layers.push_back({file.root, BStr(file.layer)});
  }
  std::vector<std::pair<std::string, std::string>> info = {{"file tree", BDict(tree)}, {"meta version", BInt(2)},
                                                            {"name", BStr("T")}, {"piece length", BInt(piece_length)}};
  if (!v1_files.empty()) {
    info.push_back({"files", v1_files});
    info.push_back({"pieces", BStr(Hashes(8))});
  }
  return BDict({{"info", BDict(info)}, {"piece layers", BDict(layers)}});
}

// A v2-only torrent's files come from its tree, spaced to whole pieces; a tree that cannot be
// trusted to verify the data is refused in both modes with the reason.
TEST_F(TorrentReaderTest, V2TreesAreReadAndRefusedWhenTheyCannotBeTrusted) {
  const int64_t kPiece = 16384;
  const V2File big = WithLayer("big.bin", 40000, kPiece);
  const V2File small{"small.bin", 100, std::string(32, 'r'), ""};
  auto out = reader_.Read(V2Torrent({big, {"empty.txt", 0, "", ""}, small}, kPiece));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(Paths(out.model), (std::vector<QString>{"big.bin", "empty.txt", "small.bin"}));
  EXPECT_TRUE(out.model.HasV2);
  EXPECT_FALSE(out.model.HasV1Pieces);
  EXPECT_EQ(out.model.PieceCount(), 4);
  EXPECT_EQ(out.model.TorrentFiles[0].PadAfter, 3 * kPiece - 40000);
  EXPECT_EQ(out.model.TorrentFiles[1].PadAfter, 0);
  EXPECT_EQ(out.model.TorrentFiles[2].PadAfter, kPiece - 100);  // libtorrent pads the last file too
  EXPECT_FALSE(out.model.TorrentFiles[1].HasPiecesRoot);
  ASSERT_EQ(out.model.LayerHashes.size(), 3u);
  EXPECT_EQ(out.model.LayerHashes[out.model.TorrentFiles[0].LayerAt + 2][0], 'c');
  EXPECT_EQ(std::string(out.model.TorrentFiles[2].PiecesRoot.begin(), out.model.TorrentFiles[2].PiecesRoot.end()),
            small.root);
  EXPECT_TRUE(out.model.Details.info_hash_v1.isEmpty());
  EXPECT_EQ(out.model.Details.info_hash_v2.size(), 64);

  V2File short_root = small;
  short_root.root.resize(31);
  V2File no_layer = big;
  no_layer.layer.clear();
  V2File short_layer = big;
  short_layer.layer.resize(64);
  V2File foreign_layer = big;
  foreign_layer.layer[0] = 'z';
  const std::string v1_files =
      BList({BDict({{"length", BInt(40000)}, {"path", BList({BStr("big.bin")})}}),
             BDict({{"attr", BStr("p")}, {"length", BInt(3 * kPiece - 40000)}, {"path", BList({BStr(".pad"), BStr("1")})}}),
             BDict({{"length", BInt(101)}, {"path", BList({BStr("small.bin")})}})});
  const struct {
    const char* what;
    std::string torrent;
    const char16_t* status;
  } refused[] = {
      {"piece length not a power of two", V2Torrent({small}, 3 * kPiece), u"Status_TorrentV2PieceLength"},
      {"piece length below 16 KiB", V2Torrent({small}, 8192), u"Status_TorrentV2PieceLength"},
      {"root of 31 bytes", V2Torrent({short_root}, kPiece), u"Status_TorrentV2PiecesRoot"},
      {"no layer", V2Torrent({no_layer}, kPiece), u"Status_TorrentV2PieceLayer"},
      {"layer of two hashes for three pieces", V2Torrent({short_layer}, kPiece), u"Status_TorrentV2PieceLayer"},
      {"layer that does not lead to the root", V2Torrent({foreign_layer}, kPiece), u"Status_TorrentV2PieceLayer"},
      {"v1 length differs", V2Torrent({big, small}, kPiece, v1_files), u"Status_TorrentV1V2Differ"},
      {"v1 lists a file the tree lacks", V2Torrent({big}, kPiece, v1_files), u"Status_TorrentV1V2Differ"},
  };
  for (const auto& row : refused) {
    SCOPED_TRACE(row.what);
    for (ReadAs mode : {ReadAs::kModel, ReadAs::kIgnoreList}) {
      auto bad = reader_.Read(row.torrent, mode);
      EXPECT_FALSE(bad.ok);
      EXPECT_EQ(bad.failure, reader_.Text(row.status));
      EXPECT_TRUE(bad.model.TorrentFiles.empty());
      EXPECT_EQ(bad.ignore_list.PresentCount(), 0);
    }
  }
}

// The root a piece layer leads to, written out in full: the layer filled up to a power of two with
// the root of a piece of zero blocks, and every pair of every level hashed, pairs of padding too.
std::string LayerRootInFull(const std::string& layer, int64_t piece_length) {
  std::string pad(32, '\0');
  for (int64_t span = 16384; span < piece_length; span *= 2) pad = Sha256(pad + pad);
  std::vector<std::string> level;
  for (size_t at = 0; at < layer.size(); at += 32) level.push_back(layer.substr(at, 32));
  size_t width = 1;
  while (width < level.size()) width *= 2;
  level.resize(width, pad);
  while (level.size() > 1) {
    std::vector<std::string> up;
    for (size_t i = 0; i < level.size(); i += 2) up.push_back(Sha256(level[i] + level[i + 1]));
    level = std::move(up);
  }
  return level.front();
}

// The same with the padding above the lowest level taken as the lowest level's padding, as a tree
// that pads every level alike would have it: a different root once the layer needs padding above
// its lowest level (five pieces: the pair after the fifth hash is padding alone).
std::string LayerRootPaddedAlike(const std::string& layer, int64_t piece_length) {
  std::string pad(32, '\0');
  for (int64_t span = 16384; span < piece_length; span *= 2) pad = Sha256(pad + pad);
  std::vector<std::string> level;
  for (size_t at = 0; at < layer.size(); at += 32) level.push_back(layer.substr(at, 32));
  while (level.size() > 1) {
    if (level.size() % 2 != 0) level.push_back(pad);
    std::vector<std::string> up;
    for (size_t i = 0; i < level.size(); i += 2) up.push_back(Sha256(level[i] + level[i + 1]));
    level = std::move(up);
  }
  return level.front();
}

// A file's piece layer is trusted only when it leads to the file's root through a whole binary
// tree: a layer of five pieces is padded with three hashes, and the node above the last two of
// them is the hash of padding. Both piece sizes, so that the padding is the root of one block and
// of a tree of blocks.
TEST_F(TorrentReaderTest, PieceLayersArePaddedAboveTheirLowestLevel) {
  for (const int64_t piece_length : {int64_t{16384}, int64_t{65536}}) {
    for (const int pieces : {2, 3, 5, 6, 9}) {
      SCOPED_TRACE(std::to_string(piece_length) + " bytes, " + std::to_string(pieces) + " pieces");
      V2File file{"f.bin", (pieces - 1) * piece_length + 100, "", ""};
      for (int i = 0; i < pieces; ++i) file.layer += Sha256("piece " + std::to_string(i));
      file.root = LayerRootInFull(file.layer, piece_length);
      auto out = reader_.Read(V2Torrent({file}, piece_length));
      ASSERT_TRUE(out.ok) << out.failure.toStdString();
      ASSERT_EQ(out.model.LayerHashes.size(), static_cast<size_t>(pieces));
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.model.LayerHashes[pieces - 1].data()), 32),
                file.layer.substr(32 * (pieces - 1)));
      EXPECT_EQ(out.model.PieceCount(), pieces);

      const std::string alike = LayerRootPaddedAlike(file.layer, piece_length);
      if (alike == file.root) continue;  // no padding above the lowest level (2 and 3 pieces)
      EXPECT_GE(pieces, 5);
      file.root = alike;
      auto refused = reader_.Read(V2Torrent({file}, piece_length));
      EXPECT_FALSE(refused.ok);
      EXPECT_EQ(refused.failure, reader_.Text(u"Status_TorrentV2PieceLayer"));
    }
  }
}

// A v2-only torrent is a single-file torrent only when its one file stands at the top of the file
// tree; one file in a folder is a torrent of several files, saved in a folder of the torrent's
// name with the file in its own folder below.
TEST_F(TorrentReaderTest, AV2TorrentOfOneFileInAFolderIsNoSingleFileTorrent) {
  const std::string leaf = BDict({{"", BDict({{"length", BInt(9)}, {"pieces root", BStr(std::string(32, 'r'))}})}});
  auto read = [&](const std::string& tree) {
    return reader_.Read(BDict({{"info", BDict({{"file tree", tree},
                                               {"meta version", BInt(2)},
                                               {"name", BStr("T")},
                                               {"piece length", BInt(16384)}})}}));
  };
  auto in_folder = read(BDict({{"Sub", BDict({{"a.bin", leaf}})}}));
  ASSERT_TRUE(in_folder.ok);
  EXPECT_FALSE(in_folder.model.SingleFile);
  EXPECT_EQ(Paths(in_folder.model), std::vector<QString>{"Sub/a.bin"});
  EXPECT_EQ(in_folder.model.TorrentFiles[0].Name, "a.bin");
  EXPECT_EQ(in_folder.model.TorrentName, "T");

  auto deeper = read(BDict({{"A", BDict({{"B", BDict({{"a.bin", leaf}})}})}}));
  ASSERT_TRUE(deeper.ok);
  EXPECT_FALSE(deeper.model.SingleFile);
  EXPECT_EQ(Paths(deeper.model), std::vector<QString>{"A/B/a.bin"});

  auto at_top = read(BDict({{"a.bin", leaf}}));
  ASSERT_TRUE(at_top.ok);
  EXPECT_TRUE(at_top.model.SingleFile);
  EXPECT_EQ(Paths(at_top.model), std::vector<QString>{"a.bin"});
}

}  // namespace
}  // namespace zandrel::test
