// zandrel-cli as scripts and terminals meet it: arguments given as bytes in both option forms, the
// user's locale, the terminal's width and the language folders.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <locale.h>

#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::ByteRun;
using test::NamedPathExists;
using test::WriteNamedFile;

const QByteArray kBom = "\xEF\xBB\xBF";

test::ByteRun Cli(std::vector<QByteArray> args, const std::vector<QByteArray>& more_args,
                  const std::vector<QByteArray>& env, const QByteArray& working_dir = {}) {
  test::ByteRun run;
  args.insert(args.end(), more_args.begin(), more_args.end());
  run.args = std::move(args);
  run.env = env;
  run.working_dir = working_dir;
  return run;
}

class CommandLineTest : public ::testing::Test {
 protected:
  // A two-file torrent at `torrent` and its complete download in `dir`.
  void MakeDownload(const QByteArray& torrent, const QByteArray& dir, size_t b_size = 30000) {
    const std::string a = test::RandomBytes(50000, 1), b = test::RandomBytes(b_size, 2);
    WriteNamedFile(dir + "/Docs/a.bin", a);
    WriteNamedFile(dir + "/b.bin", b);
    WriteNamedFile(torrent, test::BuildMultiFileTorrent("Show", {{{"Docs", "a.bin"}, 50000, ""},
                                                                 {{"b.bin"}, static_cast<int64_t>(b_size), ""}},
                                                        16384, test::PiecesFor(a + b, 16384)));
  }

  // QTemporaryDir cannot remove names that are not UTF-8.
  ~CommandLineTest() override { test::RemoveNamedTree(base_); }

  QTemporaryDir root_;
  QByteArray base_ = root_.path().toUtf8();
  QByteArray config_ = "XDG_CONFIG_HOME=" + base_ + "/config";
};

// Names that are not UTF-8, a name that begins with "-" and one that begins with U+FEFF, in both
// option forms: every one names the file it was given for.
TEST_F(CommandLineTest, PathsReachTheDiskByteForByteInEveryArgumentForm) {
  const struct {
    const char* name;
    std::vector<QByteArray> args;  // after "check"
    int exit_code;
    std::vector<QByteArray> present, absent;  // relative to the case's folder
    QByteArray message;                       // on stderr
  } cases[] = {
      {"equals forms, -- before a DIR with a dash",
       {"--report=r\xFD.log", "--delete-unneeded", "--no-backups", "--ignore=keep\xFF.txt", "--ignore", kBom + "bom.txt",
        "--", "t\xFF.torrent", "-Show\xFE"},
       0,
       {"r\xFD.log", "-Show\xFE/keep\xFF.txt", "-Show\xFE/" + kBom + "bom.txt"},
       {"-Show\xFE/gone.txt"},
       ""},
      {"backups elsewhere, ignore by torrent",
       {"t\xFF.torrent", "--report", "b\xFC/r\xFD.log", "--delete-unneeded", "--backup-dir=b\xFC", "--ignore-torrent",
        "o\xFB.torrent", "--", "-Show\xFE"},
       0,
       {"b\xFC/r\xFD.log", "-Show\xFE/gone.txt", "b\xFC/[ZandrelBackup]/-Show\xFE/keep\xFF.txt",
        "b\xFC/[ZandrelBackup]/-Show\xFE/" + kBom + "bom.txt"},
       {"-Show\xFE/keep\xFF.txt"},
       ""},
      {"without --, a DIR with a dash is an option",
       {"t\xFF.torrent", "--delete-unneeded", "--no-backups", "--report=r\xFD.log", "-Show\xFE"},
       2,
       {"-Show\xFE/gone.txt", "-Show\xFE/keep\xFF.txt"},
       {"r\xFD.log"},
       "zandrel-cli: unknown option -Show\xFE\n"},
  };
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray folder = base_ + "/case" + QByteArray::number(++number);
    MakeDownload(folder + "/t\xFF.torrent", folder + "/-Show\xFE");
    for (const QByteArray& stray : std::vector<QByteArray>{"keep\xFF.txt", kBom + "bom.txt", "gone.txt"}) {
      WriteNamedFile(folder + "/-Show\xFE/" + stray, "stray");
    }
    WriteNamedFile(folder + "/o\xFB.torrent",
                   test::BuildMultiFileTorrent("Other", {{{"gone.txt"}, 5, ""}}, 16384, std::string(20, 'x')));
    ::mkdir((folder + "/b\xFC").constData(), 0755);
    const test::CliRun result = test::RunBytes(Cli({"check"}, c.args, {config_}, folder));
    EXPECT_EQ(result.exit_code, c.exit_code) << result.err.toStdString();
    if (c.exit_code == 0) {
      EXPECT_EQ(result.out.split('\n').value(0), folder + "/" + c.present[0]) << "the report's path";
    } else {
      EXPECT_TRUE(result.err.startsWith(c.message)) << result.err.toStdString();
    }
    for (const QByteArray& path : c.present) EXPECT_TRUE(NamedPathExists(folder + "/" + path)) << path.toStdString();
    for (const QByteArray& path : c.absent) EXPECT_FALSE(NamedPathExists(folder + "/" + path)) << path.toStdString();
  }
}

// LC_ALL (and LOCPATH where the locale had to be made) for a locale that writes a decimal comma;
// empty with *why set when none can be had.
std::vector<QByteArray> DecimalCommaLocale(const QString& scratch, std::string* why) {
  if (locale_t installed = newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr)) {
    freelocale(installed);
    return {"LC_ALL=de_DE.UTF-8"};
  }
  const QString localedef = QStandardPaths::findExecutable("localedef");
  if (localedef.isEmpty()) {
    *why = "localedef is missing (Debian package locales), so no decimal-comma locale can be made";
    return {};
  }
  QProcess make;
  make.start(localedef, {"-i", "de_DE", "-f", "UTF-8", QDir(scratch).filePath("de_DE.UTF-8")});
  make.waitForFinished(120000);  // warnings give a non-zero status, so the result is looked at instead
  if (!QFile::exists(QDir(scratch).filePath("de_DE.UTF-8/LC_NUMERIC"))) {
    ADD_FAILURE() << "localedef made no de_DE.UTF-8: " << make.readAllStandardError().toStdString();
    return {};
  }
  return {"LC_ALL=de_DE.UTF-8", "LOCPATH=" + scratch.toUtf8()};
}

TEST_F(CommandLineTest, JsonNumbersStayJsonInADecimalCommaLocale) {
  std::string why;
  const std::vector<QByteArray> locale = DecimalCommaLocale(root_.path(), &why);
  if (locale.empty() && !why.empty()) GTEST_SKIP() << why;
  ASSERT_FALSE(locale.empty());
  // The locale really writes a comma, or this test would prove nothing.
  ByteRun printf_run = Cli({"%.1f", "1"}, {}, locale);
  printf_run.program = QStandardPaths::findExecutable("printf").toUtf8();
  const test::CliRun probe = test::RunBytes(printf_run);
  ASSERT_EQ(probe.out, "1,0");

  MakeDownload(base_ + "/Show.torrent", base_ + "/Show");
  QFile::remove(root_.path() + "/Show/b.bin");  // 1 of 2 files, 50000 of 80000 bytes complete
  const struct {
    std::vector<QByteArray> options;
    const char* key;
    double value;
  } cases[] = {
      {{}, "files_percent", 50.0},
      {{"--hash-check"}, "bytes_percent", 61.4},  // pieces 4 and 5 fail: 49152 bytes complete
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    std::vector<QByteArray> env = locale;
    env.push_back(config_);
    const test::CliRun result = test::RunBytes(
        Cli({"check", base_ + "/Show.torrent", base_ + "/Show", "--json", "--report", base_ + "/r.log"}, c.options, env));
    QJsonParseError error;
    const QJsonObject outcome = QJsonDocument::fromJson(result.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
    EXPECT_EQ(outcome["completeness"].toObject()[c.key].toDouble(), c.value);
    EXPECT_EQ(outcome["exit_status"].toInt(), 1);
  }
}

TEST_F(CommandLineTest, TheProgressLineFitsTheTerminal) {
  MakeDownload(base_ + "/Show.torrent", base_ + "/Show", 3 << 20);
  test::ByteRun run = Cli({"check", base_ + "/Show.torrent", base_ + "/Show", "--hash-check", "--report", base_ + "/r.log"},
                          {}, {config_});
  run.terminal_columns = 30;
  QByteArray drawn = test::RunBytes(run).err;
  QList<QByteArray> lines = drawn.replace("\033[K", "").replace("\n", "").split('\r');  // "\r" starts each redraw
  lines.removeAll(QByteArray());
  ASSERT_FALSE(lines.isEmpty());
  for (const QByteArray& line : lines) EXPECT_LE(line.size(), 29) << line.toStdString();  // the last column wraps
  // The hashing line is longer than that, so it was cut; its units are MiB (MiB/s), never MB.
  EXPECT_TRUE(lines.contains("hash check: 0.0/3.0 MiB (0.0%")) << drawn.toStdString();
  EXPECT_FALSE(drawn.contains("MB"));
}

}  // namespace
}  // namespace zandrel
