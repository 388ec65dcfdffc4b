// Downloads as real clients leave them (padding files written out, "<name>.part" partial files,
// links written as empty files, no empty files at all), and runs whose failures must never pass
// for successes. Each run goes through zandrel-cli; no byte of a needed or user file may be lost.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <map>

#include <sys/mount.h>
#include <unistd.h>

#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

constexpr int64_t kPiece = 16384;

struct Row {
  const char* name;
  QStringList options;
  int exit_code;
  QString status;     // the status line; empty: not compared
  QStringList lines;  // report lines that must be there, "!" first: must not ("@": the download folder)
  QStringList files;  // files that keep their bytes, "-" first: files the run removes
};

class RealClientsTest : public ::testing::Test {
 protected:
  // As a client that ignores the padding attribute leaves it: a.bin, padding ".pad/0", b.bin
  // (still "b.bin.part", its last 3000 bytes not yet there), ".pad/1", c.bin; no empty file.
  void MakeClientDownload() {
    a_ = test::RandomBytes(10000, 1), b_ = test::RandomBytes(20000, 2), c_ = test::RandomBytes(kPiece, 3);
    const std::string stream = a_ + std::string(6384, '\0') + b_ + std::string(12768, '\0') + c_;
    Torrent("Set.torrent", {{{"a.bin"}, 10000, ""}, {{".pad", "0"}, 6384, "p"}, {{"b.bin"}, 20000, ""},
                            {{".pad", "1"}, 12768, "p"}, {{"c.bin"}, kPiece, ""}, {{"empty.txt"}, 0, ""}},
            stream);
    Put("a.bin", a_), Put(".pad/0", std::string(6384, '\0')), Put(".pad/1", std::string(12768, '\0'));
    Put("b.bin.part", b_.substr(0, 17000) + std::string(3000, '\0')), Put("c.bin", c_), Put("stray.txt", "stray");
  }
  void Torrent(const QString& name, const std::vector<test::TorrentFileItem>& items, const std::string& stream) {
    WriteFile(Join(root_.path(), name), test::BuildMultiFileTorrent("Set", items, kPiece, test::PiecesFor(stream, kPiece)));
  }
  void Put(const QString& relative, const std::string& bytes) {
    WriteFile(Join(dl_, relative), bytes);
    originals_[relative] = bytes;
  }
  test::CliRun Check(const QStringList& options, const QString& torrent = "Set.torrent") {
    return test::RunCli(QStringList{"check", Join(root_.path(), torrent), dl_, "--report", report_} + options);
  }
  void Expect(const Row& row, const QString& torrent = "Set.torrent") {
    const test::CliRun run = Check(row.options, torrent);
    EXPECT_EQ(run.exit_code, row.exit_code) << row.name << run.err.toStdString();
    if (!row.status.isEmpty()) {
      EXPECT_EQ(run.OutLines().value(1), row.status) << row.name;
    }
    const QStringList report = test::ReadReportLines(report_);
    for (QString line : row.lines) {
      const bool wanted = !line.startsWith('!');
      EXPECT_EQ(report.contains(line.remove(0, wanted ? 0 : 1).replace("@", dl_)), wanted)
          << row.name << ": " << line.toStdString() << "\n" << report.join('\n').toStdString();
    }
    for (const QString& file : row.files) {
      const bool gone = file.startsWith('-');
      const QString path = Join(dl_, file.mid(gone ? 1 : 0));
      EXPECT_EQ(QFile::exists(path) ? test::ReadFile(path) : "(gone)", gone ? "(gone)" : originals_[file])
          << row.name << ": " << file.toStdString();
    }
  }

  QTemporaryDir root_;
  QString dl_ = Join(root_.path(), "Set");
  QString report_ = Join(root_.path(), "r.log");
  std::string a_, b_, c_;
  std::map<QString, std::string> originals_;
};

TEST_F(RealClientsTest, PaddingAndPartialFilesAreTheClientsOwn) {
  const QStringList client_files = {"a.bin", ".pad/0", ".pad/1", "b.bin.part", "c.bin"};
  const Row rows[] = {
      // The partial file stands in for b.bin: only the piece holding its missing bytes fails.
      {"hash check, deleting", {"--hash-check", "--delete-unneeded", "--delete-when-incomplete", "--no-backups"}, 1, "",
       {"Partial download of this file: \"@/b.bin.part\" (20000 of 20000 bytes)", "Piece #3 - SHA1 hash failed. This affects the following files:",
        "Deleted unneeded file: \"@/stray.txt\"", "Unneeded files: (1) - Unneeded directories: (0) - Successfully deleted files: (1/1) - Successfully deleted directories: (0/0)",
        "!Piece #2 - SHA1 hash failed. This affects the following files:"}, client_files + QStringList{"-stray.txt"}},
      // The partial file is no candidate; the empty file needs none.
      {"repair", {"--hash-check", "--fix-missing"}, 1, "Fixed/rebuilt some missing files. Please re-check with SHA-1 integrity check.",
       {"Created missing empty file: \"@/empty.txt\"", "Fixed missing files: (1/2)"}, client_files + QStringList{"-b.bin"}},
  };
  for (const Row& row : rows) {
    MakeClientDownload();
    QFile::remove(Join(dl_, "empty.txt"));
    Expect(row);
  }
  EXPECT_EQ(QFileInfo(Join(dl_, "empty.txt")).size(), 0);
  // Complete files exist with the right size; the partial file's good pieces count.
  MakeClientDownload();
  QFile::remove(Join(dl_, "empty.txt"));
  const QJsonObject complete = QJsonDocument::fromJson(Check({"--hash-check", "--json"}).out).object()["completeness"].toObject();
  EXPECT_EQ(complete["files_complete"].toInt(), 2);
  EXPECT_EQ(complete["pieces_complete"].toInt(), 3);
  // Another torrent's padding files are kept by --ignore-torrent as its other paths are.
  Torrent("Other.torrent", {{{"c.bin"}, kPiece, ""}}, c_);
  Expect({"ignore torrent", {"--ignore-torrent", Join(root_.path(), "Set.torrent"), "--delete-unneeded", "--no-backups"}, 0,
          "Torrent check was successful! No errors found.", {}, {"a.bin", ".pad/0", ".pad/1", "c.bin"}}, "Other.torrent");
}

TEST_F(RealClientsTest, NoFailureIsCalledASuccess) {
  a_ = test::RandomBytes(3 * kPiece, 4), b_ = test::RandomBytes(kPiece, 5);
  Torrent("Set.torrent", {{{"a.bin"}, 3 * kPiece, ""}, {{"b.bin"}, kPiece, ""}, {{"link"}, 0, "l"}}, a_ + b_);
  std::string flipped = a_;
  flipped[5] ^= 1;
  const struct {
    Row row;
    std::string a_bin;  // on disk
    bool lock_stray;
  } cases[] = {
      // Incomplete by its failed piece, so nothing is deleted although no file is missing.
      {{"complete judged by the hash check too", {"--hash-check", "--delete-unneeded"}, 1,
        "Error. SHA1 hash check failed: Torrent is 66.7% complete.", {"Unneeded file: \"@/stray.txt\""},
        {"b.bin", "stray.txt"}}, flipped, false},
      {{"immutable unneeded file", {"--delete-unneeded", "--no-backups"}, 1,
        "Error. Some unneeded files or directories could not be deleted or moved. See report.",
        {"Unable to delete file: \"@/stray.txt\""}, {"a.bin", "b.bin", "stray.txt"}}, a_, true},
      {{"trimmed, a piece failed", {"--trim-padded-files", "--hash-check"}, 1,
        "File(s) were trimmed successfully but there were some problems. See report.", {}, {"b.bin"}}, flipped + "pad", false},
      {{"deleted, one missing", {"--delete-wrong-sized-files", "--no-backups"}, 1,
        "Wrong sized files deleted but there were some problems. See report.", {}, {"-a.bin"}}, "short", false},
  };
  for (const auto& c : cases) {
    Put("a.bin", c.a_bin), Put("b.bin", b_), Put("stray.txt", "user's"), Put("link", "");
    if (c.row.name == std::string("deleted, one missing")) QFile::remove(Join(dl_, "b.bin"));
    const bool locked = c.lock_stray && QProcess::execute("chattr", {"+i", Join(dl_, "stray.txt")}) == 0;
    if (c.lock_stray && !locked) continue;  // needs root and a file system that takes the flag
    Expect(c.row);
    if (locked) QProcess::execute("chattr", {"-i", Join(dl_, "stray.txt")});
  }
  // One hash for four pieces: refused before anything is read, so a flipped byte cannot pass.
  WriteFile(Join(root_.path(), "Few.torrent"),
            test::BuildMultiFileTorrent("Set", {{{"a.bin"}, 3 * kPiece, ""}, {{"b.bin"}, kPiece, ""}}, kPiece,
                                        test::PiecesFor(a_, 3 * kPiece)));
  Put("a.bin", flipped);
  const test::CliRun few = Check({"--hash-check"}, "Few.torrent");
  EXPECT_EQ(few.exit_code, 2);
  EXPECT_TRUE(few.err.contains("Error processing torrent file")) << few.err.toStdString();
}

// sample.bin holds no whole piece: only the pieces it shares with big.bin and tail.bin can judge a
// candidate, and only with their bytes. Without them nothing can be checked, and its size alone
// decides (the report says so).
TEST_F(RealClientsTest, RepairTakesOnlyCandidatesItsPiecesDoNotDisprove) {
  a_ = test::RandomBytes(2 * kPiece - 500, 8), b_ = test::RandomBytes(1000, 9), c_ = test::RandomBytes(kPiece - 500, 11);
  Torrent("Set.torrent", {{{"big.bin"}, 2 * kPiece - 500, ""}, {{"sample.bin"}, 1000, ""}, {{"tail.bin"}, kPiece - 500, ""}},
          a_ + b_ + c_);
  const QString differs = "Not used to fix missing file (its pieces do not match): \"@/x/c.bin\" for destination: \"@/sample.bin\"";
  const QString fixed = "Fixed missing file: \"@/x/c.bin\" to destination: \"@/sample.bin\"";
  const QString by_size = "Fixed missing file by its size alone (none of its pieces can be checked): \"@/x/c.bin\" to destination: \"@/sample.bin\"";
  // The rebuild source is the download itself, so the search passes every file twice.
  const QStringList options = {"--fix-missing", "--hash-check", "--backup-dir", dl_};
  const struct {
    bool big_on_disk;
    std::string candidate;
    Row row;
  } cases[] = {
      {true, test::RandomBytes(1000, 10), {"wrong bytes", options, 1, "", {differs, "!" + fixed, "!" + by_size}, {"big.bin", "x/c.bin"}}},
      {true, b_, {"right bytes", options, 1, "", {fixed, "!" + differs, "!" + by_size}, {"big.bin", "-x/c.bin"}}},
      {false, b_, {"neighbours missing", options, 1, "", {by_size, "!" + fixed, "!" + differs}, {"-x/c.bin"}}},
  };
  for (const auto& c : cases) {
    QDir(dl_).removeRecursively();
    if (c.big_on_disk) Put("big.bin", a_), Put("tail.bin", c_);
    Put("x/c.bin", c.candidate);
    Expect(c.row);
    const QStringList report = test::ReadReportLines(report_);
    EXPECT_EQ(report.filter("Not used to fix missing file").size(), c.row.lines.contains(differs) ? 1 : 0) << c.row.name;
    const QString sample = Join(dl_, "sample.bin");
    EXPECT_EQ(QFile::exists(sample) ? test::ReadFile(sample) : "(gone)", c.row.lines.contains(differs) ? "(gone)" : b_)
        << c.row.name;
  }
}

QStringList WithoutMarks(QStringList lines) {
  for (QString& line : lines) line.remove(" [dry run: not done]");
  return lines;
}

// Three runs whose dry runs once told another story than the real run.
TEST_F(RealClientsTest, DryRunPredictsTheRealRun) {
  a_ = test::RandomBytes(2 * kPiece, 6), b_ = test::RandomBytes(4 * kPiece, 7);
  Torrent("Set.torrent", {{{"a.bin"}, 2 * kPiece, ""}, {{"b.bin"}, 4 * kPiece, ""}}, a_ + b_);
  const struct {
    const char* name;
    std::function<void()> arrange;
    QStringList options;
    bool needs_mount;
    QString witness;  // the decision the dry run must foresee
  } cases[] = {
      {"repair over a wrong-sized file, no backups", [&] { Put("a.bin", "short"), Put("b.bin", b_), Put("old/a.copy", a_); },
       {"--fix-missing", "--no-backups"}, false, "A file of another size stands at \"@/a.bin\": it is kept"},
      // a.bin holds b.bin's bytes: deleted into the backup folder, found there as b.bin's file.
      {"candidate in the backup folder", [&] { Put("a.bin", b_); },
       {"--delete-wrong-sized-files", "--fix-missing", "--hash-check", "--backup-dir", dl_}, false,
       "Fixed missing file: \"@/[ZandrelBackup]/Set/a.bin\" to destination: \"@/b.bin\""},
      // Room for the first trim's copy, then too little for the second.
      {"disk too full for a second trim", [&] { Put("a.bin", a_ + std::string(2 * kPiece, 'p')), Put("b.bin", b_ + std::string(3 * kPiece, 'p')); },
       {"--trim-padded-files"}, true, "(Not enough space on drive"},
  };
  for (const auto& c : cases) {
    QDir(dl_).removeRecursively();
    if (c.needs_mount) {
      QDir().mkpath(dl_);
      if (getuid() != 0 || ::mount("tmpfs", QFile::encodeName(dl_).constData(), "tmpfs", 0, "size=288k") != 0) continue;
    }
    c.arrange();
    const test::Tree before = test::SnapshotTree(dl_);
    const test::CliRun dry = Check(c.options + QStringList{"--dry-run"});
    const QStringList dry_report = test::ReadReportLines(report_);
    EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(dl_)), "") << c.name;
    const test::CliRun real = Check(c.options);
    const QString witness = QString(c.witness).replace("@", dl_);
    EXPECT_TRUE(test::ReadReportLines(report_).join('\n').contains(witness)) << c.name << dry.out.toStdString();
    EXPECT_EQ(WithoutMarks(dry_report), test::ReadReportLines(report_)) << c.name;
    EXPECT_EQ(WithoutMarks(dry.OutLines()).value(1), real.OutLines().value(1)) << c.name;
    if (c.needs_mount) ::umount(QFile::encodeName(dl_).constData());
  }
}

}  // namespace
}  // namespace zandrel
