// Torrents whose layout on disk is not the plain list of their paths, checked with every fixing
// option on: duplicate paths stored under the names libtorrent gives them, and symbolic links.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "check/check_run.h"
#include "tests/support/bencode.h"
#include "tests/support/report_lines.h"
#include "tests/torrent/read_helper.h"

namespace zandrel {
namespace {

using test::Join;

class LayoutRunTest : public ::testing::Test {
 protected:
  std::string Put(const QString& relative, size_t size, uint32_t seed) {
    const std::string bytes = test::RandomBytes(size, seed);
    test::WriteFile(Join(dl_, relative), bytes);
    return bytes;
  }
  void Link(const QString& relative, const QString& target) { ASSERT_TRUE(QFile::link(target, Join(dl_, relative))); }

  // Reads the torrent as the program does and runs a check with hashing, logging of found files
  // and every fixing and deleting option on; before_ keeps the download as it was.
  QStringList Run(const std::vector<test::TorrentFileItem>& files, const std::string& stream) {
    return Run(test::BuildMultiFileTorrent("Show", files, 16, test::PiecesFor(stream, 16)));
  }
  QStringList Run(const std::string& torrent) {
    before_ = test::ItemsBelow(dl_);
    const test::ReadOutcome read = reader_.Read(torrent);
    EXPECT_TRUE(read.ok);
    MessageTable messages(Join(root_.path(), "lang"));
    EngineState engine(messages);
    engine.model = read.model;
    CheckInputs inputs = test::PlainInputs(root_.path(), dl_);
    inputs.options = test::EveryFixOption(dl_, dl_);
    inputs.options.HashCheck = 1;
    inputs.options.LogFoundFiles = 1;
    test::RecordingWindow window;
    RunCheck(engine, inputs, window);
    return test::ReadReportLines(inputs.report_path);
  }
  QString Q(const QString& relative) const { return '"' + Join(dl_, relative) + '"'; }
  QString Found(const QString& relative) const { return "File found (OK): " + Q(relative); }

  test::TorrentReadHelper reader_;
  QTemporaryDir root_;
  QString dl_ = Join(root_.path(), "Show");
  test::FileMap before_;
};

QString Text(const QStringList& lines) { return lines.join('\n'); }

// The report of a run in which every piece passed and nothing was unneeded.
QStringList Report(const QStringList& file_lines, const QString& summary, const QString& pieces,
                   const QStringList& repair = {}) {
  return test::ReportHeader() + file_lines +
         QStringList{"", summary, "", "File integrity check:", "", pieces, "",
                     "File integrity check passed - all files are OK."} +
         repair + test::UnneededHeading() << test::UnneededSummary(0, 0, 0, 0);
}

// A path listed three times, a file named like a folder of the torrent, and names that differ
// only in letter case: each later one lives under its numbered name, and all are in order.
TEST_F(LayoutRunTest, DuplicatePathsAreCheckedUnderTheirStoredNames) {
  const std::string stream = Put("docs/readme.txt", 10, 1) + Put("docs/readme.1.txt", 20, 2) +
                             Put("docs/readme.2.txt", 30, 3) + Put("data.1", 5, 4) + Put("data/x", 7, 5) +
                             Put("A.bin", 4, 6) + Put("a.1.bin", 6, 7);
  const QStringList lines = Run({{{"docs", "readme.txt"}, 10, ""},
                                 {{"docs", "readme.txt"}, 20, ""},
                                 {{"docs", "readme.txt"}, 30, ""},
                                 {{"data"}, 5, ""},
                                 {{"data", "x"}, 7, ""},
                                 {{"A.bin"}, 4, ""},
                                 {{"a.bin"}, 6, ""}},
                                stream);
  EXPECT_EQ(Text(lines), Text(Report({Found("docs/readme.txt"), Found("docs/readme.1.txt"), Found("docs/readme.2.txt"),
                                      Found("data.1"), Found("data/x"), Found("A.bin"), Found("a.1.bin")},
                                     test::FileCheckSummary(7, 0, 7), "Pieces: (6) - Piece size: (16)")));
  EXPECT_EQ(test::ItemsBelow(dl_), before_);
}

// Links are found when a link stands at the path, whatever it leads to, and are never sized,
// trimmed, deleted, repaired or entered; a file where a link belongs is not the link.
TEST_F(LayoutRunTest, SymlinkEntriesAreFoundAsLinksAndNeverChanged) {
  const std::string stream = Put("a.bin", 40, 1) + Put("sub/b.bin", 24, 2);
  Put("not-a-link", 40, 3);
  Link("link-to-a", "a.bin");
  Link("dirlink", "sub");
  Link("dangling", "nowhere");
  const QStringList lines = Run({{{"a.bin"}, 40, ""},
                                 {{"link-to-a"}, 40, "l", {"a.bin"}},
                                 {{"dirlink"}, 0, "l", {"sub"}},
                                 {{"dangling"}, 0, "l", {"nowhere"}},
                                 {{"missing-link"}, 0, "l", {"a.bin"}},
                                 {{"not-a-link"}, 0, "l", {"a.bin"}},
                                 {{"sub", "b.bin"}, 24, ""}},
                                stream);
  EXPECT_EQ(Text(lines), Text(Report({Found("a.bin"), Found("link-to-a"), Found("dirlink"), Found("dangling"),
                                      "File not found: " + Q("missing-link"), "File not found: " + Q("not-a-link"),
                                      Found("sub/b.bin")},
                                     test::FileCheckSummary(5, 2, 7), "Pieces: (4) - Piece size: (16)",
                                     test::RepairHeading() << test::FixedSummary(0, 2))));
  // Nothing moved, deleted or made: not the file where a link belongs, not a file for the missing
  // link (a.bin has its size), not a backup folder.
  EXPECT_EQ(test::ItemsBelow(dl_), before_);
}

// Older clients: the UTF-8 path beside a legacy code-page one, padding named "_____padding_file_"
// instead of flagged, and a zero byte inside a name. Each file is found where such a client put it.
TEST_F(LayoutRunTest, NamesFromOlderClientsAreCheckedWhereTheyWereStored) {
  using test::BDict;
  using test::BInt;
  using test::BList;
  using test::BStr;
  const std::string cafe = Put(QString::fromUtf8("caf\xc3\xa9.txt"), 10, 1);
  const std::string ab = Put("abcd.bin", 16, 2);
  const std::string stream = cafe + std::string(6, '\0') + ab;
  const std::string files = BList(
      {BDict({{"length", BInt(10)}, {"path", BList({BStr("caf\xe9.txt")})}, {"path.utf-8", BList({BStr("caf\xc3\xa9.txt")})}}),
       BDict({{"length", BInt(6)}, {"path", BList({BStr("_____padding_file_0")})}}),
       BDict({{"length", BInt(16)}, {"path", BList({BStr(std::string("ab\0cd.bin", 9))})}})});
  const QStringList lines = Run(BDict({{"info", BDict({{"files", files}, {"name", BStr("Show")}, {"piece length", BInt(16)},
                                                        {"pieces", BStr(test::PiecesFor(stream, 16))}})}}));
  EXPECT_EQ(Text(lines), Text(Report({Found(QString::fromUtf8("caf\xc3\xa9.txt")), Found("abcd.bin")},
                                     test::FileCheckSummary(2, 0, 2), "Pieces: (2) - Piece size: (16)")));
  EXPECT_EQ(test::ItemsBelow(dl_), before_);
}

}  // namespace
}  // namespace zandrel
