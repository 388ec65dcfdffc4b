// Check Torrent through the window: the edge cases of the start, real runs, cancel and exit.
#include <QProgressBar>

#include "tests/gui/main_window_fixture.h"
#include "tests/support/bencode.h"

namespace zandrel::test {
namespace {

using C = MainControl;

TorrentFileItem BigFile(const char* name, int64_t length) {
  TorrentFileItem item;
  item.path = {name};
  item.length = length;
  return item;
}

class MainWindowCheckTest : public MainWindowFixture {
 protected:
  // A copy of the sample download and its torrent in the temporary folder.
  void CopySample() {
    const QString source = QStringLiteral(ZANDREL_SOURCE_DIR "/sample");
    torrent_ = Join(work_, "Sample Download.torrent");
    ASSERT_TRUE(QFile::copy(Join(source, "Sample Download.torrent"), torrent_));
    download_ = Join(work_, "Sample Download");
    for (const char* relative : {"info.nfo", "Docs/readme.txt", "Docs/notes.txt", "Media/cover.bin", "Media/clip.bin"}) {
      WriteFile(Join(download_, relative), ReadFile(Join(Join(source, "Sample Download"), relative)));
    }
  }
  // A torrent of one large file whose pieces never match, over a sparse file: hashing it keeps a
  // run busy for a while without writing gigabytes.
  void MakeLongRun(int64_t length) {
    constexpr int64_t kPiece = 4 << 20;
    torrent_ = Join(work_, "big.torrent");
    download_ = Join(work_, "big");
    QDir().mkpath(download_);
    const std::string pieces(static_cast<size_t>((length + kPiece - 1) / kPiece) * 20, '\0');
    WriteFile(torrent_, BuildMultiFileTorrent("big", {BigFile("big.bin", length)}, kPiece, pieces));
    QFile file(Join(download_, "big.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(length));
  }
  void SetPaths() {
    ASSERT_TRUE(DropFiles(C::kTorrentPath, {torrent_}));
    ASSERT_TRUE(DropFiles(C::kDownloadDir, {download_}));
  }
  bool WaitForRunEnd(QSignalSpy& finished) { return finished.count() > 0 || finished.wait(60000); }
  QStringList Reports() {
    return QDir(app_->Context().data_folder.logs_path).entryList(QDir::Files);
  }

  QString torrent_, download_;
};

TEST_F(MainWindowCheckTest, ARealRunStartedByClickingCheckTorrent) {
  CopySample();
  MainWindow& window = Start();
  SetPaths();
  Click(C::kHashCheck);
  QSignalSpy finished(&window, &MainWindow::checkRunFinished);
  Click(C::kCheckTorrent);
  // Busy at once; the button stays usable, as Cancel.
  EXPECT_TRUE(window.CheckRunning());
  EXPECT_FALSE(Window().Control(C::kTorrentPath)->isEnabled());
  EXPECT_FALSE(window.MenuAction(MainMenuItem::kSelectFont)->isEnabled());
  EXPECT_TRUE(Window().Control(C::kCheckTorrent)->isEnabled());
  ASSERT_TRUE(WaitForRunEnd(finished));

  EXPECT_FALSE(window.CheckRunning());
  EXPECT_EQ(StatusText(), "Torrent check was successful! No errors found.");
  EXPECT_EQ(Get<QPushButton>(C::kCheckTorrent)->text(), "Check Torrent");
  EXPECT_TRUE(Window().Control(C::kTorrentPath)->isEnabled());
  EXPECT_TRUE(Window().Control(C::kStatusLine)->isVisible());
  EXPECT_FALSE(Window().Control(C::kProgressBar)->isVisible());
  const QStringList reports = Reports();
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].startsWith("ZandrelReport_Sample Download_"));
  const QString report = Join(app_->Context().data_folder.logs_path, reports[0]);
  EXPECT_EQ(dialogs_.opened, QStringList{report});  // "Open report after scan" is ticked by default
  const QStringList lines = ReadReportLines(report);
  ASSERT_GE(lines.size(), 5);
  EXPECT_EQ(lines.mid(0, 5), QStringList({"Zandrel v1.0 Report file", "------------------------", "",
                                          "File check/size check:", ""}));
  EXPECT_TRUE(lines.contains("Correct files: (5/5) - Missing files: (0/5) - Wrong sized files: (0) - "
                             "Successfully trimmed files: (0/0) - Deleted wrong sized files: (0/0)"));
}

TEST_F(MainWindowCheckTest, EdgeCasesOfTheStart) {
  MainWindow& window = Start();
  // Empty paths: nothing at all.
  Click(C::kCheckTorrent);
  EXPECT_TRUE(dialogs_.asked.isEmpty());
  EXPECT_FALSE(window.CheckRunning());

  // Backups off: the warning comes on every press, before the torrent is read.
  const QString missing = Join(work_, "missing.torrent");
  ASSERT_TRUE(DropFiles(C::kTorrentPath, {missing}));
  ASSERT_TRUE(DropFiles(C::kDownloadDir, {work_}));
  Click(C::kCreateBackups);
  dialogs_.yes_no = {false, true, true};
  Click(C::kCheckTorrent);
  EXPECT_EQ(dialogs_.Count("yesno"), 1);
  EXPECT_EQ(dialogs_.asked.back().title, "Warning!");
  EXPECT_EQ(dialogs_.asked.back().text, "Backups are turned off!\nAre you sure you want to proceed?");
  EXPECT_EQ(dialogs_.asked.back().icon, BoxIcon::kWarning);
  EXPECT_EQ(StatusText(), "");  // answered No: not read
  Click(C::kCheckTorrent);
  EXPECT_EQ(dialogs_.Count("yesno"), 2);
  EXPECT_EQ(StatusText(), "Torrent file not found.");
  EXPECT_FALSE(window.CheckRunning());
  EXPECT_TRUE(Window().Control(C::kTorrentPath)->isEnabled());
  // After the failed read the same path starts nothing, warning or not.
  Window().SetStatusText("");
  Click(C::kCheckTorrent);
  EXPECT_EQ(dialogs_.Count("yesno"), 3);
  EXPECT_FALSE(window.CheckRunning());
  EXPECT_EQ(StatusText(), "");

  // A file that is no torrent, and a folder dropped as the torrent: a status text, no run.
  Click(C::kCreateBackups);
  WriteFile(Join(work_, "junk.torrent"), "d4:infoi3ee");
  for (const QString& bad : {Join(work_, "junk.torrent"), work_}) {
    ASSERT_TRUE(DropFiles(C::kTorrentPath, {bad}));
    Window().SetStatusText("");
    Click(C::kCheckTorrent);
    EXPECT_FALSE(window.CheckRunning()) << bad.toStdString();
    EXPECT_FALSE(StatusText().isEmpty()) << bad.toStdString();
  }
  EXPECT_TRUE(Reports().isEmpty());
}

TEST_F(MainWindowCheckTest, TwoQuickPressesCancelTheRun) {
  MakeLongRun(int64_t(1) << 30);
  MainWindow& window = Start();
  SetPaths();
  Click(C::kHashCheck);
  QSignalSpy finished(&window, &MainWindow::checkRunFinished);
  Click(C::kCheckTorrent);
  Click(C::kCheckTorrent);
  ASSERT_TRUE(WaitForRunEnd(finished));
  EXPECT_EQ(StatusText(), "Cancelled.");
  const QStringList reports = Reports();
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(ReadReportLines(Join(app_->Context().data_folder.logs_path, reports[0])).last(), "* Zandrel cancelled.");
  EXPECT_TRUE(dialogs_.opened.isEmpty());
}

TEST_F(MainWindowCheckTest, ClosingDuringARunCancelsItThenSavesAndExits) {
  MakeLongRun(int64_t(4) << 30);
  MainWindow& window = Start();
  SetPaths();
  Click(C::kHashCheck);
  Click(C::kCheckTorrent);
  ASSERT_TRUE(window.CheckRunning());
  // Let the run get into its hashing and the window paint some progress first.
  QTest::qWait(300);
  ASSERT_TRUE(CloseAndWaitForExit(60000));
  EXPECT_FALSE(window.CheckRunning());
  EXPECT_TRUE(SettingsLines().contains("HashCheck=1"));
  EXPECT_TRUE(SettingsLines().contains("TorrentFile=" + torrent_));
}

}  // namespace
}  // namespace zandrel::test
