// zandrel-cli info, run as its own process.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

struct CliRun {
  int exit_code = -1;
  QByteArray out, err;
};

CliRun RunCli(const QStringList& args) {
  QProcess process;
  process.start(QStringLiteral(ZANDREL_CLI_PATH), args);
  CliRun run;
  if (!process.waitForFinished(60000)) return run;
  run.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  return run;
}

class InfoCommandTest : public ::testing::Test {
 protected:
  QString Torrent(const std::string& bytes) {
    const QString path = test::Join(dir_.path(), "t.torrent");
    test::WriteFile(path, bytes);
    return path;
  }
  QString ExampleTorrent() {
    return Torrent(test::BuildMultiFileTorrent(
        "Album", {{{"CD1", "a.bin"}, 10, ""}, {{"CD1", "Extras", "b.txt"}, 20, ""}, {{"c.nfo"}, 5, ""}}, 16384, std::string(20, 'h')));
  }
  QTemporaryDir dir_;
};

TEST_F(InfoCommandTest, TextListingIsTheViewsListing) {
  const CliRun run = RunCli({"info", ExampleTorrent()});
  EXPECT_EQ(run.exit_code, 0) << run.err.toStdString();
  EXPECT_EQ(run.out.toStdString(),
            "c.nfo [Size: 5 bytes]\n"
            "[CD1]\n"
            "   |--- a.bin [Size: 10 bytes]\n"
            "   |--- [Extras]\n"
            "           |--- b.txt [Size: 20 bytes]\n");
  EXPECT_TRUE(run.err.isEmpty());
}

TEST_F(InfoCommandTest, JsonListsFilesInTorrentOrderWithoutPadding) {
  const QString path = Torrent(test::BuildMultiFileTorrent(
      "T",
      {{{"dir", "sub", "b.bin"}, 123, ""}, {{".pad", "1"}, 5, "p"}, {{"say \"hi\"\\.txt"}, 0, ""}, {{"caf\xc3\xa9"}, 9, ""}},
      64, std::string(40, 'h')));
  const CliRun run = RunCli({"info", "--json", path});
  ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
  EXPECT_EQ(run.out.toStdString(),
            "{\"piece_length\": 64, \"pieces\": 2, \"files\": [\n"
            "  {\"path\": \"dir/sub/b.bin\", \"length\": 123},\n"
            "  {\"path\": \"say \\\"hi\\\".txt\", \"length\": 0},\n"
            "  {\"path\": \"caf\xc3\xa9\", \"length\": 9}\n"
            "]}\n");
  QJsonParseError error;
  const QJsonObject object = QJsonDocument::fromJson(run.out, &error).object();
  EXPECT_EQ(error.error, QJsonParseError::NoError);
  EXPECT_EQ(object["files"].toArray()[2].toObject()["path"].toString(), QString::fromUtf8("café"));
}

TEST_F(InfoCommandTest, EmptyTorrentGivesAnEmptyList) {
  const QString path = Torrent(test::BDict({{"info", test::BDict({{"name", test::BStr("x")}})}}));
  EXPECT_EQ(RunCli({"info", "--json", path}).out.toStdString(), "{\"piece_length\": 0, \"pieces\": 0, \"files\": []}\n");
  EXPECT_EQ(RunCli({"info", path}).out.toStdString(), "");
}

TEST_F(InfoCommandTest, UnreadableTorrentExitsWithTheReadersMessage) {
  const CliRun missing = RunCli({"info", test::Join(dir_.path(), "none.torrent")});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_EQ(missing.err.toStdString(), "Torrent file not found.\n");
  EXPECT_TRUE(missing.out.isEmpty());
  const CliRun not_torrent = RunCli({"info", "--json", Torrent("just some text, long enough to be scanned")});
  EXPECT_EQ(not_torrent.exit_code, 2);
  EXPECT_EQ(not_torrent.err.toStdString(), "Error processing torrent file. (not a .torrent?)\n");
}

TEST_F(InfoCommandTest, UsageErrors) {
  const QString path = ExampleTorrent();
  for (const QStringList& args : {QStringList{"info"}, QStringList{"info", "--xml", path},
                                  QStringList{"info", path, path}}) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exit_code, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(run.err.contains("Usage: zandrel-cli info"));
  }
  const CliRun help = RunCli({"info", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_TRUE(help.out.startsWith("Usage: zandrel-cli info"));
}

}  // namespace
}  // namespace zandrel
