#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

#include "platform/file_system.h"
#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"
#include "tests/support/v2_torrent.h"

namespace zandrel {
namespace {

using test::Join;
using test::ReadFile;
using test::WriteFile;

struct CliResult {
  int exit_code = -1;
  QStringList out;
  QString err;
};

class CheckCommandTest : public ::testing::Test {
 protected:
  CheckCommandTest() {
    test::WriteFiles(dl_, test::WriteShowTorrent(torrent_));
  }

  QProcess* Start(const QStringList& args) {
    process_.setProgram(ZANDREL_CLI_PATH);
    process_.setArguments(args);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", Join(root_.path(), "config"));
    process_.setProcessEnvironment(env);
    process_.setWorkingDirectory(root_.path());
    process_.start();
    process_.waitForStarted();
    return &process_;
  }
  CliResult Finish() {
    process_.waitForFinished(120000);
    CliResult result;
    result.exit_code = process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    result.out = QString::fromUtf8(process_.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    result.err = QString::fromUtf8(process_.readAllStandardError());
    return result;
  }
  CliResult Cli(const QStringList& args) {
    Start(args);
    return Finish();
  }

  QTemporaryDir root_;
  QString dl_ = Join(root_.path(), "Show");
  QString torrent_ = Join(root_.path(), "Show.torrent");
  QString report_ = Join(root_.path(), "report.log");
  QProcess process_;
};

TEST_F(CheckCommandTest, SuccessfulCheckPrintsReportPathAndStatus) {
  CliResult r = Cli({"check", torrent_, dl_, "--hash-check", "--report", report_});
  EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, QStringList({report_, "Torrent check was successful! No errors found."}));
  const QStringList lines = test::ReadReportLines(report_);
  ASSERT_GE(lines.size(), 10);
  EXPECT_EQ(lines[5], "Correct files: (2/2) - Missing files: (0/2) - Wrong sized files: (0) - "
                      "Successfully trimmed files: (0/0) - Deleted wrong sized files: (0/0)");
  EXPECT_TRUE(lines.contains("Pieces: (5) - Piece size: (16384)"));
  EXPECT_TRUE(lines.contains("File integrity check passed - all files are OK."));
  EXPECT_TRUE(r.err.isEmpty()) << "no progress line when stderr is not a terminal";
}

TEST_F(CheckCommandTest, ReportGoesToTheLogsFolderByDefault) {
  QDir().mkpath(Join(root_.path(), "config"));
  CliResult r = Cli({"check", torrent_, dl_, "--quiet"});
  EXPECT_EQ(r.exit_code, 0);
  ASSERT_EQ(r.out.size(), 2);
  EXPECT_TRUE(r.out[0].startsWith(Join(root_.path(), "config/Zandrel/logs/ZandrelReport_Show_")));
  EXPECT_GT(FileSize(r.out[0]), 0);
}

TEST_F(CheckCommandTest, AFinishedRunWithProblemsExitsWithOne) {
  QFile::remove(Join(dl_, "b.bin"));
  WriteFile(Join(dl_, "stray.txt"), "x");
  CliResult r = Cli({"check", torrent_, dl_, "--report", report_});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out.value(1), "Error. Torrent check unsuccessful. See report.");
  EXPECT_TRUE(test::ReadReportLines(report_).contains("File not found: \"" + Join(dl_, "b.bin") + "\""));
}

TEST_F(CheckCommandTest, UsageAndInputErrorsSayWhatIsWrongExitWithTwoAndTouchNothing) {
  WriteFile(Join(root_.path(), "junk.torrent"), "this is not a torrent at all, just some text");
  WriteFile(Join(root_.path(), "v2.torrent"),
            test::BDict({{"info", test::BDict({{"file tree", test::BDict({{"a", test::BDict({{"", test::BDict({
                                                   {"length", test::BInt(5)}, {"pieces root", test::BStr("short")}})}})}})},
                                               {"meta version", test::BInt(2)}, {"name", test::BStr("n")},
                                               {"piece length", test::BInt(16384)}})}}));
  // A hybrid whose layer is missing is checked by its v1 part only; asked for its v2 trees, it says why not.
  test::V2Torrent hybrid = test::MakeV2Torrent({{{"a.bin"}, std::string(40000, 'a')}}, 16384, true);
  hybrid.layers[0].clear();
  const QString no_layer = Join(root_.path(), "no_layer.torrent");
  WriteFile(no_layer, hybrid.Build());
  const QString nowhere = Join(root_.path(), "nowhere");
  const QString none = Join(root_.path(), "none.torrent");
  const QString junk = Join(root_.path(), "junk.torrent");
  const QString v2 = Join(root_.path(), "v2.torrent");
  const struct {
    QStringList args;
    QString message;
  } cases[] = {
      {{}, "Usage: zandrel-cli info"},
      {{"check", torrent_}, "check needs a TORRENT and a DIR"},
      {{"check", torrent_, dl_, "--bogus"}, "unknown option --bogus"},
      {{"check", torrent_, dl_, "--bogus=1"}, "unknown option --bogus\n"},
      {{"check", "-b", torrent_, dl_}, "unknown option -b\n"},
      {{"check", torrent_, "-Show"}, "unknown option -Show\n"},  // a DIR like that follows "--"
      {{"check", "--json=yes", torrent_, dl_}, "option --json takes no value"},
      {{"check", torrent_, dl_, "--report"}, "option --report needs a value"},
      {{"check", torrent_, dl_, "extra"}, "surplus argument 'extra'"},
      {{"check", torrent_, dl_, "--json", "--report", "-"}, "both write to stdout"},
      {{"check", torrent_, nowhere}, nowhere + ": no such directory"},
      {{"check", torrent_, torrent_}, torrent_ + ": not a directory"},
      {{"check", none, dl_}, none + ": not found"},
      {{"check", dl_, dl_}, dl_ + ": is a directory"},
      {{"check", junk, dl_, "--delete-unneeded"}, junk + ": Error processing torrent file. (not a .torrent?)"},
      {{"check", v2, dl_},
       v2 + ": Error processing torrent file: a file's \"pieces root\" is not a SHA-256 hash of 32 bytes."},
      {{"check", torrent_, dl_, "--v2"}, torrent_ + ": the torrent has no v2 hash trees to verify (--v2)"},
      {{"check", no_layer, dl_, "--v2"},
       no_layer + ": Error processing torrent file: a file's piece layer is missing, has the wrong size or does not "
                  "lead to its \"pieces root\"."},
  };
  for (const auto& c : cases) {
    QStringList args = c.args;
    if (!args.isEmpty()) args = args.mid(0, 1) + QStringList{"--report", report_} + args.mid(1);  // before a later --report
    const CliResult r = Cli(args);
    EXPECT_EQ(r.exit_code, 2) << c.message.toStdString();
    EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
  }
  EXPECT_EQ(FileSize(report_), -1);
  EXPECT_EQ(FileSize(Join(dl_, "b.bin")), 30000);
}

TEST_F(CheckCommandTest, HelpAndVersion) {
  CliResult r = Cli({"--version"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(r.out.value(0).startsWith("zandrel-cli "));
  r = Cli({"check", "--help"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(r.out.join('\n').contains("--delete-when-incomplete"));
  EXPECT_EQ(Cli({"--help"}).exit_code, 0);
}

TEST_F(CheckCommandTest, IgnoreOptionsKeepUnneededFiles) {
  WriteFile(Join(dl_, "keep.txt"), "k");
  WriteFile(Join(dl_, "Docs/keep.txt"), "k");
  WriteFile(Join(dl_, "Docs/KEEP.TXT"), "K");  // another file where letter case counts
  WriteFile(Join(dl_, "gone.txt"), "g");
  CliResult r = Cli({"check", torrent_, dl_, "--delete-unneeded", "--no-backups", "--ignore", "keep.txt",
                     "--report", report_});
  EXPECT_EQ(r.exit_code, 0) << r.out.join('\n').toStdString();
  EXPECT_EQ(FileSize(Join(dl_, "keep.txt")), 1);
  EXPECT_EQ(FileSize(Join(dl_, "Docs/keep.txt")), 1);
  EXPECT_EQ(FileSize(Join(dl_, "Docs/KEEP.TXT")), kFileNameCase == Qt::CaseSensitive ? -1 : 1);
  EXPECT_EQ(FileSize(Join(dl_, "gone.txt")), -1);
}

TEST_F(CheckCommandTest, IgnoreTorrentKeepsEveryPathOfAnotherTorrent) {
  WriteFile(Join(dl_, "Extra/x.bin"), "x");
  WriteFile(Join(dl_, "Extra/y.bin"), "y");
  WriteFile(Join(dl_, "gone.txt"), "g");
  const QString other = Join(root_.path(), "other.torrent");
  WriteFile(other, test::BuildMultiFileTorrent("Other", {{{"Extra", "x.bin"}, 1, ""}}, 16384, std::string(20, 'x')));
  CliResult r = Cli({"check", torrent_, dl_, "--delete-unneeded", "--no-backups", "--ignore-torrent", other,
                     "--report", report_});
  EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
  EXPECT_EQ(FileSize(Join(dl_, "Extra/x.bin")), 1);
  EXPECT_EQ(FileSize(Join(dl_, "Extra/y.bin")), 1) << "the other torrent's folders are ignored whole";
  EXPECT_EQ(FileSize(Join(dl_, "gone.txt")), -1);

  WriteFile(Join(root_.path(), "junk.torrent"), "not a torrent");
  r = Cli({"check", torrent_, dl_, "--ignore-torrent", Join(root_.path(), "junk.torrent"), "--report", report_});
  EXPECT_EQ(r.exit_code, 2);
}

TEST_F(CheckCommandTest, LanguageOptionTranslatesTheReportAndStatus) {
  // Without a language folder in the working directory, the program's own one serves.
  CliResult own = Cli({"check", torrent_, dl_, "--language", "Deutsch", "--report", report_});
  EXPECT_EQ(own.exit_code, 0) << own.err.toStdString();
  EXPECT_EQ(own.out.value(1), QString::fromUtf8("Torrent-Prüfung erfolgreich! Keine Fehler gefunden."));
  QDir().mkpath(Join(root_.path(), "lang"));
  QFile::copy(ZANDREL_SOURCE_DIR "/lang/Deutsch.lng", Join(root_.path(), "lang/Deutsch.lng"));
  CliResult r = Cli({"check", torrent_, dl_, "--language", "Deutsch", "--report", report_});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out.value(1), QString::fromUtf8("Torrent-Prüfung erfolgreich! Keine Fehler gefunden."));
  EXPECT_EQ(test::ReadReportLines(report_).value(0), QString::fromUtf8("Zandrel v1.0 Prüfbericht"));
  // A ./lang with other languages only does not hide the program's own; a missing one is named.
  QFile::rename(Join(root_.path(), "lang/Deutsch.lng"), Join(root_.path(), "lang/Other.lng"));
  EXPECT_EQ(Cli({"check", torrent_, dl_, "--language", "deutsch", "--report", report_}).out.value(1), own.out.value(1));
  r = Cli({"check", torrent_, dl_, "--language", "Klingon", "--report", report_});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "zandrel-cli: no language file Klingon.lng; the languages are: Deutsch, English, Other\n");
}

TEST_F(CheckCommandTest, AllProblemsFixedHasAStatusOfItsOwn) {
  const std::string b = ReadFile(Join(dl_, "b.bin"));
  const struct {
    const char* name;
    std::string a_bin;  // what stands at Docs/a.bin
    QStringList options;
    int exit_code;
    QString status;
  } cases[] = {
      {"padded file trimmed", test::RandomBytes(50000, 1), {"--trim-padded-files"}, 3,
       "File(s) were trimmed successfully. See report."},
      // A piece of the other file failed: not everything was fixed, and the status says so.
      {"trimmed but a piece failed", test::RandomBytes(50000, 9), {"--trim-padded-files", "--hash-check"}, 1,
       "File(s) were trimmed successfully but there were some problems. See report."},
      {"padded file left as it is", test::RandomBytes(50000, 1), {}, 1, "Error. Torrent check unsuccessful. See report."},
  };
  for (const auto& c : cases) {
    WriteFile(Join(dl_, "Docs/a.bin"), c.a_bin);
    WriteFile(Join(dl_, "b.bin"), b + "padding");
    const CliResult r = Cli(QStringList{"check", torrent_, dl_, "--no-backups", "--report", report_} + c.options);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
    EXPECT_EQ(r.out.value(1), c.status) << c.name;
  }
}

TEST_F(CheckCommandTest, ReportToStdoutAndStatusToStderr) {
  WriteFile(Join(dl_, "stray.txt"), "x");
  const CliResult r = Cli({"check", torrent_, dl_, "--report", "-"});
  EXPECT_EQ(r.exit_code, 0);
  ASSERT_GE(r.out.size(), 3);
  EXPECT_EQ(r.out[0], "Zandrel v1.0 Report file\r");
  EXPECT_TRUE(r.out.contains("Unneeded file: \"" + Join(dl_, "stray.txt") + "\"\r")) << r.out.join('\n').toStdString();
  EXPECT_EQ(r.err, "Torrent check was successful! No errors found.\n");
}

TEST_F(CheckCommandTest, IgnoredTorrentFileIsStillTrimmedButNeverDeletedAsUnneeded) {
  const std::string b = ReadFile(Join(dl_, "b.bin"));
  WriteFile(Join(dl_, "b.bin"), b + "padding");
  WriteFile(Join(dl_, "Docs/notes.txt"), "mine");
  const CliResult r = Cli({"check", torrent_, dl_, "--trim-padded-files", "--delete-unneeded", "--no-backups",
                           "--ignore", "b.bin", "--ignore", "Docs/notes.txt", "--report", report_});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(ReadFile(Join(dl_, "b.bin")), b);
  EXPECT_EQ(ReadFile(Join(dl_, "Docs/notes.txt")), "mine");
}

TEST_F(CheckCommandTest, SigintDuringALongTrimCancelsCleanly) {
  // A file of real data one byte longer than the torrent says: the trim copy (written to the disk
  // as it goes, cancellable between chunks of 64 MiB) takes a while. Holes would be skipped at once.
  const int64_t length = int64_t(512) << 20;
  const QString big = Join(dl_, "big.bin");
  WriteFile(torrent_, test::BuildMultiFileTorrent("Show", {{{"big.bin"}, length, ""}}, 1 << 22, std::string(20 * 128, 'x')));
  QFile file(big);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const QByteArray block(int64_t{1} << 20, 'z');
  for (int64_t i = 0; i < (length >> 20); ++i) ASSERT_EQ(file.write(block), block.size());
  ASSERT_EQ(file.write("!", 1), 1);
  file.close();

  Start({"check", torrent_, dl_, "--trim-padded-files", "--no-backups", "--report", report_});
  for (int i = 0; i < 2000 && FileSize(big + ".tmp") < 0; ++i) QThread::msleep(5);
  ASSERT_GE(FileSize(big + ".tmp"), 0) << "the trim copy did not start";
  ::kill(process_.processId(), SIGINT);
  CliResult r = Finish();
  EXPECT_EQ(r.exit_code, 130);
  EXPECT_EQ(r.out.value(1), "Cancelled.");
  const QStringList lines = test::ReadReportLines(report_);
  EXPECT_EQ(lines.value(lines.size() - 1), "* Zandrel cancelled.");
  EXPECT_EQ(FileSize(big), length + 1) << "the original stays untouched";
  EXPECT_EQ(FileSize(big + ".tmp"), -1) << "the partial copy is removed";
}

}  // namespace
}  // namespace zandrel
