// Repair candidates judged by their content, through zandrel-cli as a process: with and without
// --hash-check, as a dry run and for real. A file whose pieces disprove it is never used; a
// client's partial file is a neighbour where the hash check reads one; a candidate that cannot be
// read is said to be unreadable. The repair section of the report is compared line for line, and
// every file is checked on disk byte for byte.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"
#include "tests/support/v2_torrent.h"

namespace zandrel {
namespace {

using test::Join;
using test::RandomBytes;

constexpr int64_t kPiece = 16384;
const QString kDryMark = " [dry run: not done]";

// Files by path below the data folder: "Set/..." is the download, "src/..." the rebuild source.
// No value: the file must not be there.
using Files = std::map<QString, std::optional<std::string>>;

struct Case {
  const char* name;
  Files before;
  QStringList lines;   // the repair stage's lines between its heading and its count ("@": download, "$": source)
  int fixed, missing;  // the count line
  Files after;         // what a real run leaves; files of `before` not named here keep their bytes
  QStringList closed = {};  // files no one but their owner may read (the run goes as another user)
};

class RepairCandidatesTest : public ::testing::Test {
 protected:
  RepairCandidatesTest() {
    QDir().mkpath(data_);
    QDir().mkpath(out_);
    QDir().mkpath(config_);
  }

  void V1Torrent(const std::vector<test::TorrentFileItem>& items, const std::string& stream) {
    test::WriteFile(torrent_, test::BuildMultiFileTorrent("Set", items, kPiece, test::PiecesFor(stream, kPiece)));
  }

  // Runs every case four times: with and without --hash-check, each as a dry run and then for real.
  void ExpectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      for (const bool hash_check : {false, true}) {
        for (const bool dry_run : {true, false}) {
          const std::string name = std::string(c.name) + (hash_check ? ", hash check" : ", no hash check") +
                                   (dry_run ? ", dry run" : "");
          Arrange(c);
          const test::Tree before = test::SnapshotTree(data_);
          QStringList options = {"--fix-missing", "--backup-dir", src_};
          if (hash_check) options << "--hash-check";
          if (dry_run) options << "--dry-run";
          const test::CliRun run = Check(options, !c.closed.isEmpty());
          EXPECT_EQ(run.exit_code, 1) << name << run.err.toStdString();
          EXPECT_EQ(RepairSection(), Expected(c, dry_run)) << name;
          if (dry_run) {
            EXPECT_EQ(test::TreeDiff(before, test::SnapshotTree(data_)), "") << name;
          } else {
            ExpectFiles(c, name);
          }
        }
      }
    }
  }

  void Arrange(const Case& c) {
    QDir(dl_).removeRecursively();
    QDir(src_).removeRecursively();
    QDir().mkpath(dl_);
    QDir().mkpath(src_);
    for (const auto& [path, bytes] : c.before) {
      if (bytes) test::WriteFile(Join(data_, path), *bytes);
    }
    if (c.closed.isEmpty()) return;
    // The other user may enter, list and change everything, and read all but the closed files.
    Open(root_.path(), 0755);
    for (const QString& dir : {out_, config_}) Open(dir, 0777);
    OpenTree(data_);
    for (const QString& closed : c.closed) Open(Join(data_, closed), 0);
  }

  test::CliRun Check(const QStringList& options, bool as_other_user) {
    QFile::remove(report_);
    const QStringList args = QStringList{"check", torrent_, dl_, "--report", report_} + options;
    if (!as_other_user || getuid() != 0) return test::RunCli(args, {}, config_);
    // The superuser reads any file: the run goes as nobody.
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config_);
    env.insert("HOME", config_);
    process.setProcessEnvironment(env);
    process.start("setpriv",
                  QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", ZANDREL_CLI_PATH} + args);
    test::CliRun run;
    if (!process.waitForFinished(120000)) return run;
    run.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
  }

  static bool CanCloseFiles() {
    return getuid() != 0 || !QStandardPaths::findExecutable("setpriv").isEmpty();
  }

  // The repair stage: its heading through its count line.
  QStringList RepairSection() const {
    const QStringList report = test::ReadReportLines(report_);
    const qsizetype from = report.indexOf("Attempting to find missing/renamed files:");
    if (from < 0) return {"(no repair stage)"};
    qsizetype to = from;
    while (to < report.size() && !report[to].startsWith("Fixed missing files: (")) ++to;
    return report.mid(from, to - from + 1);
  }

  QStringList Expected(const Case& c, bool dry_run) const {
    QStringList lines = {"Attempting to find missing/renamed files:", ""};
    for (QString line : c.lines) {
      line.replace("@", dl_).replace("$", src_);
      if (dry_run && line.startsWith("Fixed missing file")) line += kDryMark;
      lines << line;
    }
    if (c.fixed > 0) lines << "";
    // A dry run's count of files it did not fix carries the same mark as their lines.
    lines << QString("Fixed missing files: (%1/%2)").arg(c.fixed).arg(c.missing) + (dry_run && c.fixed > 0 ? kDryMark : "");
    return lines;
  }

  void ExpectFiles(const Case& c, const std::string& name) const {
    Files expected = c.before;
    for (const auto& [path, bytes] : c.after) expected[path] = bytes;
    for (const auto& [path, bytes] : expected) {
      const QString full = Join(data_, path);
      const std::string found = QFile::exists(full) ? test::ReadFile(full) : "(gone)";
      EXPECT_TRUE(found == bytes.value_or("(gone)")) << name << ": " << path.toStdString();
    }
    // Nothing else was left behind (no part file, no backup).
    for (const QString& dir : {dl_, src_}) {
      for (const auto& [path, what] : test::SnapshotTree(dir)) {
        const QString relative = QDir(data_).relativeFilePath(Join(dir, path));
        if (what.rfind("file:", 0) == 0) {
          EXPECT_TRUE(expected.count(relative)) << name << ": " << relative.toStdString();
        }
      }
    }
  }

  static void Open(const QString& path, int mode) { ::chmod(QFile::encodeName(path).constData(), mode); }
  static void OpenTree(const QString& dir) {
    Open(dir, 0777);
    for (const QFileInfo& info : QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
      if (info.isDir()) {
        OpenTree(info.filePath());
      } else {
        Open(info.filePath(), 0666);
      }
    }
  }

  QTemporaryDir root_;
  QString data_ = Join(root_.path(), "data");
  QString dl_ = Join(data_, "Set");
  QString src_ = Join(data_, "src");
  QString out_ = Join(root_.path(), "out");
  QString report_ = Join(out_, "r.log");
  QString config_ = Join(root_.path(), "config");
  QString torrent_ = Join(out_, "Set.torrent");
};

// s1.bin shares both its pieces with missing files, so nothing can check a file for it; s2.bin's
// piece is completed by n3.bin, which is there; big.bin holds two whole pieces of its own.
TEST_F(RepairCandidatesTest, AFileItsPiecesDisproveIsNeverUsed) {
  const std::string n1 = RandomBytes(kPiece - 500, 1), s1 = RandomBytes(1000, 2), n2 = RandomBytes(kPiece - 500, 3);
  const std::string n3 = RandomBytes(kPiece - 1000, 4), s2 = RandomBytes(1000, 5), big = RandomBytes(2 * kPiece, 6);
  V1Torrent({{{"n1.bin"}, kPiece - 500, ""}, {{"s1.bin"}, 1000, ""}, {{"n2.bin"}, kPiece - 500, ""},
             {{"n3.bin"}, kPiece - 1000, ""}, {{"s2.bin"}, 1000, ""}, {{"big.bin"}, 2 * kPiece, ""}},
            n1 + s1 + n2 + n3 + s2 + big);
  const std::string users = RandomBytes(2 * kPiece, 7), other = RandomBytes(1000, 8);
  const std::vector<Case> cases = {
      // Once moved into big.bin's place (and overwritten there by the client).
      {"the user's file of a missing file's size",
       {{"Set/n3.bin", n3}, {"Set/mine/user.bin", users}},
       {"Not used to fix missing file (its pieces do not match): \"@/mine/user.bin\" for destination: \"@/big.bin\""},
       0, 5, {}},
      // Once put into s1.bin, the first entry of its size, whose pieces nothing can check.
      {"an entry it proves before one it fits by size",
       {{"Set/n3.bin", n3}, {"Set/x/c.bin", s2}},
       {"Fixed missing file: \"@/x/c.bin\" to destination: \"@/s2.bin\""},
       1, 5, {{"Set/x/c.bin", std::nullopt}, {"Set/s2.bin", s2}}},
      // Size alone decides only where nothing can be checked; the copy leaves the user's file.
      {"disproved for one entry, by its size alone for another",
       {{"Set/n3.bin", n3}, {"src/u.bin", other}},
       {"Not used to fix missing file (its pieces do not match): \"$/u.bin\" for destination: \"@/s2.bin\"",
        "Fixed missing file by its size alone (none of its pieces can be checked): \"$/u.bin\" to destination: \"@/s1.bin\""},
       1, 5, {{"Set/s1.bin", other}}},
      {"the right file moved, then one fitted by size copied",
       {{"Set/n3.bin", n3}, {"Set/x/c.bin", s2}, {"src/u.bin", other}},
       {"Fixed missing file: \"@/x/c.bin\" to destination: \"@/s2.bin\"",
        "Fixed missing file by its size alone (none of its pieces can be checked): \"$/u.bin\" to destination: \"@/s1.bin\""},
       2, 5, {{"Set/x/c.bin", std::nullopt}, {"Set/s2.bin", s2}, {"Set/s1.bin", other}}},
  };
  ExpectCases(cases);

  // The record says which repair its pieces vouched for.
  Arrange(cases[3]);
  const test::CliRun run = Check({"--fix-missing", "--backup-dir", src_, "--json"}, false);
  const QJsonArray entries = QJsonDocument::fromJson(run.out).object()["entries"].toArray();
  ASSERT_EQ(entries.size(), 6) << run.out.toStdString();
  const QJsonObject s1_repair = entries[1].toObject()["repair"].toObject();
  const QJsonObject s2_repair = entries[4].toObject()["repair"].toObject();
  EXPECT_EQ(s2_repair, QJsonObject({{"from", Join(dl_, "x/c.bin")}, {"mode", "moved"}, {"done", true}, {"verified", true}}));
  EXPECT_EQ(s1_repair, QJsonObject({{"from", Join(src_, "u.bin")}, {"mode", "copied"}, {"done", true}, {"verified", false}}));
  EXPECT_TRUE(entries[5].toObject()["repair"].isNull());
}

// sample.bin holds no whole piece: its pieces are completed by big.bin and tail.bin, which a client
// still keeps as "big.bin.part" and "tail.bin.part". The hash check reads them there, and so does
// the repair; a partial file that does not yet reach a piece's bytes leaves that piece unchecked.
TEST_F(RepairCandidatesTest, APartialFileIsANeighbour) {
  const std::string big = RandomBytes(2 * kPiece - 500, 11), sample = RandomBytes(1000, 12);
  const std::string tail = RandomBytes(kPiece - 500, 13), other = RandomBytes(1000, 14);
  V1Torrent({{{"big.bin"}, 2 * kPiece - 500, ""}, {{"sample.bin"}, 1000, ""}, {{"tail.bin"}, kPiece - 500, ""}},
            big + sample + tail);
  const Files partial = {{"Set/big.bin.part", big}, {"Set/tail.bin.part", tail.substr(0, 3000)}};
  auto with = [](Files files, const QString& path, const std::string& bytes) {
    files[path] = bytes;
    return files;
  };
  const std::vector<Case> cases = {
      // Once "not used (none of its pieces can be checked)".
      {"the right file", with(partial, "Set/x/c.bin", sample),
       {"Fixed missing file: \"@/x/c.bin\" to destination: \"@/sample.bin\""},
       1, 3, {{"Set/x/c.bin", std::nullopt}, {"Set/sample.bin", sample}}},
      {"another file", with(partial, "Set/x/c.bin", other),
       {"Not used to fix missing file (its pieces do not match): \"@/x/c.bin\" for destination: \"@/sample.bin\""},
       0, 3, {}},
      // Neither partial file reaches sample.bin's pieces yet: not "its pieces do not match".
      {"partial files too short", with(with(partial, "Set/big.bin.part", big.substr(0, 20000)), "Set/x/c.bin", sample),
       {"Fixed missing file by its size alone (none of its pieces can be checked): \"@/x/c.bin\" to destination: \"@/sample.bin\""},
       1, 3, {{"Set/x/c.bin", std::nullopt}, {"Set/sample.bin", sample}}},
  };
  ExpectCases(cases);
}

// Files no one else may read: the run goes as another user, since the superuser reads everything.
TEST_F(RepairCandidatesTest, AFileThatCannotBeReadIsNoSource) {
  if (!CanCloseFiles()) GTEST_SKIP() << "needs setpriv to run as another user";
  const std::string big = RandomBytes(2 * kPiece - 500, 21), sample = RandomBytes(1000, 22);
  const std::string tail = RandomBytes(kPiece - 500, 23), other = RandomBytes(1000, 24);
  V1Torrent({{{"big.bin"}, 2 * kPiece - 500, ""}, {{"sample.bin"}, 1000, ""}, {{"tail.bin"}, kPiece - 500, ""}},
            big + sample + tail);
  const QString unreadable = "Not used to fix missing file (it could not be read): \"@/x/c.bin\" (Permission denied)";
  const std::vector<Case> cases = {
      // Once "its pieces do not match" with the hash check, and moved into place without it.
      {"the candidate", {{"Set/big.bin", big}, {"Set/tail.bin", tail}, {"Set/x/c.bin", sample}}, {unreadable}, 0, 1, {},
       {"Set/x/c.bin"}},
      {"the candidate, no neighbour on disk", {{"Set/x/c.bin", sample}}, {unreadable}, 0, 3, {}, {"Set/x/c.bin"}},
      // A neighbour that cannot be read is not the candidate's fault: tail.bin still proves it.
      {"a neighbour", {{"Set/big.bin", big}, {"Set/tail.bin", tail}, {"Set/x/c.bin", sample}},
       {"Fixed missing file: \"@/x/c.bin\" to destination: \"@/sample.bin\""},
       1, 1, {{"Set/x/c.bin", std::nullopt}, {"Set/sample.bin", sample}}, {"Set/big.bin"}},
      {"a neighbour, another file", {{"Set/big.bin", big}, {"Set/tail.bin", tail}, {"Set/x/c.bin", other}},
       {"Not used to fix missing file (its pieces do not match): \"@/x/c.bin\" for destination: \"@/sample.bin\""},
       0, 1, {}, {"Set/big.bin"}},
      {"both neighbours", {{"Set/big.bin", big}, {"Set/tail.bin", tail}, {"Set/x/c.bin", sample}},
       {"Fixed missing file by its size alone (none of its pieces can be checked): \"@/x/c.bin\" to destination: \"@/sample.bin\""},
       1, 1, {{"Set/x/c.bin", std::nullopt}, {"Set/sample.bin", sample}}, {"Set/big.bin", "Set/tail.bin"}},
  };
  ExpectCases(cases);

  // Judged by its hash tree's root (a v2 torrent), the same.
  test::WriteFile(torrent_, test::MakeV2Torrent({{{"sample.bin"}, sample}, {{"tail.bin"}, tail}}, kPiece).Build());
  ExpectCases({{"the candidate, v2", {{"Set/tail.bin", tail}, {"Set/x/c.bin", sample}}, {unreadable}, 0, 1, {},
                {"Set/x/c.bin"}}});
}

}  // namespace
}  // namespace zandrel
