// Whole runs over downloads laid out the way real ones are: a torrent that lists the backup folder,
// folders that are links to another disk, names differing only in letter case, names that are not
// UTF-8 or hold line breaks, and repair candidates of the right size but the wrong data. Every
// case asserts that no byte of a needed or user file is lost and that the report says what
// happened.
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <map>

#include "platform/file_system.h"
#include "tests/check/unneeded_fixture.h"
#include "tests/support/bencode.h"

namespace zandrel {
namespace {

using test::Join;
using test::RandomBytes;
using test::ReadFile;
using test::WriteFile;

class OddLayoutTest : public test::StageFixture {
 public:
  // The cases of a table arrange and verify through these.
  using RunFixture::AddEntry;
  using RunFixture::dl_;
  using RunFixture::engine_;
  using RunFixture::inputs_;
  using RunFixture::Path;
  using RunFixture::Q;
  using RunFixture::result_;
  using RunFixture::root_;
  using StageFixture::PermitDeletion;
  using StageFixture::Quote;
  using StageFixture::UseBackupFolder;

  // An entry and its file; the bytes are remembered as ones that must survive the run.
  void Needed(const QString& relative, const std::string& bytes) {
    engine_.model.TorrentFiles.push_back(test::EntryFor(relative, static_cast<int64_t>(bytes.size())));
    Keep(relative, bytes);
  }
  // A file of the user's that must survive the run (somewhere).
  void Keep(const QString& relative, const std::string& bytes) {
    WriteFile(Path(relative), bytes);
    kept_[relative] = bytes;
  }
  // A file whose name is given as the bytes the file system stores.
  void WriteRaw(const QByteArray& name, const std::string& bytes) {
    const QByteArray path = QFile::encodeName(dl_) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
  }
  static bool RawExists(const QByteArray& path) { return ::access(path.constData(), F_OK) == 0; }
  void Link(const QString& target, const QString& relative) {
    ASSERT_TRUE(QFile::link(target, Path(relative)));
  }
  void ExpectKeptFiles() { test::ExpectFiles(dl_, kept_); }
  QString Backup(const QString& relative) const { return Path("[ZandrelBackup]/Show/" + relative); }
  static std::string Lines(const QStringList& lines) { return lines.join('\n').toStdString(); }

  test::FileMap kept_;
};

struct LayoutCase {
  const char* id;
  const char* what;
  std::function<void(OddLayoutTest&)> arrange;
  // Lines the report must hold, and what must hold on disk afterwards.
  std::function<QStringList(OddLayoutTest&)> lines;
  std::function<void(OddLayoutTest&, const QStringList&)> verify;
};

// One table per stage; each case runs in a fresh download directory.
class LayoutTable : public OddLayoutTest, public ::testing::WithParamInterface<LayoutCase> {
 protected:
  void RunCase() {
    const LayoutCase& c = GetParam();
    SCOPED_TRACE(c.what);
    c.arrange(*this);
    const QStringList lines = Run();
    for (const QString& line : c.lines(*this)) {
      EXPECT_TRUE(lines.contains(line)) << line.toStdString() << "\n" << Lines(lines);
    }
    if (c.verify) c.verify(*this, lines);
    ExpectKeptFiles();
  }
};

std::string CaseId(const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.id; }

// The unneeded-files stage with deletion permitted.
class UnneededLayoutTest : public LayoutTable {};
TEST_P(UnneededLayoutTest, NeededAndUserFilesSurvive) { RunCase(); }

const LayoutCase kUnneededCases[] = {
      {"BackupFolderListed", "a torrent that lists the backup folder: its file is never replaced by a backup",
       [](OddLayoutTest& t) {
         t.PermitDeletion(1);
         t.Needed("[ZandrelBackup]/Show/a.bin", RandomBytes(10, 1));
         t.Keep("a.bin", RandomBytes(12, 2));  // unneeded; its backup would land on the file above
       },
       [](OddLayoutTest& t) {
         return QStringList{"Unable to move file: " + t.Q("a.bin"), test::UnneededSummary(1, 0, 0, 0)};
       },
       nullptr},
      {"LinkedFolders", "folders that are links to another disk are needed, and so are the folders above them",
       [](OddLayoutTest& t) {
         t.PermitDeletion(0);
         const QString elsewhere = Join(t.root_.path(), "disk2");
         WriteFile(Join(elsewhere, "Disc1/e1.bin"), "e1");
         WriteFile(Join(elsewhere, "Top/x.bin"), "x");
         t.AddEntry("Season/Disc1/e1.bin", 2, -1);
         t.AddEntry("Top/x.bin", 1, -1);
         QDir().mkpath(t.Path("Season"));
         t.Link(Join(elsewhere, "Disc1"), "Season/Disc1");
         t.Link(Join(elsewhere, "Top"), "Top");
       },
       [](OddLayoutTest&) { return QStringList{test::UnneededSummary(0, 0, 0, 0)}; },
       [](OddLayoutTest& t, const QStringList&) {
         EXPECT_TRUE(IsSymLink(t.Path("Season/Disc1")));
         EXPECT_TRUE(IsSymLink(t.Path("Top")));
         EXPECT_EQ(ReadFile(t.Path("Season/Disc1/e1.bin")), "e1");
         EXPECT_EQ(ReadFile(t.Path("Top/x.bin")), "x");
         EXPECT_EQ(t.result_.status_text, "Torrent check was successful! No errors found.");
       }},
      {"LetterCase", "names that differ only in letter case are different files",
       [](OddLayoutTest& t) {
         t.PermitDeletion(1);
         t.Needed("A.bin", RandomBytes(5, 3));
         t.Needed("a.bin", RandomBytes(5, 4));
         t.Needed("z.bin", RandomBytes(6, 5));
         t.Keep("Z.BIN", RandomBytes(7, 6));  // a stray beside z.bin
       },
       [](OddLayoutTest& t) {
         return QStringList{"Moved unneeded file: " + t.Q("Z.BIN") + " to backup location: " + t.Quote(t.Backup("")),
                            test::UnneededSummary(1, 0, 1, 0)};
       },
       [](OddLayoutTest& t, const QStringList&) {
         EXPECT_EQ(ReadFile(t.Backup("Z.BIN")), RandomBytes(7, 6));
         t.kept_.erase("Z.BIN");
       }},
      {"Latin1AndBom", "a name that is not UTF-8 can be deleted; a name starting with U+FEFF is found",
       [](OddLayoutTest& t) {
         t.PermitDeletion(0);
         t.Needed(QString(QChar(0xFEFF)) + "name.txt", "bom");
         t.WriteRaw("bad\xffname", "latin-1");
       },
       [](OddLayoutTest& t) {
         return QStringList{"Deleted unneeded file: " + t.Q(QString("bad") + QChar(0xFFFD) + "name"),
                            test::UnneededSummary(1, 0, 1, 0)};
       },
       [](OddLayoutTest& t, const QStringList& lines) {
         EXPECT_FALSE(t.RawExists(QFile::encodeName(t.dl_) + "/bad\xffname"));
         EXPECT_FALSE(lines.contains("File not found: " + t.Q(QString(QChar(0xFEFF)) + "name.txt")));
       }},
      {"Latin1Backup", "a name that is not UTF-8 is moved to the backup folder under its own bytes",
       [](OddLayoutTest& t) {
         t.PermitDeletion(1);
         t.Needed("k.bin", "k");
         t.WriteRaw("caf\xe9.txt", "latin-1");
       },
       [](OddLayoutTest&) { return QStringList{test::UnneededSummary(1, 0, 1, 0)}; },
       [](OddLayoutTest& t, const QStringList&) {
         EXPECT_TRUE(t.RawExists(QFile::encodeName(t.Backup("")) + "caf\xe9.txt"));
         EXPECT_FALSE(t.RawExists(QFile::encodeName(t.dl_) + "/caf\xe9.txt"));
       }},
      {"LineBreaks", "a name with line breaks cannot forge a report line",
       [](OddLayoutTest& t) {
         t.inputs_.options.DelUnneededFiles = 0;
         t.Needed("k.bin", "k");
         t.Keep("x\r\nFile integrity check passed - all files are OK.\r\n\t\x1b", "forged");
       },
       [](OddLayoutTest& t) {
         return QStringList{"Unneeded file: \"" + t.dl_ +
                            "/x\\r\\nFile integrity check passed - all files are OK.\\r\\n\\t\\x1b\""};
       },
       [](OddLayoutTest& t, const QStringList& lines) {
         EXPECT_FALSE(lines.contains("File integrity check passed - all files are OK.")) << t.Lines(lines);
       }},
};
INSTANTIATE_TEST_SUITE_P(Cases, UnneededLayoutTest, ::testing::ValuesIn(kUnneededCases), CaseId);


// The file check with trimming, and the repair stage after it.
class FileCheckLayoutTest : public LayoutTable {};
TEST_P(FileCheckLayoutTest, NeededAndUserFilesSurvive) { RunCase(); }

const LayoutCase kFileCheckCases[] = {
    {"TrimBackupListed", "a trim whose backup would replace a file of the torrent does not happen",
     [](OddLayoutTest& t) {
       t.inputs_.options.TrimPaddedFiles = 1;
       t.AddEntry("a.bin", 10, -1);
       t.Keep("a.bin", RandomBytes(15, 1));
       t.Needed("[ZandrelBackup]/Show/a.bin", RandomBytes(7, 2));
     },
     [](OddLayoutTest& t) {
       return QStringList{"Wrong file size: " + t.Q("a.bin") + " wrong: 15 right: 10 (Unable to fix)",
                          "Unable to move old file: " + t.Q("a.bin")};
     },
     nullptr},
    {"TrimmedNotRepaired", "a file trimmed in this run is not replaced by a repair",
     [](OddLayoutTest& t) {
       t.inputs_.options.TrimPaddedFiles = 1;
       t.inputs_.options.FixMissing = 1;
       t.AddEntry("t.bin", 10, 15, 3);
       t.Keep("spare.bin", RandomBytes(10, 4));
     },
     [](OddLayoutTest& t) {
       return QStringList{"(Fixed) Wrong file size: " + t.Q("t.bin") + " wrong: 15 right: 10",
                          test::FixedSummary(0, 1)};
     },
     [](OddLayoutTest& t, const QStringList&) {
       EXPECT_EQ(ReadFile(t.Path("t.bin")), RandomBytes(15, 3).substr(0, 10));
       EXPECT_EQ(ReadFile(t.Backup("t.bin")), RandomBytes(15, 3));
     }},
    {"LetterCaseRepair", "repair fills the entry of its own letter case only",
     [](OddLayoutTest& t) {
       t.inputs_.options.FixMissing = 1;
       t.Needed("a.bin", RandomBytes(5, 5));
       t.AddEntry("A.bin", 5, -1);
       WriteFile(t.Path("spare.bin"), RandomBytes(5, 6));
     },
     [](OddLayoutTest& t) {
       return QStringList{"Fixed missing file by its size alone (none of its pieces can be checked): " + t.Q("spare.bin") +
                              " to destination: " + t.Q("A.bin"),
                          test::FixedSummary(1, 1)};
     },
     [](OddLayoutTest& t, const QStringList&) { EXPECT_EQ(ReadFile(t.Path("A.bin")), RandomBytes(5, 6)); }},
    {"RepairWithoutBackups", "with backups off a partial download the options keep is not replaced by the repair",
     [](OddLayoutTest& t) {
       t.inputs_.options.FixMissing = 1;
       t.inputs_.options.CreateBackups = 0;
       t.AddEntry("w.bin", 40, 30, 7);
       WriteFile(t.Path("spare.bin"), RandomBytes(40, 8));
     },
     [](OddLayoutTest& t) {
       return QStringList{"Unable to fix missing file: " + t.Q("spare.bin") + " to destination: " + t.Q("w.bin"),
                          "A file of another size stands at " + t.Q("w.bin") +
                              ": it is kept, and the missing file was not fixed."};
     },
     [](OddLayoutTest& t, const QStringList&) {
       EXPECT_EQ(ReadFile(t.Path("w.bin")), RandomBytes(30, 7));
       EXPECT_EQ(ReadFile(t.Path("spare.bin")), RandomBytes(40, 8));
     }},
};
INSTANTIATE_TEST_SUITE_P(Cases, FileCheckLayoutTest, ::testing::ValuesIn(kFileCheckCases), CaseId);

// With the hash check on, a candidate of the right size whose pieces differ is passed over with a
// line, and the one that holds the entry's data is taken.
TEST_F(OddLayoutTest, RepairCandidateIsCheckedAgainstTheEntrysWholePieces) {
  inputs_.options.FixMissing = 1;
  inputs_.options.HashCheck = 1;
  const std::string intended = RandomBytes(64, 9);
  AddEntry("m.bin", 64, -1);
  engine_.model.PieceLength = 16;
  const std::string pieces = test::PiecesFor(intended, 16);
  for (size_t i = 0; i + 20 <= pieces.size(); i += 20) {
    Sha1Digest digest;
    std::copy(pieces.begin() + i, pieces.begin() + i + 20, digest.begin());
    engine_.model.PieceHashes.push_back(digest);
  }
  engine_.model.PiecesSize = static_cast<int64_t>(pieces.size());
  Keep("r1.bin", RandomBytes(64, 10));  // the right size, the wrong data; searched first
  UseBackupFolder("src");
  const QString good = Join(root_.path(), "src/good.bin");
  WriteFile(good, intended);
  const QStringList lines = Run();
  EXPECT_TRUE(lines.contains("Not used to fix missing file (its pieces do not match): " + Q("r1.bin") +
                             " for destination: " + Q("m.bin")))
      << Lines(lines);
  EXPECT_TRUE(lines.contains("Fixed missing file: " + Quote(good) + " to destination: " + Q("m.bin"))) << Lines(lines);
  EXPECT_EQ(ReadFile(Path("m.bin")), intended);
  EXPECT_EQ(ReadFile(good), intended);
  ExpectKeptFiles();
}

// Reports of runs within one second do not overwrite each other.
TEST(ReportWriterTest, TakenReportNameGetsAFreeNameBesideIt) {
  QTemporaryDir dir;
  const QString first = Join(dir.path(), "ZandrelReport_Show_2026-01-02_10-11-12.log");
  WriteFile(first, "earlier run");
  ReportWriter second;
  const std::optional<QString> path = second.CreateNew(first);
  ASSERT_TRUE(path);
  EXPECT_EQ(*path, Join(dir.path(), "ZandrelReport_Show_2026-01-02_10-11-12_2.log"));
  second.WriteLine("second");
  ReportWriter third;
  const std::optional<QString> third_path = third.CreateNew(first);
  ASSERT_TRUE(third_path);
  EXPECT_EQ(*third_path, Join(dir.path(), "ZandrelReport_Show_2026-01-02_10-11-12_3.log"));
  EXPECT_EQ(ReadFile(first), "earlier run");
}

}  // namespace
}  // namespace zandrel
