// Where a run's own places are, however they are spelled, and where its walks stop: the backup
// folder and the report reached through a link, a file system mounted inside the download, and a
// file that grows while it is moved to another disk.
#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

#include "tests/check/unneeded_fixture.h"

namespace zandrel::test {
namespace {

class PlacesTest : public StageFixture {
 protected:
  static bool HasLine(const QStringList& lines, const QString& line) { return lines.contains(line); }
  void Reset() {
    QDir(root_.path()).removeRecursively();
    QDir().mkpath(root_.path());
    engine_.model = TorrentModel();
  }
};

// The backup folder and the report are known by identity: with the download reached through a link
// and the backup folder given as the real path (or the other way round), backups stay where they
// went, the report stays, and a second run keeps every earlier backup.
TEST_F(PlacesTest, TheRunKnowsItsBackupFolderAndReportThroughLinks) {
  const struct {
    const char* name;
    bool download_through_link;
  } cases[] = {{"download through a link", true}, {"backup folder through a link", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    const QString real = Join(root_.path(), "real");
    const QString linked = Join(root_.path(), "link");
    const QString real_dl = real + "/Show", linked_dl = linked + "/Show";
    dl_ = real_dl;
    const std::string padded = AddEntry("a.bin", 10, 20, 1);
    WriteFile(Join(real_dl, "stray1.txt"), "first");
    ASSERT_EQ(symlink(QFile::encodeName(real).constData(), QFile::encodeName(linked).constData()), 0);
    const QString given_dl = c.download_through_link ? linked_dl : real_dl;
    const QString given_backup = (c.download_through_link ? real_dl : linked_dl) + "/keep";
    inputs_ = PlainInputs(root_.path(), given_dl);
    inputs_.options = EveryFixOption(given_dl, given_backup);
    inputs_.report_path = (c.download_through_link ? real_dl : linked_dl) + "/report.log";
    const QString backup = real_dl + "/keep/[ZandrelBackup]/Show/";
    RunWith(window_);
    EXPECT_EQ(result_.status_text, "File(s) were trimmed successfully. See report.");
    EXPECT_EQ(ReadFile(backup + "a.bin"), padded);
    EXPECT_EQ(ReadFile(backup + "stray1.txt"), "first");
    EXPECT_TRUE(QFile::exists(Join(real_dl, "report.log")));
    EXPECT_FALSE(QDir(backup + "keep").exists()) << "no backup folder nested in the backup folder";

    WriteFile(Join(real_dl, "stray2.txt"), "second");
    inputs_.report_path = Join(root_.path(), "second.log");
    const QStringList lines = RunWith(window_);
    EXPECT_EQ(ReadFile(backup + "a.bin"), padded);
    EXPECT_EQ(ReadFile(backup + "stray1.txt"), "first");
    EXPECT_EQ(ReadFile(backup + "stray2.txt"), "second");
    // The first run's report is only a file to this run: unneeded, and kept in the backup folder.
    EXPECT_FALSE(ReadFile(backup + "report.log").empty());
    EXPECT_EQ(ReadFile(Join(real_dl, "a.bin")), padded.substr(0, 10));
    EXPECT_TRUE(HasLine(lines, UnneededSummary(2, 0, 2, 0))) << lines.join('\n').toStdString();
  }
  dl_ = Join(root_.path(), "Show");
}

// A file system mounted inside the download is neither scanned for unneeded files nor searched
// for files to move into place, nor to copy from when the download is the rebuild source: its
// files stay, and one line says it was not scanned.
TEST_F(PlacesTest, MountsInsideTheDownloadAreNotEntered) {
  if (geteuid() != 0) GTEST_SKIP() << "a bind mount needs root";
  const struct {
    const char* name;
    int backups;
    bool dry_run;
    bool source_is_download = false;
  } cases[] = {{"backups off", 0, false},
               {"backups on", 1, false},
               {"dry run", 0, true},
               {"rebuild source", 0, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    AddEntry("a.bin", 10, 10, 1);
    AddEntry("b.bin", 7, -1);
    const QString other = Join(root_.path(), "other");
    WriteFile(Join(other, "seven.bin"), "7 bytes");
    WriteFile(Join(other, "deep/notes.txt"), "mine");
    QDir().mkpath(Path("mnt"));
    ASSERT_EQ(QProcess::execute("mount", {"--bind", other, Path("mnt")}), 0);
    inputs_.options = EveryFixOption(dl_, c.source_is_download ? dl_ : Join(root_.path(), "bk"));
    inputs_.options.CreateBackups = c.backups;
    inputs_.dry_run = c.dry_run;
    const auto before = ItemsBelow(other);
    const QStringList lines = RunWith(window_);
    EXPECT_EQ(ItemsBelow(other), before);
    QProcess::execute("umount", {Path("mnt")});
    EXPECT_TRUE(HasLine(lines, "Not scanned (another file system is mounted here): " + Quote(Path("mnt/"))))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(HasLine(lines, FixedSummary(0, 1)));
    EXPECT_TRUE(HasLine(lines, UnneededSummary(0, 0, 0, 0)));
    EXPECT_EQ(result_.status_text, "Error. Torrent check unsuccessful. See report.");
  }
  inputs_.dry_run = false;
}

// A move to a backup folder on another disk copies the file first; when the file changed during the
// copy (it is still being written), the copy goes, the move fails with a line that says so, and
// the file keeps every byte.
TEST_F(PlacesTest, AFileThatChangesWhileMovedToAnotherDiskStays) {
  QTemporaryDir other_disk(QDir("/dev/shm").filePath("zandrel-places-XXXXXX"));
  if (!other_disk.isValid() || SameMount(other_disk.path(), root_.path())) GTEST_SKIP() << "no second file system";
  const struct {
    const char* name;
    const char* file;  // the file that grows
    bool entry;        // a padded file of the torrent rather than an unneeded one
  } cases[] = {{"unneeded file", "growing.log", false}, {"padded file", "a.bin", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    AddEntry("a.bin", 10, c.entry ? 20 : 10, 1);
    WriteFile(Path("growing.log"), "start\n");
    const QString growing = Path(c.file);
    std::string expected = ReadFile(growing);
    inputs_.options = EveryFixOption(dl_, other_disk.path());
    inputs_.before_each_change = [&] {
      QFile file(growing);
      if (file.exists() && file.open(QIODevice::Append)) {
        file.write("more\n");
        expected += "more\n";
      }
    };
    const QStringList lines = RunWith(window_);
    inputs_.before_each_change = nullptr;
    EXPECT_EQ(ReadFile(growing), expected);
    const QString changed = "The file changed while it was copied to another drive: " + Quote(growing) +
                            " (the copy was removed, the file stays)";
    EXPECT_TRUE(HasLine(lines, changed)) << lines.join('\n').toStdString();
    EXPECT_FALSE(QFile::exists(other_disk.path() + "/[ZandrelBackup]/Show/" + c.file));
    if (c.entry) {
      EXPECT_TRUE(HasLine(lines, "Unable to move old file: " + Quote(growing)));
      EXPECT_EQ(result_.status_text, "Error. Some files could not be trimmed or copied because of disk space. See report.");
    } else {
      EXPECT_TRUE(HasLine(lines, "Unable to move file: " + Quote(growing)));
      EXPECT_TRUE(HasLine(lines, UnneededSummary(1, 0, 0, 0)));
    }
  }
}

}  // namespace
}  // namespace zandrel::test
