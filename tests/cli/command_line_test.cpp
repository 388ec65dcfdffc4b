// zandrel-cli as scripts and terminals meet it: arguments given as bytes in both option forms, the
// user's locale and the terminal's width.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <locale.h>
#include <stdio.h>

#include <functional>
#include <optional>

#include "platform/file_system.h"
#include "platform/native_name.h"
#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::NamedPathExists;
using test::WriteNamedFile;

// A file's bytes by its name's bytes (test::ReadFile would not find a name that is not UTF-8).
std::string ReadNamed(const QByteArray& path) {
  const std::optional<QByteArray> bytes = ReadWholeFile(DecodeName(path), int64_t{1} << 30);
  return bytes ? bytes->toStdString() : std::string();
}

class CommandLineTest : public ::testing::Test {
 protected:
  // A two-file torrent at `torrent` and its complete download in `dir`.
  void MakeDownload(const QByteArray& torrent, const QByteArray& dir, int64_t b_size = 30000) {
    const std::string a = test::RandomBytes(50000, 1), b = test::RandomBytes(static_cast<size_t>(b_size), 2);
    WriteNamedFile(dir + "/Docs/a.bin", a);
    WriteNamedFile(dir + "/b.bin", b);
    WriteNamedFile(torrent, test::BuildMultiFileTorrent("Show", {{{"Docs", "a.bin"}, 50000, ""}, {{"b.bin"}, b_size, ""}},
                                                        16384, test::PiecesFor(a + b, 16384)));
  }
  test::CliRun Check(const std::vector<QByteArray>& args, std::vector<QByteArray> env = {}, int columns = 0) {
    test::ByteRun run;
    run.args = {"check", "--report", base_ + "/r.log", base_ + "/Show.torrent", base_ + "/Show"};
    run.args.insert(run.args.end(), args.begin(), args.end());
    env.push_back("XDG_CONFIG_HOME=" + base_ + "/config");
    run.env = env;
    run.terminal_columns = columns;
    return test::RunBytes(run);
  }

  ~CommandLineTest() override { test::RemoveNamedTree(base_); }  // QTemporaryDir misses names not in UTF-8

  QTemporaryDir root_;
  QByteArray base_ = root_.path().toUtf8();
};

// Names that are not UTF-8, one that begins with "-" and one that begins with U+FEFF, in both
// option forms: each names the very file it was given for.
TEST_F(CommandLineTest, PathsReachTheDiskByteForByteInEveryArgumentForm) {
  const QByteArray bom = "\xEF\xBB\xBF", dir = "-Show\xFE/", backup = "b\xFC/[ZandrelBackup]/-Show\xFE/";
  const struct {
    std::vector<QByteArray> args;  // after "check", in the case's folder
    std::vector<QByteArray> present, absent;
  } cases[] = {
      {{"--report=r\xFD.log", "--delete-unneeded", "--no-backups", "--ignore=keep\xFF.txt", "--ignore", bom + "bom.txt",
        "--", "t\xFF.torrent", "-Show\xFE"},
       {"r\xFD.log", dir + "keep\xFF.txt", dir + bom + "bom.txt"},
       {dir + "gone.txt"}},
      {{"t\xFF.torrent", "--report", "b\xFC/r\xFD.log", "--delete-unneeded", "--backup-dir=b\xFC", "--ignore-torrent",
        "o\xFB.torrent", "--", "-Show\xFE"},
       {"b\xFC/r\xFD.log", dir + "gone.txt", backup + "keep\xFF.txt", backup + bom + "bom.txt"},
       {dir + "keep\xFF.txt"}},
  };
  int number = 0;
  for (const auto& c : cases) {
    const QByteArray folder = base_ + "/case" + QByteArray::number(++number);
    MakeDownload(folder + "/t\xFF.torrent", folder + "/" + dir);
    for (const QByteArray& stray : {QByteArray("keep\xFF.txt"), bom + "bom.txt", QByteArray("gone.txt")}) {
      WriteNamedFile(folder + "/" + dir + stray, "stray");
    }
    WriteNamedFile(folder + "/o\xFB.torrent", test::BuildSingleFileTorrent("gone.txt", 5, 16384, std::string(20, 'x')));
    WriteNamedFile(folder + "/b\xFC/.keep", "");
    test::ByteRun run;
    run.args = {"check"};
    run.args.insert(run.args.end(), c.args.begin(), c.args.end());
    run.working_dir = folder;
    const test::CliRun result = test::RunBytes(run);
    EXPECT_EQ(result.exit_code, 0) << result.err.toStdString();
    EXPECT_EQ(result.out.split('\n').value(0), folder + "/" + c.present[0]) << "the report's path";
    for (const QByteArray& path : c.present) EXPECT_TRUE(NamedPathExists(folder + "/" + path)) << path.toStdString();
    for (const QByteArray& path : c.absent) EXPECT_FALSE(NamedPathExists(folder + "/" + path)) << path.toStdString();
  }
}

// Trimming and repairing in a download folder whose name is not UTF-8: the free space of its drive
// is asked for by the folder's own bytes, so neither is refused for want of space on a drive
// without a name.
TEST_F(CommandLineTest, TrimAndRepairWorkInAFolderWhoseNameIsNotUtf8) {
  QByteArray dl;  // the case's download folder
  const struct {
    const char* name;
    std::vector<QByteArray> args;
    std::function<void()> spoil;  // what the run is to mend
    std::function<void()> expect;
    int exit_code;  // 3: all fixed by trimming; 1: a rebuilt file still wants a hash check
  } cases[] = {
      {"padded file trimmed",
       {"--trim-padded-files"},
       [&] { WriteNamedFile(dl + "/b.bin", ReadNamed(dl + "/b.bin") + "padding"); },
       [&] {
         EXPECT_EQ(ReadNamed(dl + "/b.bin"), test::RandomBytes(30000, 2));
         EXPECT_EQ(ReadNamed(dl + "/[ZandrelBackup]/Sh\xffow/b.bin"), test::RandomBytes(30000, 2) + "padding")
             << "the padded file is kept as a backup";
       },
       3},
      {"missing file repaired",
       {"--fix-missing"},
       [&] { ASSERT_EQ(::rename((dl + "/Docs/a.bin").constData(), (dl + "/a-renamed\xfe.bin").constData()), 0); },
       [&] { EXPECT_EQ(ReadNamed(dl + "/Docs/a.bin"), test::RandomBytes(50000, 1)); },
       1},
  };
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray folder = base_ + "/case" + QByteArray::number(++number);
    dl = folder + "/Sh\xffow";
    MakeDownload(folder + "/Show.torrent", dl);
    c.spoil();
    test::ByteRun run;
    run.args = {"check", "--report", folder + "/r.log", folder + "/Show.torrent", dl};
    run.args.insert(run.args.end(), c.args.begin(), c.args.end());
    run.env = {"XDG_CONFIG_HOME=" + base_ + "/config"};
    const test::CliRun result = test::RunBytes(run);
    const std::string report = ReadNamed(folder + "/r.log");
    EXPECT_EQ(result.exit_code, c.exit_code) << result.err.toStdString() << report;
    EXPECT_EQ(report.find("Not enough space"), std::string::npos) << report;
    c.expect();
  }
}

// LC_ALL (and LOCPATH where the locale had to be made) for German, which writes a decimal comma.
std::vector<QByteArray> DecimalCommaLocale(const QString& scratch) {
  if (locale_t installed = newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr)) {
    freelocale(installed);
    return {"LC_ALL=de_DE.UTF-8"};
  }
  QProcess::execute(QStandardPaths::findExecutable("localedef"), {"-i", "de_DE", "-f", "UTF-8", scratch + "/de_DE.UTF-8"});
  return {"LC_ALL=de_DE.UTF-8", "LOCPATH=" + scratch.toUtf8()};
}

TEST_F(CommandLineTest, JsonNumbersStayJsonInADecimalCommaLocale) {
  if (QStandardPaths::findExecutable("localedef").isEmpty()) {
    GTEST_SKIP() << "localedef is missing (Debian package locales): no decimal-comma locale can be made";
  }
  const std::vector<QByteArray> locale = DecimalCommaLocale(root_.path());
  test::ByteRun probe;  // the locale really writes a comma, or this test would prove nothing
  probe.program = QStandardPaths::findExecutable("printf").toUtf8();
  probe.args = {"%.1f", "1"};
  probe.env = locale;
  ASSERT_EQ(test::RunBytes(probe).out, "1,0");

  MakeDownload(base_ + "/Show.torrent", base_ + "/Show");
  QFile::remove(root_.path() + "/Show/b.bin");  // 3 of 5 pieces, 49152 of 80000 bytes are good
  const test::CliRun result = Check({"--json", "--hash-check"}, locale);
  QJsonParseError error;
  const QJsonObject outcome = QJsonDocument::fromJson(result.out, &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
  EXPECT_EQ(outcome["completeness"]["bytes_percent"].toDouble(), 61.4);
  EXPECT_EQ(outcome["completeness"]["pieces_percent"].toDouble(), 60.0);
}

TEST_F(CommandLineTest, TheProgressLineFitsTheTerminal) {
  MakeDownload(base_ + "/Show.torrent", base_ + "/Show", 3 << 20);
  QByteArray drawn = Check({"--hash-check"}, {}, 30).err;
  QList<QByteArray> lines = drawn.replace("\033[K", "").replace("\n", "").split('\r');  // "\r" starts a redraw
  lines.removeAll(QByteArray());
  ASSERT_FALSE(lines.isEmpty());
  for (const QByteArray& line : lines) EXPECT_LE(line.size(), 29) << line.toStdString();  // the last column wraps
  // The hashing line is longer than that, so it was cut; its units are MiB (MiB/s), never MB.
  EXPECT_TRUE(lines.contains("hash check: 0.0/3.0 MiB (0.0%")) << drawn.toStdString();
  EXPECT_FALSE(drawn.contains("MB"));
}

}  // namespace
}  // namespace zandrel
