// Crafted torrents with what the reader must make of them, each then checked with every deleting,
// trimming and repair option on: nothing outside the download folder may change.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <limits>

#include "platform/file_system.h"
#include "messages/failure_text.h"
#include "tests/hardening/hostile_run.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"
#include "tests/support/v2_torrent.h"
#include "torrent/torrent_reader.h"

namespace zandrel::test {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
const std::string kHuge = "i99999999999999999999e";

struct ExpectedRead {
  int result = 0;
  std::vector<std::pair<QString, int64_t>> entries;  // "/"-separated relative path, length
  int64_t pieces = 0;
  int64_t piece_length = 0;
  int64_t v1_hashes = -1;  // -1: one per piece (a v2-only torrent has none)
};

struct HostileCase {
  std::string name;
  std::function<std::string()> bytes;
  std::function<ExpectedRead()> expected;
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.name; }

std::string Hashes(int count) { return std::string(20 * static_cast<size_t>(count), 'h'); }

// Pieces of 4096 bytes, so that two hashes cover every crafted multi-file torrent and one every
// single file of up to 4096 bytes: a torrent short of hashes is refused.
constexpr int64_t kPiece = 4096;

std::string Multi(const std::vector<TorrentFileItem>& files, int pieces = 2, const std::string& name = "T") {
  return BuildMultiFileTorrent(name, files, kPiece, Hashes(pieces));
}

std::string Single(const std::string& name, int64_t length, int64_t piece_length = kPiece, int pieces = 1) {
  return BuildSingleFileTorrent(name, length, piece_length, Hashes(pieces));
}

// An info dictionary written from raw key/value bytes, for values the writer cannot express.
std::string RawInfo(const std::string& info_body) { return "d8:announce3:url4:infod" + info_body + "ee"; }

ExpectedRead Accepted(std::vector<std::pair<QString, int64_t>> entries, int64_t pieces = 2, int64_t piece_length = kPiece) {
  return {1, std::move(entries), pieces, piece_length};
}

ExpectedRead Refused() { return {}; }

std::vector<std::string> Repeated(const std::string& component, int count, const std::string& last = "") {
  std::vector<std::string> path(static_cast<size_t>(count), component);
  if (!last.empty()) path.push_back(last);
  return path;
}

QString RepeatedPath(const QString& component, int count, const QString& last) {
  QString path;
  path.reserve((component.size() + 1) * count + last.size());
  for (int i = 0; i < count; ++i) path += component + u'/';
  return path + last;
}

const std::string kE = "\xC3\xA9";  // é, two bytes

std::string TimesBytes(const std::string& text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text;
  return out;
}

std::string FilesList(const std::string& path, int64_t length) {
  return "5:filesl" + BDict({{"length", BInt(length)}, {"path", BList({BStr("deep"), BStr(path)})}}) + "e";
}

// A small sound v2 torrent (a file of three pieces with its piece layer, an empty one, one of two
// bytes) with one part spoiled.
std::string V2(const std::function<void(V2Torrent&)>& spoil, bool hybrid = false) {
  V2Torrent t = MakeV2Torrent(
      {{{"a.bin"}, std::string(40000, 'a')}, {{"c"}, ""}, {{"d", "b.bin"}, "bb"}}, 16384, hybrid);
  spoil(t);
  return t.Build();
}

// A v2 file tree that nests depth folders before its one file; written flat, as the writer would
// recurse as deep.
std::string DeepV2Tree(int depth) {
  std::string tree = "d";
  for (int i = 0; i < depth; ++i) tree += "1:dd";
  tree += "5:b.bind0:d6:lengthi2e11:pieces root32:" + std::string(32, 'r') + "ee";
  return RawInfo("9:file tree" + tree + std::string(static_cast<size_t>(depth) + 1, 'e') +
                 "12:meta versioni2e4:name1:T12:piece lengthi16384e");
}

// What each crafted torrent must read as. Paths are cleaned component by component: ".." and "."
// dropped, separators removed, empty components and empty paths made "_", long components cut to
// 240 bytes keeping a short extension.
const HostileCase kCases[] = {
    {"DotDotComponents",
     [] {
       return Multi({{{"..", "..", "etc", "passwd"}, 11, ""},
                     {{"a", "..", "..", "b.bin"}, 5, ""},
                     {{"..", ".."}, 4, ""},
                     {{"..", "sibling", "secret.bin"}, 3000, ""}},
                    2, "../..");
     },
     [] {
       return Accepted({{"etc/passwd", 11}, {"a/b.bin", 5}, {"_", 4}, {"sibling/secret.bin", 3000}});
     }},
    {"DotComponents",
     [] {
       return Multi({{{".", "x.bin"}, 3, ""}, {{".", "."}, 2, ""}, {{"sub", ".", "y"}, 1, ""}, {{"..."}, 6, ""}});
     },
     [] {
       return Accepted({{"x.bin", 3}, {"_", 2}, {"sub/y", 1}, {"...", 6}});
     }},
    {"AbsolutePaths",
     [] {
       return Multi({{{"", "etc", "passwd"}, 10, ""},
                     {{"/", "etc", "shadow"}, 10, ""},
                     {{"/etc/passwd"}, 12, ""},
                     {{"/", "/", "/"}, 1, ""}});
     },
     [] {
       return Accepted({{"_/etc/passwd", 10}, {"_/etc/shadow", 10}, {"etcpasswd", 12}, {"_/_/_", 1}});
     }},
    {"SeparatorsInsideComponents",
     [] {
       return Multi({{{"a/../../b"}, 1, ""},
                     {{"..\\..\\x"}, 2, ""},
                     {{"sub", "../../../sibling/secret.bin"}, 3, ""},
                     {{"\\"}, 4, ""},
                     {{"..\\"}, 5, ""},
                     {{".\xE2\x80\xAE.", "x"}, 6, ""},
                     {{std::string("..\0/etc", 7)}, 7, ""}});
     },
     [] {
       return Accepted({{"a....b", 1},
                        {"....x", 2},
                        {"sub/......siblingsecret.bin", 3},
                        {"_", 4},
                        {"_.1", 5},
                        {"x", 6},
                        {"..etc", 7}});
     }},
    {"SingleFileNamedDotDot", [] { return Single("..", 5); },
     [] {
       return Accepted({{"_", 5}}, 1);
     }},
    {"SingleFileNamedDot", [] { return Single(".", 5); },
     [] {
       return Accepted({{"_", 5}}, 1);
     }},
    {"SingleFileAbsoluteName", [] { return Single("/etc/passwd", 5); },
     [] {
       return Accepted({{"etcpasswd", 5}}, 1);
     }},
    {"SingleFileTraversalName", [] { return Single("../../sibling/secret.bin", 3000); },
     [] {
       return Accepted({{"....siblingsecret.bin", 3000}}, 1);
     }},
    // Paths that are harmless as text but lead through links the download folder holds.
    {"MixedThroughLinks",
     [] {
       return Multi({{{"..", "link", "secret.bin"}, 100, ""},
                     {{"..", "rlink", "passwd"}, 5, ""},
                     {{"link", "new.bin"}, 7, ""},
                     {{"filelink"}, 3, ""},
                     {{"link", "nested", "deep.bin"}, 10, ""},
                     {{".", "etclink", "passwd"}, 50, ""},
                     {{"junk", "uplink", "secret.bin"}, 20, ""},
                     {{"deadlink", "x"}, 4, ""},
                     {{"link"}, 1, ""}},
                    2, "..");
     },
     [] {
       return Accepted({{"link/secret.bin", 100},
                        {"rlink/passwd", 5},
                        {"link/new.bin", 7},
                        {"filelink", 3},
                        {"link/nested/deep.bin", 10},
                        {"etclink/passwd", 50},
                        {"junk/uplink/secret.bin", 20},
                        {"deadlink/x", 4},
                        {"link.1", 1}});
     }},
    // Paths into the backup folder a run keeps in the download folder, and past it.
    {"IntoTheBackupFolder",
     [] {
       return Multi({{{"[ZandrelBackup]", "dl", "x.bin"}, 5, ""},
                     {{"[zandrelbackup]", "dl", "..", "..", "..", "sibling", "y.bin"}, 4, ""},
                     {{"[ZandrelBackup]"}, 3, ""},
                     {{"[ZandrelBackup]", "dl", "spare", "2.bin"}, 9, ""}});
     },
     [] {
       return Accepted({{"[ZandrelBackup]/dl/x.bin", 5},
                        {"[zandrelbackup]/dl/sibling/y.bin", 4},
                        {"[ZandrelBackup].1", 3},
                        {"[ZandrelBackup]/dl/spare/2.bin", 9}});
     }},
    {"NamesOfTenThousandBytes",
     [] {
       return Multi({{{std::string(10000, 'n') + ".mkv"}, 6, ""},
                     {{std::string(10000, 'd'), "f.bin"}, 7, ""},
                     {{TimesBytes(kE, 5000)}, 8, ""},
                     {{"a." + std::string(9998, 'x')}, 9, ""}});
     },
     [] {
       return Accepted({{QString(240, 'n') + ".mkv", 6},
                        {QString(240, 'd') + "/f.bin", 7},
                        {QString(120, QChar(0xE9)), 8},
                        {"a." + QString(238, 'x'), 9}});
     }},
    {"HundredThousandComponents",
     [] {
       return Multi({{Repeated("a", 100000, "f.bin"), 9, ""},
                     {{"short.bin"}, 4, ""},
                     {Repeated("b", 100000, "g.bin"), 11, ""},
                     {Repeated("c", 100000, "h.bin"), 12, ""}});
     },
     [] {
       return Accepted({{RepeatedPath("a", 100000, "f.bin"), 9},
                        {"short.bin", 4},
                        {RepeatedPath("b", 100000, "g.bin"), 11},
                        {RepeatedPath("c", 100000, "h.bin"), 12}});
     }},
    {"HundredThousandDotDots",
     [] {
       return Multi({{Repeated("..", 100000, "x.bin"), 5, ""}, {Repeated(".", 100000), 6, ""}});
     },
     [] {
       return Accepted({{"x.bin", 5}, {"_", 6}});
     }},
    {"NegativeLengthInAList",
     [] {
       return Multi({{{"a"}, 4, ""}, {{"b"}, -5, ""}});
     },
     Refused},
    {"NegativeLengthOfASingleFile", [] { return Single("a", -5); }, Refused},
    {"HugeLength",
     [] { return RawInfo("6:length" + kHuge + "4:name7:big.bin12:piece length" + kHuge + "6:pieces20:" + Hashes(1)); },
     [] {
       return Accepted({{"big.bin", kMax}}, 1, kMax);
     }},
    {"FewerHashesThanPieces",
     [] { return RawInfo("6:length" + kHuge + "4:name7:big.bin12:piece lengthi16e6:pieces20:" + Hashes(1)); },
     Refused},
    {"HugeLengthsOverflowTogether",
     [] {
       return RawInfo("5:filesld6:length" + kHuge + "4:pathl1:aeed6:length" + kHuge +
                      "4:pathl1:beee4:name1:T12:piece lengthi16e6:pieces20:" + Hashes(1));
     },
     Refused},
    {"HugeNegativeLength",
     [] { return RawInfo("6:lengthi-99999999999999999999e4:name1:a12:piece lengthi16e6:pieces20:" + Hashes(1)); },
     Refused},
    {"PieceLengthZero", [] { return Single("a", 5, 0); }, Refused},
    {"PieceLengthZeroWithoutPieces", [] { return BuildSingleFileTorrent("a", 5, 0, ""); },
     [] {
       return Accepted({{"a", 5}}, 0, 0);
     }},
    {"NegativePieceLength", [] { return Single("a", 5, -16); }, Refused},
    {"HugePieceLength",
     [] { return RawInfo("6:lengthi40e4:name1:a12:piece length" + kHuge + "6:pieces20:" + Hashes(1)); },
     [] {
       return Accepted({{"a", 40}}, 1, kMax);
     }},
    // Both at once: the hashing buffers such a torrent asks for are refused, not allocated.
    {"HugeLengthAndPieceLength",
     [] { return RawInfo("6:length" + kHuge + "4:name1:a12:piece length" + kHuge + "6:pieces20:" + Hashes(1)); },
     [] {
       return Accepted({{"a", kMax}}, 1, kMax);
     }},
    {"PiecesNotAMultipleOf20", [] { return BuildSingleFileTorrent("a", 32, 16, std::string(45, 'h')); },
     [] {
       return Accepted({{"a", 32}}, 2, 16);
     }},
    {"PiecesShorterThanDeclared",
     [] { return "d4:infod6:lengthi40e4:name1:a12:piece lengthi16e6:pieces1000:" + std::string(50, 'h'); },
     Refused},
    // Nesting is bounded (as libtorrent bounds it), and the walk never recurses.
    {"ListsNested90Deep",
     [] {
       return RawInfo("5:depth" + std::string(90, 'l') + std::string(90, 'e') + FilesList("x.bin", 5) +
                      "4:name1:T12:piece lengthi16e6:pieces20:" + Hashes(1));
     },
     [] {
       return Accepted({{"deep/x.bin", 5}}, 1, 16);
     }},
    {"ListsNested100000Deep",
     [] {
       return RawInfo("5:depth" + std::string(100000, 'l') + std::string(100000, 'e') + FilesList("x.bin", 5) +
                      "4:name1:T12:piece lengthi16e6:pieces20:" + Hashes(1));
     },
     Refused},
    {"DictionariesOpened100000Deep",
     [] {
       return RawInfo("5:depth" + std::string(100000, 'd') + FilesList("x.bin", 5) +
                      "4:name1:T12:piece lengthi16e6:pieces20:" + Hashes(1));
     },
     Refused},
    {"FileTreeNested100000Deep",
     [] {
       return RawInfo("9:file tree" + std::string(100000, 'd') + std::string(100000, 'e') + FilesList("x.bin", 5) +
                      "4:name1:T12:piece lengthi16e6:pieces20:" + Hashes(1));
     },
     Refused},
    {"FileTreeOpened100000Deep",
     [] { return RawInfo("9:file tree" + std::string(100000, 'd') + FilesList("x.bin", 5)); },
     Refused},
    // v2 torrents that break the rules; each is one change away from the sound ones here.
    {"V2Sound", [] { return V2([](V2Torrent&) {}); },
     [] {
       ExpectedRead read = Accepted({{"a.bin", 40000}, {"c", 0}, {"d/b.bin", 2}}, 4, 16384);
       read.v1_hashes = 0;
       return read;
     }},
    {"HybridSound", [] { return V2([](V2Torrent&) {}, true); },
     [] {
       return Accepted({{"a.bin", 40000}, {"c", 0}, {"d/b.bin", 2}}, 4, 16384);
     }},
    {"V2FileTree100000Deep", [] { return DeepV2Tree(100000); }, Refused},
    {"V2PiecesRootOf31Bytes", [] { return V2([](V2Torrent& t) { t.roots[2].resize(31); }); }, Refused},
    {"V2PiecesRootOf33Bytes", [] { return V2([](V2Torrent& t) { t.roots[2] += 'x'; }); }, Refused},
    {"V2PieceLayerMissing", [] { return V2([](V2Torrent& t) { t.layers[0].clear(); }); }, Refused},
    {"V2PieceLayerOneHashShort", [] { return V2([](V2Torrent& t) { t.layers[0].resize(64); }); }, Refused},
    {"V2PieceLayerOf32MiB",
     [] { return V2([](V2Torrent& t) { t.layers[0] += std::string(32 << 20, 'x'); }); },
     Refused},
    {"V2PieceLayerNotHashingToTheRoot", [] { return V2([](V2Torrent& t) { t.layers[0][40] ^= 1; }); },
     Refused},
    // A file of one piece or less has no layer; the root of its blocks stands for all three here.
    {"V2PieceLengthNotAPowerOfTwo",
     [] {
       return V2([](V2Torrent& t) {
         t.piece_length = 3 * 16384;
         t.layers[0].clear();
       });
     },
     Refused},
    {"V2PieceLengthOf8KiB",
     [] {
       return V2([](V2Torrent& t) {
         t.piece_length = 8192;
         t.layers[0].clear();
       });
     },
     Refused},
    // A hybrid's v1 part verifies every file, so a v2 part that cannot be trusted leaves it usable.
    {"HybridPieceLayerMissing", [] { return V2([](V2Torrent& t) { t.layers[0].clear(); }, true); },
     [] { return Accepted({{"a.bin", 40000}, {"c", 0}, {"d/b.bin", 2}}, 4, 16384); }},
    {"HybridLengthsDisagree", [] { return V2([](V2Torrent& t) { t.v1_lengths = {40000, 0, 3}; }, true); },
     Refused},
    {"HybridNamesDisagree",
     [] { return V2([](V2Torrent& t) { t.v1_names = {"a.bin", "c", "x.bin"}; }, true); },
     Refused},
};

QString Portable(const TorrentFileEntry& entry) { return entry.RelativePath().replace(QChar(kSeparator), u'/'); }

void ExpectRead(const Result<TorrentModel>& read, const ExpectedRead& expected) {
  ASSERT_EQ(read.Ok() ? 1 : 0, expected.result);
  if (!read) return;
  std::vector<std::pair<QString, int64_t>> entries;
  for (const TorrentFileEntry& entry : read->TorrentFiles) entries.emplace_back(Portable(entry), entry.Length);
  EXPECT_EQ(entries.size(), expected.entries.size());
  for (size_t i = 0; i < std::min(entries.size(), expected.entries.size()); ++i) {
    // Paths of 200,000 characters are compared, not printed.
    EXPECT_TRUE(entries[i].first == expected.entries[i].first)
        << "entry " << i << ": " << entries[i].first.left(300).toStdString();
    EXPECT_EQ(entries[i].second, expected.entries[i].second) << "entry " << i;
  }
  EXPECT_EQ(read->PieceCount(), expected.pieces);
  EXPECT_EQ(static_cast<int64_t>(read->PieceHashes.size()),
            expected.v1_hashes < 0 ? expected.pieces : expected.v1_hashes);
  EXPECT_EQ(read->PieceLength, expected.piece_length);
}

class HostileTorrentTest : public ::testing::TestWithParam<HostileCase> {};

// The reader's outcome is exact; then every variant of a run with all destructive options on
// keeps to the download folder. A torrent the reader refuses must stop zandrel-cli before it
// touches anything at all.
TEST_P(HostileTorrentTest, ReadExactlyAndKeptInsideTheDownloadFolder) {
  const HostileCase& c = GetParam();
  const std::string bytes = c.bytes();
  const Result<TorrentModel> read = ReadTorrentBytes(bytes);
  ExpectRead(read, c.expected());
  if (HasFatalFailure()) return;
  if (read) {
    for (const RunVariant& variant : AllVariants()) {
      RunAndExpectContained(*read, variant, c.name);
      if (HasFatalFailure()) return;
    }
    return;
  }
  QTemporaryDir dir;
  const QString torrent = dir.path() + "/refused.torrent";
  WriteFile(torrent, bytes);
  EXPECT_EQ(RunCliAndExpectContained(torrent, nullptr, {WrongSize::kDelete, 0}, c.name), 2);
  QProcess info;
  info.start(ZANDREL_CLI_PATH, {"info", torrent});
  ASSERT_TRUE(info.waitForFinished(120000));
  EXPECT_EQ(info.exitCode(), 2);
  const QByteArray err = info.readAllStandardError();
  EXPECT_TRUE(err.contains((torrent + ": ").toUtf8())) << err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Crafted, HostileTorrentTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

// The command-line program as its own process, for the torrents most likely to lead it astray.
TEST(HostileTorrentCliTest, SeparateProcessKeepsInsideTheDownloadFolder) {
  const std::vector<std::pair<std::string, RunVariant>> runs = {
      {"MixedThroughLinks", {WrongSize::kTrim, 1, BackupPlace::kOutsideSandbox}},
      {"MixedThroughLinks", {WrongSize::kDelete, 0, BackupPlace::kDownload}},
      {"DotDotComponents", {WrongSize::kTrim, 0, BackupPlace::kInsideSandbox}},
      {"HundredThousandComponents", {WrongSize::kDelete, 1, BackupPlace::kDownload}},
  };
  for (const auto& [name, variant] : runs) {
    const auto it =
        std::find_if(std::begin(kCases), std::end(kCases), [&](const HostileCase& c) { return c.name == name; });
    ASSERT_NE(it, std::end(kCases));
    const std::string bytes = it->bytes();
    const Result<TorrentModel> read = ReadTorrentBytes(bytes);
    ASSERT_TRUE(read.Ok()) << name;
    QTemporaryDir dir;
    const QString torrent = dir.path() + "/hostile.torrent";
    WriteFile(torrent, bytes);
    // Every one of these runs has missing or damaged files: a finished, unsuccessful check.
    EXPECT_EQ(RunCliAndExpectContained(torrent, &*read, variant, name), 1) << name;
  }
}

// Half a gigabyte of junk (sparse, with random stretches and a planted info marker) is refused by
// its size before a byte of it is loaded.
TEST(HostileTorrentCliTest, HalfAGigabyteOfJunkIsRefused) {
  QTemporaryDir dir;
  const QString torrent = dir.path() + "/junk.torrent";
  {
    QFile file(torrent);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const int64_t size = int64_t{500} << 20;
    for (int64_t at : {int64_t{0}, size / 2, size - (1 << 20)}) {
      file.seek(at);
      const std::string junk = "d4:infod" + RandomBytes(1 << 20, static_cast<uint32_t>(at % 977)).substr(8);
      file.write(junk.data(), static_cast<qint64>(junk.size()));
    }
    ASSERT_TRUE(file.resize(size));
  }
  MessageTable messages(dir.path());
  const Result<TorrentModel> read = ReadTorrent(torrent, messages);
  ASSERT_FALSE(read.Ok());
  EXPECT_EQ(FailureText(read.Why(), messages), "Error processing torrent file. (not a .torrent?)");
  EXPECT_EQ(RunCliAndExpectContained(torrent, nullptr, {WrongSize::kTrim, 1}, "junk"), 2);
  QFile::remove(torrent);
}

// A valid torrent cut at every byte: every cut is refused (a partly downloaded .torrent must not
// be checked as a part of itself), and a sample of the cuts stops zandrel-cli before it touches
// anything; the whole file runs inside the download folder.
TEST(HostileTorrentTruncationTest, EveryTruncationIsRefusedAndTouchesNothing) {
  const std::string full = BuildMultiFileTorrent("Show",
                                                 {{{"Season 1", "e01.mkv"}, 40, ""},
                                                  {{"Season 1", "e02.mkv"}, 3, ""},
                                                  {{"sub", "deep", "n.srt"}, 17, ""},
                                                  {{"readme.txt"}, 0, ""},
                                                  {{"link", "secret.bin"}, 9, ""}},
                                                 16, Hashes(5));
  const Result<TorrentModel> whole = ReadTorrentBytes(full);
  ASSERT_TRUE(whole.Ok());
  RunAndExpectContained(*whole, AllVariants().front(), "whole");
  QTemporaryDir dir;
  const QString torrent = dir.path() + "/cut.torrent";
  for (size_t length = 1; length < full.size(); ++length) {
    const std::string cut = full.substr(0, length);
    ASSERT_FALSE(ReadTorrentBytes(cut).Ok()) << "cut at " << length;
    if (length % 61 != 0 && length != full.size() - 1) continue;
    WriteFile(torrent, cut);
    EXPECT_EQ(RunCliAndExpectContained(torrent, nullptr, {WrongSize::kDelete, 0}, "cut"), 2) << length;
  }
}

}  // namespace
}  // namespace zandrel::test
