// zandrel-cli over a real torrent that lists the backup folder (a folder once checked here and
// shared again), with a partial file to trim and an unneeded file named in Latin-1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::ReadFile;
using test::WriteFile;

TEST(OddDownloadTest, TorrentListingTheBackupFolderKeepsEveryFile) {
  QTemporaryDir root;
  const QString dl = Join(root.path(), "Show");
  const std::string kept = test::RandomBytes(50, 1), partial = test::RandomBytes(45, 2);
  WriteFile(Join(dl, "[ZandrelBackup]/Show/a.bin"), kept);
  WriteFile(Join(dl, "a.bin"), partial);  // 40 bytes in the torrent: its backup would land on the file above
  const QByteArray latin1 = QFile::encodeName(dl) + "/caf\xe9.txt";
  FILE* file = std::fopen(latin1.constData(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("user", file);
  std::fclose(file);
  const QString torrent = Join(root.path(), "Show.torrent");
  WriteFile(torrent, test::BuildMultiFileTorrent(
                         "Show", {{{"[ZandrelBackup]", "Show", "a.bin"}, 50, ""}, {{"a.bin"}, 40, ""}}, 16384,
                         test::PiecesFor(kept + partial.substr(0, 40), 16384)));
  const QString report = Join(root.path(), "report.log");
  QProcess cli;
  cli.setProgram(ZANDREL_CLI_PATH);
  cli.setArguments({"check", torrent, dl, "--trim-padded-files", "--delete-unneeded", "--report", report, "--quiet"});
  cli.setWorkingDirectory(root.path());
  cli.start();
  ASSERT_TRUE(cli.waitForFinished(120000));
  EXPECT_EQ(cli.exitCode(), 1);
  const QStringList lines = test::ReadReportLines(report);
  const QString q = '"' + dl;
  EXPECT_TRUE(lines.contains("Wrong file size: " + q + "/a.bin\" wrong: 45 right: 40 (Unable to fix)"))
      << lines.join('\n').toStdString();
  EXPECT_TRUE(lines.contains("Unable to move old file: " + q + "/a.bin\""));
  EXPECT_TRUE(lines.contains("Moved unneeded file: " + q + "/caf" + QChar(0xFFFD) + ".txt\" to backup location: " + q +
                             "/[ZandrelBackup]/Show/\""))
      << lines.join('\n').toStdString();
  EXPECT_EQ(ReadFile(Join(dl, "[ZandrelBackup]/Show/a.bin")), kept);
  EXPECT_EQ(ReadFile(Join(dl, "a.bin")), partial);
  EXPECT_EQ(::access((QFile::encodeName(dl) + "/[ZandrelBackup]/Show/caf\xe9.txt").constData(), F_OK), 0);
  test::RemoveNamedTree(root.path().toUtf8());  // QTemporaryDir leaves names that are not UTF-8
}

}  // namespace
}  // namespace zandrel
