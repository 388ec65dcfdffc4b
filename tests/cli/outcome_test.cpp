// What the command line tells at the end of a run: the exit status, the final status on stdout or
// stderr and the JSON's figures, for outcomes that once told more than was true.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <functional>

#include <sys/mount.h>
#include <unistd.h>

#include "tests/support/bencode.h"
#include "tests/support/test_files.h"
#include "tests/support/v2_torrent.h"

namespace zandrel {
namespace {

using test::Join;
using test::ReadFile;
using test::WriteFile;

constexpr int64_t kPiece = 16384;

struct Outcome {
  int exit_code = -1;
  QStringList out;  // stdout's lines
  QStringList err;  // stderr's lines
};

// The superuser reads every file, so a file that cannot be read needs another user: setpriv
// runs the program as "nobody" (as tests/cli/preflight_test.cpp does). False when that is
// needed and cannot be had (no setpriv, or a build that user cannot reach).
bool CanRunAsAnotherUser() {
  if (getuid() != 0) return true;
  static const bool can = [] {
    if (QStandardPaths::findExecutable("setpriv").isEmpty()) return false;
    QProcess probe;
    probe.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", ZANDREL_CLI_PATH, "--version"});
    return probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
  }();
  return can;
}

void Skipped(const char* row, const char* why) { std::printf("[ SKIPPED  ] %s: %s\n", row, why); }

void SetMode(const QString& path, QFileDevice::Permissions mode) { ASSERT_TRUE(QFile::setPermissions(path, mode)); }
const QFileDevice::Permissions kOpen = QFileDevice::Permissions(0x7777);  // rwx for everyone
const QFileDevice::Permissions kReadOnly =
    QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

class Cli {
 public:
  Cli& AsAnotherUser(bool yes = true) {
    other_user_ = yes;
    return *this;
  }
  Cli& StdoutTo(const QString& file) {
    stdout_file_ = file;
    return *this;
  }
  QProcess& Start(const QStringList& args, const QString& working_dir) {
    QString program = ZANDREL_CLI_PATH;
    QStringList argv = args;
    if (other_user_ && getuid() == 0) {
      argv = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", program} + args;
      program = "setpriv";
    }
    if (!stdout_file_.isEmpty()) process_.setStandardOutputFile(stdout_file_);
    process_.setWorkingDirectory(working_dir);
    process_.start(program, argv);
    process_.waitForStarted();
    return process_;
  }
  Outcome Finish() {
    Outcome outcome;
    if (!process_.waitForFinished(300000)) return outcome;
    outcome.exit_code = process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    outcome.out = QString::fromUtf8(process_.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    outcome.err = QString::fromUtf8(process_.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return outcome;
  }
  Outcome Run(const QStringList& args, const QString& working_dir) {
    Start(args, working_dir);
    return Finish();
  }

 private:
  bool other_user_ = false;
  QString stdout_file_;
  QProcess process_;
};

std::string Text(const Outcome& o) {
  return ("exit " + QString::number(o.exit_code) + "\nstdout:\n" + o.out.join('\n') + "\nstderr:\n" + o.err.join('\n'))
      .toStdString();
}

// A download "Show" of two files in a folder that every user may enter.
class OutcomeTest : public ::testing::Test {
 protected:
  OutcomeTest() {
    SetMode(root_.path(), kOpen);
    a_ = test::RandomBytes(50000, 1), b_ = test::RandomBytes(30000, 2);
    WriteFile(Join(dl_, "a.bin"), a_);
    WriteFile(Join(dl_, "b.bin"), b_);
    WriteFile(torrent_, test::BuildMultiFileTorrent("Show", {{{"a.bin"}, 50000, ""}, {{"b.bin"}, 30000, ""}}, kPiece,
                                                    test::PiecesFor(a_ + b_, kPiece)));
    QDir().mkpath(reports_);
    SetMode(reports_, kOpen);
  }

  QTemporaryDir root_;
  QString dl_ = Join(root_.path(), "Show");
  QString torrent_ = Join(root_.path(), "Show.torrent");
  QString reports_ = Join(root_.path(), "reports");
  QString report_ = Join(reports_, "report.log");
  std::string a_, b_;
};

// Exit status 3 says every problem was fixed, 0 that there was none: neither may stand where a
// problem stayed, a dry run fixed nothing, or the report was cut short. A file that could not be
// read is named as such in the status, and is no failed hash.
TEST_F(OutcomeTest, ExitStatusAndFinalStatusSayWhatWasLeft) {
  const QString kUnreadable = "1 file(s) of the torrent could not be read.";
  const struct Row {
    const char* name;
    QStringList options;
    bool pad_b = false;         // b.bin is longer than the torrent says
    bool corrupt_b = false;     // b.bin's last byte is wrong
    bool unreadable_a = false;  // a.bin cannot be read
    bool stuck_stray = false;   // an unneeded file that cannot be deleted
    bool full_report = false;   // the report's file system is full
    int exit_code;
    QString status;
  } rows[] = {
      {"nothing wrong", {}, false, false, false, false, false, 0, "Torrent check was successful! No errors found."},
      {"a padded file trimmed", {"--trim-padded-files", "--no-backups"}, true, false, false, false, false, 3,
       "File(s) were trimmed successfully. See report."},
      {"a dry run that would trim", {"--trim-padded-files", "--no-backups", "--dry-run"}, true, false, false, false,
       false, 1, "File(s) were trimmed successfully. [dry run: not done] See report."},
      {"trimmed, an unneeded file that cannot be deleted", {"--trim-padded-files", "--no-backups", "--delete-unneeded"},
       true, false, false, true, false, 1, "File(s) were trimmed successfully but there were some problems. See report."},
      {"trimmed, the report cut short by a full disk", {"--trim-padded-files", "--no-backups", "--log-found-files"}, true,
       false, false, false, true, 1,
       "File(s) were trimmed successfully. See report. The report could not be written in full (No space left on device)."},
      {"an unreadable file", {}, false, false, true, false, false, 1,
       "Error. Torrent check unsuccessful. " + kUnreadable + " See report."},
      {"an unreadable file, hash check", {"--hash-check"}, false, false, true, false, false, 1,
       "Error. Torrent check unsuccessful. " + kUnreadable + " See report."},
      {"an unreadable file and a piece that was read and failed", {"--hash-check"}, false, true, true, false, false, 1,
       "Error. SHA1 hash check failed: Torrent is 0.0% complete. " + kUnreadable},
      {"trimmed, an unreadable file", {"--trim-padded-files", "--no-backups"}, true, false, true, false, false, 1,
       "File(s) were trimmed successfully but there were some problems. " + kUnreadable + " See report."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFile(Join(dl_, "a.bin"), a_);
    std::string b = b_;
    if (row.corrupt_b) b.back() ^= 1;
    WriteFile(Join(dl_, "b.bin"), row.pad_b ? b + "padding" : b);
    QFile::remove(report_);
    bool other_user = false;
    std::vector<std::function<void()>> undo;
    if (row.unreadable_a) {
      if (!CanRunAsAnotherUser()) {
        Skipped(row.name, "needs setpriv to run as another user");
        continue;
      }
      SetMode(dl_, kOpen);  // the trim writes its copy beside the file
      SetMode(Join(dl_, "a.bin"), QFileDevice::Permissions());
      undo.push_back([&] { SetMode(Join(dl_, "a.bin"), kReadOnly | QFile::WriteOwner); });
      other_user = true;
    }
    if (row.stuck_stray) {
      WriteFile(Join(dl_, "stray.txt"), "the user's");
      const QString stray = Join(dl_, "stray.txt");
      if (QProcess::execute("chattr", {"+i", stray}) == 0) {
        undo.push_back([stray] { QProcess::execute("chattr", {"-i", stray}); });
      } else {
        // No immutable flag here: a stray in a folder that this user may not change.
        if (!CanRunAsAnotherUser()) {
          QFile::remove(stray);
          Skipped(row.name, "needs chattr +i, or setpriv to run as another user");
          continue;
        }
        QFile::remove(stray);
        WriteFile(Join(dl_, "kept/stray.txt"), "the user's");
        SetMode(dl_, kOpen);
        SetMode(Join(dl_, "kept"), kReadOnly);
        undo.push_back([&] { SetMode(Join(dl_, "kept"), kOpen); });
        other_user = true;
      }
    }
    if (row.full_report) {
      if (getuid() != 0 || ::mount("tmpfs", QFile::encodeName(reports_).constData(), "tmpfs", 0, "size=16k") != 0) {
        Skipped(row.name, "needs root to mount a small file system");
        for (auto& step : undo) step();
        continue;
      }
      undo.push_back([&] { ::umount(QFile::encodeName(reports_).constData()); });
      QFile filler(Join(reports_, "filler"));
      ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
      const QByteArray block(4096, 'f');
      while (filler.write(block) == block.size() && filler.flush()) {
      }
    }
    const Outcome o = Cli().AsAnotherUser(other_user).Run(
        QStringList{"check", torrent_, dl_, "--report", report_} + row.options, root_.path());
    const QStringList report = row.full_report ? QStringList() : test::ReadReportLines(report_);
    for (auto it = undo.rbegin(); it != undo.rend(); ++it) (*it)();
    QFile::remove(Join(dl_, "stray.txt"));
    QDir(Join(dl_, "kept")).removeRecursively();
    EXPECT_EQ(o.exit_code, row.exit_code) << Text(o);
    EXPECT_EQ(o.out.value(1), row.status) << Text(o);
    if (row.unreadable_a) {
      EXPECT_TRUE(report.contains("File could not be read: \"" + Join(dl_, "a.bin") + "\" (Permission denied)"))
          << report.join('\n').toStdString();
      EXPECT_TRUE(report.contains("Files that could not be read: (1/2)")) << report.join('\n').toStdString();
    }
    if (row.full_report) {
      EXPECT_TRUE(o.err.value(0).contains("is incomplete")) << Text(o);
    }
  }
}

// A standard output that takes nothing (a full device): what could not be written is said on
// stderr with the reason, the status names the report that did not arrive, and the exit status
// is 1, whichever way the outcome was to go out.
TEST_F(OutcomeTest, AFullStandardOutputIsSaidAndFailsTheRun) {
  if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const QString full = "/dev/full";
  const Outcome to_stdout = Cli().StdoutTo(full).Run({"check", torrent_, dl_, "--report", "-"}, root_.path());
  EXPECT_EQ(to_stdout.exit_code, 1) << Text(to_stdout);
  EXPECT_EQ(to_stdout.err,
            QStringList({"zandrel-cli: the report could not be written to standard output: No space left on device",
                         "Torrent check was successful! No errors found. The report could not be written in full "
                         "(No space left on device)."}))
      << Text(to_stdout);

  const Outcome plain = Cli().StdoutTo(full).Run({"check", torrent_, dl_, "--report", report_}, root_.path());
  EXPECT_EQ(plain.exit_code, 1) << Text(plain);
  EXPECT_EQ(plain.err, QStringList({"zandrel-cli: standard output could not be written: No space left on device",
                                    report_, "Torrent check was successful! No errors found."}))
      << Text(plain);

  const Outcome json = Cli().StdoutTo(full).Run({"check", torrent_, dl_, "--json", "--report", report_}, root_.path());
  EXPECT_EQ(json.exit_code, 1) << Text(json);
  EXPECT_EQ(json.err.value(0),
            "zandrel-cli: the JSON outcome could not be written to standard output: No space left on device")
      << Text(json);

  // A standard output that takes everything changes nothing.
  const Outcome fine = Cli().Run({"check", torrent_, dl_, "--report", "-"}, root_.path());
  EXPECT_EQ(fine.exit_code, 0) << Text(fine);
  EXPECT_EQ(fine.err, QStringList({"Torrent check was successful! No errors found."}));
}

// A hash check cancelled before its end verified nothing as a whole: the JSON says so and counts
// none of the pieces it never read as complete.
TEST_F(OutcomeTest, ACancelledHashCheckClaimsNoVerification) {
  // A sparse file of 8 GiB takes no room and seconds to hash, time enough to be interrupted.
  const int64_t length = int64_t(8) << 30, piece = int64_t(4) << 20;
  QFile big(Join(dl_, "big.bin"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(length));
  big.close();
  WriteFile(torrent_, test::BuildMultiFileTorrent("Show", {{{"big.bin"}, length, ""}}, piece,
                                                  std::string(static_cast<size_t>(20 * (length / piece)), 'x')));
  QFile::remove(Join(dl_, "a.bin")), QFile::remove(Join(dl_, "b.bin"));
  Cli cli;
  QProcess& process = cli.Start({"check", torrent_, dl_, "--hash-check", "--json", "--report", report_}, root_.path());
  bool hashing = false;
  for (int i = 0; i < 6000 && !hashing; ++i) {
    hashing = test::ReadReportLines(report_).contains(QString("Pieces: (%1) - Piece size: (%2)").arg(length / piece).arg(piece));
    if (!hashing) QThread::msleep(5);
  }
  ASSERT_TRUE(hashing) << "the hash check did not start";
  ::kill(process.processId(), SIGINT);
  const Outcome o = cli.Finish();
  ASSERT_EQ(o.exit_code, 130) << Text(o);
  const QJsonObject outcome = QJsonDocument::fromJson(o.out.join('\n').toUtf8()).object();
  const QJsonObject complete = outcome["completeness"].toObject();
  EXPECT_FALSE(complete["verified_by_hash"].toBool());
  EXPECT_EQ(complete["files_complete"].toInt(), 1);  // found with its size: all that is known
  for (const char* unknown : {"bytes_complete", "bytes", "bytes_percent", "pieces_complete", "pieces", "pieces_percent"}) {
    EXPECT_TRUE(complete[unknown].isNull()) << unknown;
  }
  EXPECT_TRUE(outcome["counters"].toObject()["cancelled"].toBool());
  EXPECT_EQ(outcome["status"].toString(), "Cancelled.");
}

// One hybrid download checked through its v1 pieces and through its v2 trees gives the same
// figures: files complete in files, bytes as the files' own (no padding), pieces, and the report's
// "% complete", which counts files both ways.
TEST_F(OutcomeTest, AHybridDownloadGivesTheSameFiguresThroughEitherPart) {
  std::vector<test::V2File> files = {
      {{"a.bin"}, test::RandomBytes(3 * kPiece + 5000, 11)},  // a byte of its second piece is wrong
      {{"b.txt"}, ""},                                          // empty, right after a.bin's padding
      {{"c.bin"}, test::RandomBytes(20000, 12)},               // a byte of its first piece is wrong
      {{"d.bin"}, test::RandomBytes(kPiece, 13)},              // longer on disk: its piece still passes
      {{"e.bin"}, test::RandomBytes(5000, 14)},                // missing
      {{"f.bin"}, test::RandomBytes(2 * kPiece, 15)},          // whole
  };
  const test::V2Torrent hybrid = test::MakeV2Torrent(files, kPiece, true);
  const QString torrent = Join(root_.path(), "T.torrent"), dl = Join(root_.path(), "T");
  WriteFile(torrent, hybrid.Build());
  std::string a = files[0].bytes, c = files[2].bytes;
  a[kPiece + 7] ^= 1;
  c[3] ^= 1;
  WriteFile(Join(dl, "a.bin"), a);
  WriteFile(Join(dl, "b.txt"), "");
  WriteFile(Join(dl, "c.bin"), c);
  WriteFile(Join(dl, "d.bin"), files[3].bytes + "tail");
  WriteFile(Join(dl, "f.bin"), files[5].bytes);

  struct Way {
    QJsonObject json;
    QStringList report;
  };
  auto check = [&](const QStringList& extra) {
    const Outcome o = Cli().Run(QStringList{"check", torrent, dl, "--hash-check", "--json", "--report", report_} + extra,
                                root_.path());
    EXPECT_EQ(o.exit_code, 1) << Text(o);
    return Way{QJsonDocument::fromJson(o.out.join('\n').toUtf8()).object(), test::ReadReportLines(report_)};
  };
  const Way v1 = check({}), v2 = check({"--v2"});
  ASSERT_TRUE(v2.json.contains("v2_files"));
  ASSERT_FALSE(v1.json.contains("v2_files"));
  const QJsonObject complete = v1.json["completeness"].toObject();
  EXPECT_EQ(QJsonDocument(complete).toJson().toStdString(),
            QJsonDocument(v2.json["completeness"].toObject()).toJson().toStdString());
  EXPECT_TRUE(complete["verified_by_hash"].toBool());
  EXPECT_EQ(complete["files"].toInt(), 6);
  EXPECT_EQ(complete["files_complete"].toInt(), 2);  // b.txt and f.bin
  EXPECT_EQ(complete["files_percent"].toDouble(), 33.3);
  const int64_t bytes = (3 * kPiece + 5000) + 20000 + kPiece + 5000 + 2 * kPiece;
  EXPECT_EQ(complete["bytes"].toInteger(), bytes);
  EXPECT_EQ(complete["bytes_complete"].toInteger(), bytes - kPiece - kPiece - 5000);
  EXPECT_EQ(complete["bytes_percent"].toDouble(), 70.6);
  EXPECT_EQ(complete["pieces"].toInt(), 10);
  EXPECT_EQ(complete["pieces_complete"].toInt(), 7);
  EXPECT_EQ(QJsonDocument(v1.json["failed_pieces"].toArray()).toJson().toStdString(),
            QJsonDocument(v2.json["failed_pieces"].toArray()).toJson().toStdString());
  const QString bad = "Potentially bad files: (3/6) - torrent is 50.0% complete.";
  EXPECT_TRUE(v1.report.contains(bad)) << v1.report.join('\n').toStdString();
  EXPECT_TRUE(v2.report.contains(bad)) << v2.report.join('\n').toStdString();
  EXPECT_EQ(v1.json["status"].toString(), "Error. SHA1 hash check failed: Torrent is 50.0% complete.");
  EXPECT_EQ(v2.json["status"].toString(), "Error. SHA256 hash check failed: Torrent is 50.0% complete.");
}

// A v2-only torrent whose one file lies in a folder is a torrent of several files: its folder is
// the download directory, strays there go with --delete-unneeded, and the folder above it is
// refused as the download directory.
TEST_F(OutcomeTest, AV2TorrentOfOneFileInAFolderIsAMultiFileTorrent) {
  const std::string bytes = test::RandomBytes(20000, 21);
  const QString torrent = Join(root_.path(), "T.torrent"), dl = Join(root_.path(), "T");
  WriteFile(torrent, test::MakeV2Torrent({{{"Sub", "a.bin"}, bytes}}, kPiece).Build());
  WriteFile(Join(dl, "Sub/a.bin"), bytes);
  WriteFile(Join(dl, "stray.txt"), "unneeded");

  // (The report goes to stdout: a report file inside DIR would be refused first.)
  const Outcome above = Cli().Run({"check", torrent, root_.path(), "--report", "-"}, root_.path());
  EXPECT_EQ(above.exit_code, 2) << Text(above);
  EXPECT_TRUE(above.err.join('\n').contains("not one file of the torrent is here")) << Text(above);

  const Outcome o = Cli().Run({"check", torrent, dl, "--hash-check", "--delete-unneeded", "--no-backups", "--report", report_},
                              root_.path());
  EXPECT_EQ(o.exit_code, 0) << Text(o);
  EXPECT_FALSE(QFile::exists(Join(dl, "stray.txt")));
  EXPECT_EQ(ReadFile(Join(dl, "Sub/a.bin")), bytes);
  EXPECT_FALSE(test::ReadReportLines(report_).contains(
      "Unneeded items are only listed: the folder of a single-file torrent is shared with other downloads."));
}

}  // namespace
}  // namespace zandrel
