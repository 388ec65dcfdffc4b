// The TorrentZip run without its window, against the stand-in tool.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <thread>

#include "app/torrentzip_runner.h"
#include "platform/file_system.h"
#include "tests/gui/torrentzip_standin.h"

namespace zandrel::test {
namespace {

class RecordingProgress : public TorrentZipProgress {
 public:
  void SetPosition(int position) override { positions.push_back(position); }
  void OpenErrorLog(const QString& path) override { error_logs.push_back(path); }
  std::vector<int> positions;
  QStringList error_logs;
};

class TorrentZipRunnerTest : public ::testing::Test {
 protected:
  QString Path(const QString& relative) const { return Join(tmp_.path(), relative); }
  QStringList Zips(const QString& folder, const QStringList& names) const { return WriteZips(Path(folder), names); }
  TorrentZipOutcome Run(const QStringList& zips) {
    return RunTorrentZip({kStandin, logs_, zips}, flags_, progress_);
  }

  QTemporaryDir tmp_;
  QString logs_ = Path("logs");
  TorrentZipFlags flags_;
  RecordingProgress progress_;
};

TEST_F(TorrentZipRunnerTest, CollectsZipsOfAnyCaseDepthFirstWithoutFollowingLinks) {
  WriteFile(Path("tree/ARCHIVE.ZIP"), "");
  WriteFile(Path("tree/b.zip"), "");
  WriteFile(Path("tree/c.txt"), "");
  WriteFile(Path("tree/sub/d.Zip"), "");
  WriteFile(Path("tree/sub/deeper/e.zip"), "");
  WriteFile(Path("tree/folder.zip/inner.zip"), "");
  QFile::link(Path("tree"), Path("tree/sub/loop"));
  QFile::link(Path("tree/sub"), Path("tree/linked.zip"));

  QStringList zips;
  CollectZipFiles(Path("tree") + "/", zips);

  const int d = zips.indexOf(Path("tree/sub/d.Zip")), e = zips.indexOf(Path("tree/sub/deeper/e.zip"));
  EXPECT_EQ(std::abs(d - e), 1) << "a subfolder's zips stand together: " << zips.join(" ").toStdString();
  zips.sort();
  EXPECT_EQ(zips, QStringList({Path("tree/ARCHIVE.ZIP"), Path("tree/b.zip"), Path("tree/folder.zip/inner.zip"),
                               Path("tree/sub/d.Zip"), Path("tree/sub/deeper/e.zip")}));
}

TEST_F(TorrentZipRunnerTest, MergesTheNewLogsOfThreeZipsIntoOneNamedLikeTheFirst) {
  WriteFile(Join(logs_, "[roms]older.log"), "from an earlier run\n");
  WriteFile(Join(logs_, "[roms]a.log.tmp"), "someone else's");
  WriteFile(Join(logs_, "[other]x.log"), "other folder\n");
  const QStringList zips = Zips("games/roms", {"a.zip", "b.zip", "c.zip"});

  const TorrentZipOutcome outcome = Run(zips);

  EXPECT_EQ(StandinCalls(logs_), QList<QStringList>({{zips[0]}, {zips[1]}, {zips[2]}}));
  EXPECT_EQ(outcome.combined_log, Join(logs_, "[roms]a.log"));
  EXPECT_EQ(ReadFile(outcome.combined_log), MergedLog("a.zip") + MergedLog("b.zip") + MergedLog("c.zip"));
  EXPECT_EQ(Names(logs_), QStringList({"[other]x.log", "[roms]a.log", "[roms]a.log.tmp", "[roms]older.log",
                                       "standin-calls.rec"}));
  EXPECT_EQ(ReadFile(Join(logs_, "[roms]older.log")), "from an earlier run\n");
  EXPECT_EQ(ReadFile(Join(logs_, "[roms]a.log.tmp")), "someone else's");
  EXPECT_EQ(progress_.positions, std::vector<int>({1, 2, 3, 3}));
  EXPECT_TRUE(progress_.error_logs.isEmpty());
}

TEST_F(TorrentZipRunnerTest, PassesEachZipPathAsOneUnchangedArgument) {
  const QStringList zips = Zips("odd dir", {"with space.zip", "\"quoted\".zip", "'single'.zip", "$HOME.zip",
                                            "new\nline.zip", "-leading.zip", "semi;colon&`x`.zip", "back\\slash.zip"});
  const TorrentZipOutcome outcome = Run(zips);

  QList<QStringList> expected;
  std::string merged;
  for (const QString& zip : zips) {
    expected.push_back({zip});
    // The newline inside one name ends a line of its log like any other.
    merged += MergedLog(QFileInfo(zip).fileName().replace("\n", "\r\n").toStdString());
  }
  EXPECT_EQ(StandinCalls(logs_), expected);
  EXPECT_EQ(Names(logs_), QStringList({"[odd dir]with space.log", "standin-calls.rec"}));
  EXPECT_EQ(ReadFile(outcome.combined_log), merged);
}

// A new log that cannot be read stays where it is instead of being deleted unread, and something
// that took the first log's name during the run is not replaced by the combined log.
TEST_F(TorrentZipRunnerTest, KeepsUnreadableLogsAndNeverReplacesAnythingWithTheCombinedLog) {
  const QStringList zips = Zips("roms", {"a.zip", "unreadable.zip", "wait.zip"});
  std::thread worker([&] { Run(zips); });
  while (StandinCalls(logs_).size() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  QDir().mkpath(Join(logs_, "[roms]a.log/kept"));
  WriteFile(Join(logs_, "continue"), "");
  worker.join();

  EXPECT_EQ(ReadFile(Join(logs_, "[roms]a (1).log")), MergedLog("a.zip") + MergedLog("wait.zip"));
  EXPECT_TRUE(IsSymLink(Join(logs_, "[roms]unreadable.log")));
  EXPECT_EQ(Names(logs_), QStringList({"[roms]a (1).log", "[roms]a.log", "[roms]unreadable.log", "continue",
                                       "standin-calls.rec"}));
}

TEST_F(TorrentZipRunnerTest, RunsNothingWhenTheLogsFolderIsNoFolder) {
  WriteFile(logs_, "a file where the logs folder should be");
  const TorrentZipOutcome outcome = Run(Zips("roms", {"a.zip"}));
  EXPECT_FALSE(outcome.logs_folder_usable);
  EXPECT_EQ(outcome.processed, 0);
  EXPECT_EQ(ReadFile(logs_), "a file where the logs folder should be");
}

TEST(TorrentZipDirectoryNameTest, IsTheLastFolderOfThePath) {
  const struct {
    const char* zip;
    const char* name;
  } cases[] = {{"/games/roms/a.zip", "roms"}, {"/x/a b/c.zip", "a b"}, {"/top/a.zip", "top"},
               {"/a.zip", "/"}, {"a.zip", ""}};
  for (const auto& c : cases) EXPECT_EQ(TorrentZipDirectoryName(c.zip), c.name) << c.zip;
}

}  // namespace
}  // namespace zandrel::test
