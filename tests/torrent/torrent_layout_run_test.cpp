// Torrents whose layout on disk is not the plain list of their paths, checked with every fixing
// option on: duplicate paths stored under the names libtorrent gives them, and symbolic links.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <map>

#include "check/check_run.h"
#include "tests/support/bencode.h"
#include "tests/torrent/read_helper.h"

namespace zandrel {
namespace {

using test::Join;

std::map<QString, std::string> Snapshot(const QString& dir);

class LayoutRunTest : public ::testing::Test {
 protected:
  std::string Put(const QString& relative, size_t size, uint32_t seed) {
    const std::string bytes = test::RandomBytes(size, seed);
    test::WriteFile(Join(dl_, relative), bytes);
    return bytes;
  }
  void Link(const QString& relative, const QString& target) { ASSERT_TRUE(QFile::link(target, Join(dl_, relative))); }

  // Reads the torrent as the program does and runs a check with hashing, logging of found files
  // and every fixing and deleting option on.
  QStringList Run(const std::vector<test::TorrentFileItem>& files, const std::string& stream,
                  std::map<QString, std::string>* before) {
    return Run(test::BuildMultiFileTorrent("Show", files, 16, test::PiecesFor(stream, 16)), before);
  }
  QStringList Run(const std::string& torrent, std::map<QString, std::string>* before) {
    *before = Snapshot(dl_);
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

  test::TorrentReadHelper reader_;
  QTemporaryDir root_;
  QString dl_ = Join(root_.path(), "Show");
};

QString Text(const QStringList& lines) { return lines.join('\n'); }

// Every file and link below dir with its bytes or its target, links never followed.
std::map<QString, std::string> Snapshot(const QString& dir) {
  std::map<QString, std::string> items;
  QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QFileInfo info(it.next());
    const QString relative = QDir(dir).relativeFilePath(info.filePath());
    if (info.isSymLink()) items[relative] = "link:" + info.symLinkTarget().toStdString();
    else if (info.isFile()) items[relative] = test::ReadFile(info.filePath());
    else items[relative] = "dir";
  }
  return items;
}

QStringList FileCheckHeader() {
  return {"Zandrel v1.0 Report file", "------------------------", "", "File check/size check:", ""};
}

QStringList Closing(const QString& pieces, const QStringList& repair) {
  return QStringList{"", "File integrity check:", "", pieces, "", "File integrity check passed - all files are OK.", ""} +
         repair +
         QStringList{"Unneeded files check:", "",
                     "Unneeded files: (0) - Unneeded directories: (0) - Successfully deleted files: (0/0) - "
                     "Successfully deleted directories: (0/0)"};
}

// A path listed three times, a file named like a folder of the torrent, and names that differ
// only in letter case: each later one lives under its numbered name, and all are in order.
TEST_F(LayoutRunTest, DuplicatePathsAreCheckedUnderTheirStoredNames) {
  std::map<QString, std::string> before;
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
                                stream, &before);
  const QStringList expected =
      FileCheckHeader() +
      QStringList{"File found (OK): " + Q("docs/readme.txt"), "File found (OK): " + Q("docs/readme.1.txt"),
                  "File found (OK): " + Q("docs/readme.2.txt"), "File found (OK): " + Q("data.1"),
                  "File found (OK): " + Q("data/x"), "File found (OK): " + Q("A.bin"),
                  "File found (OK): " + Q("a.1.bin"), "",
                  "Correct files: (7/7) - Missing files: (0/7) - Wrong sized files: (0) - Successfully trimmed "
                  "files: (0/0) - Deleted wrong sized files: (0/0)"} +
      Closing("Pieces: (6) - Piece size: (16)", {});
  EXPECT_EQ(Text(lines), Text(expected));
  EXPECT_EQ(Snapshot(dl_), before);
}

// Links are found when a link stands at the path, whatever it leads to, and are never sized,
// trimmed, deleted, repaired or entered; a file where a link belongs is not the link.
TEST_F(LayoutRunTest, SymlinkEntriesAreFoundAsLinksAndNeverChanged) {
  std::map<QString, std::string> before;
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
                                stream, &before);
  const QStringList expected =
      FileCheckHeader() +
      QStringList{"File found (OK): " + Q("a.bin"), "File found (OK): " + Q("link-to-a"),
                  "File found (OK): " + Q("dirlink"), "File found (OK): " + Q("dangling"),
                  "File not found: " + Q("missing-link"), "File not found: " + Q("not-a-link"),
                  "File found (OK): " + Q("sub/b.bin"), "",
                  "Correct files: (5/7) - Missing files: (2/7) - Wrong sized files: (0) - Successfully trimmed "
                  "files: (0/0) - Deleted wrong sized files: (0/0)"} +
      Closing("Pieces: (4) - Piece size: (16)", {"Attempting to find missing/renamed files:", "",
                                                 "Fixed missing files: (0/2)", ""});
  EXPECT_EQ(Text(lines), Text(expected));
  // Nothing moved, deleted or made: not the file where a link belongs, not a file for the missing
  // link (a.bin has its size), not a backup folder.
  EXPECT_EQ(Snapshot(dl_), before);
}

// Older clients: the UTF-8 path beside a legacy code-page one, padding named "_____padding_file_"
// instead of flagged, and a zero byte inside a name. Each file is found where such a client put it.
TEST_F(LayoutRunTest, NamesFromOlderClientsAreCheckedWhereTheyWereStored) {
  using test::BDict;
  using test::BInt;
  using test::BList;
  using test::BStr;
  std::map<QString, std::string> before;
  const std::string cafe = Put(QString::fromUtf8("caf\xc3\xa9.txt"), 10, 1);
  const std::string ab = Put("abcd.bin", 16, 2);
  const std::string stream = cafe + std::string(6, '\0') + ab;
  const std::string files = BList(
      {BDict({{"length", BInt(10)}, {"path", BList({BStr("caf\xe9.txt")})}, {"path.utf-8", BList({BStr("caf\xc3\xa9.txt")})}}),
       BDict({{"length", BInt(6)}, {"path", BList({BStr("_____padding_file_0")})}}),
       BDict({{"length", BInt(16)}, {"path", BList({BStr(std::string("ab\0cd.bin", 9))})}})});
  const QStringList lines = Run(BDict({{"info", BDict({{"files", files}, {"name", BStr("Show")}, {"piece length", BInt(16)},
                                                        {"pieces", BStr(test::PiecesFor(stream, 16))}})}}),
                                &before);
  const QStringList expected =
      FileCheckHeader() +
      QStringList{"File found (OK): " + Q(QString::fromUtf8("caf\xc3\xa9.txt")), "File found (OK): " + Q("abcd.bin"), "",
                  "Correct files: (2/2) - Missing files: (0/2) - Wrong sized files: (0) - Successfully trimmed "
                  "files: (0/0) - Deleted wrong sized files: (0/0)"} +
      Closing("Pieces: (2) - Piece size: (16)", {});
  EXPECT_EQ(Text(lines), Text(expected));
  EXPECT_EQ(Snapshot(dl_), before);
}

}  // namespace
}  // namespace zandrel
