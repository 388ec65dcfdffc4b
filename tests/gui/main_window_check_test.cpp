// Check Torrent through the window: the edge cases of the start, real runs, cancel and exit.
#include <QDirIterator>
#include <QProgressBar>

#include "app/gui/status_line.h"
#include "platform/folder_lock.h"
#include "platform/native_name.h"
#include "platform/path_recovery.h"

#include <cstdio>

#include "tests/gui/main_window_fixture.h"
#include "tests/support/bencode.h"

namespace zandrel::test {
namespace {

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
  // Deletion of unneeded items on, also when the torrent is incomplete, and no backups.
  void DeleteEverythingUnneeded() {
    Click(OptionBox(&RunFlags::DelUnneededFiles));
    Click(OptionBox(&RunFlags::DelOnlyWhenComplete));
    Click(OptionBox(&RunFlags::CreateBackups));
    ASSERT_EQ(Opts().DelUnneededFiles, 1);
    ASSERT_EQ(Opts().DelOnlyWhenComplete, 0);
    ASSERT_EQ(Opts().CreateBackups, 0);
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
  Click(OptionBox(&RunFlags::HashCheck));
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
  EXPECT_EQ(Button(C::kCheckTorrent)->text(), "Check Torrent");
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

// The "Open report" box as it stood at the start: ticked, the report opens and the status line
// does not point to it; unticked, nothing opens and the line points to the report.
TEST_F(MainWindowCheckTest, TheOpenReportBoxDecidesWhereTheStatusLineSendsTheUser) {
  CopySample();
  ASSERT_TRUE(QFile::remove(Join(download_, "info.nfo")));
  MainWindow& window = Start();
  SetPaths();
  const struct {
    bool ticked;
    const char* status;
    qsizetype opened;
  } cases[] = {
      {true, "Error. Torrent check unsuccessful.", 1},
      {false, "Error. Torrent check unsuccessful. See report.", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ticked);
    if (Box(OptionBox(&RunFlags::OpenReport))->isChecked() != c.ticked) Click(OptionBox(&RunFlags::OpenReport));
    dialogs_.opened.clear();
    QSignalSpy finished(&window, &MainWindow::checkRunFinished);
    Click(C::kCheckTorrent);
    ASSERT_TRUE(WaitForRunEnd(finished));
    EXPECT_EQ(StatusText(), c.status);
    EXPECT_EQ(dialogs_.opened.size(), c.opened);
  }
}

// Nothing opens the report (no program for .log files) after a run with "Open report" ticked, nor
// the logs folder from the menu: the status line says so and names the path, after the run's
// outcome. The longer line neither widens the window nor its status line, which shortens what it
// draws and keeps the whole text.
TEST_F(MainWindowCheckTest, AReportOrLogsFolderThatCannotBeOpenedIsNamedInTheStatusLine) {
  CopySample();
  MainWindow& window = Start();
  SetPaths();
  ASSERT_TRUE(Box(OptionBox(&RunFlags::OpenReport))->isChecked());
  const int window_width = window.width(), line_width = window.Control(C::kStatusLine)->width();
  dialogs_.open_fails = true;
  QSignalSpy finished(&window, &MainWindow::checkRunFinished);
  Click(C::kCheckTorrent);
  ASSERT_TRUE(WaitForRunEnd(finished));
  const QStringList reports = Reports();
  ASSERT_EQ(reports.size(), 1);
  const QString report = Join(app_->Context().data_folder.logs_path, reports[0]);
  EXPECT_EQ(dialogs_.opened, QStringList{report});
  const QString expected = "Torrent check was successful! No errors found. Could not open \"" + report +
                           "\": no program to open it could be started.";
  EXPECT_TRUE(QTest::qWaitFor([&] { return StatusText() == expected; }, 10000)) << StatusText().toStdString();
  EXPECT_TRUE(window.Control(C::kStatusLine)->isVisible());
  EXPECT_EQ(window.width(), window_width);
  EXPECT_EQ(window.Control(C::kStatusLine)->width(), line_width);
  const auto* line = static_cast<StatusLine*>(window.Label(C::kStatusLine));
  EXPECT_LE(line->fontMetrics().horizontalAdvance(line->ShownText()), line->contentsRect().width());
  if (line->fontMetrics().horizontalAdvance(expected) > line->contentsRect().width()) {
    EXPECT_TRUE(line->ShownText().contains(QChar(0x2026))) << line->ShownText().toStdString();
    EXPECT_TRUE(line->ShownText().endsWith("could be started.")) << "the end stays in view";
  }

  const QString logs = app_->Context().data_folder.logs_path;
  Trigger(MainMenuItem::kOpenLogDir);
  EXPECT_EQ(dialogs_.opened.last(), logs);
  const QString folder_failure = "Could not open \"" + logs + "\": no program to open it could be started.";
  EXPECT_TRUE(QTest::qWaitFor([&] { return StatusText() == folder_failure; }, 10000)) << StatusText().toStdString();
  EXPECT_EQ(window.width(), window_width);

  // An opener that works says nothing.
  dialogs_.open_fails = false;
  Window().SetStatusText("");
  Trigger(MainMenuItem::kOpenLogDir);
  QTest::qWait(50);
  EXPECT_EQ(StatusText(), "");
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
  Click(OptionBox(&RunFlags::CreateBackups));
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
  Click(OptionBox(&RunFlags::CreateBackups));
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
  Click(OptionBox(&RunFlags::HashCheck));
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
  Click(OptionBox(&RunFlags::HashCheck));
  Click(C::kCheckTorrent);
  ASSERT_TRUE(window.CheckRunning());
  // Let the run get into its hashing and the window paint some progress first.
  QTest::qWait(300);
  ASSERT_TRUE(CloseAndWaitForExit(60000));
  EXPECT_FALSE(window.CheckRunning());
  EXPECT_TRUE(SettingsLines().contains("HashCheck=1"));
  EXPECT_TRUE(SettingsLines().contains("TorrentFile=" + torrent_));
}


// Every file below a folder with its bytes.
QMap<QString, QByteArray> FilesBelow(const QString& root) {
  QMap<QString, QByteArray> files;
  QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile file(path);
    files[path] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
  }
  return files;
}

// The refusals of the command line, met through the window: a box says why, and nothing changes.
TEST_F(MainWindowCheckTest, TheWindowRefusesWhatTheCommandLineRefuses) {
  CopySample();
  WriteFile(Join(download_, "stray.txt"), "the user's own");
  MainWindow& window = Start();
  ASSERT_TRUE(DropFiles(C::kTorrentPath, {torrent_}));
  DeleteEverythingUnneeded();
  const QMap<QString, QByteArray> before = FilesBelow(work_);
  FolderLock other_run;
  ASSERT_EQ(other_run.Acquire(download_), FolderLock::Outcome::kLocked);
  const struct {
    QString dir;
    QString text;
  } cases[] = {
      {work_, work_ + ": not one file of the torrent is here; the files seem to be in " + download_},
      {Join(work_, "gone"), Join(work_, "gone") + ": no such directory"},
      {download_, download_ + ": a check of this folder is already running"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(DropFiles(C::kDownloadDir, {c.dir}));
    dialogs_.yes_no = {true};
    const int boxes = dialogs_.Count("message");
    Click(C::kCheckTorrent);
    EXPECT_FALSE(window.CheckRunning());
    ASSERT_EQ(dialogs_.Count("message"), boxes + 1) << c.dir.toStdString();
    EXPECT_EQ(dialogs_.asked.back().title, "Error");
    EXPECT_TRUE(dialogs_.asked.back().text.startsWith(c.text)) << dialogs_.asked.back().text.toStdString();
    EXPECT_TRUE(Window().Control(C::kTorrentPath)->isEnabled());
  }
  EXPECT_TRUE(Reports().isEmpty());
  EXPECT_EQ(FilesBelow(work_), before);
}


// Two ways a desktop user pointed a deleting run at the wrong folder: a folder of their own that
// holds a renamed copy of the download, and a folder typed as "deep/L/..", which names the
// download for the system although "deep" holds a file of it. Neither loses a byte.
TEST_F(MainWindowCheckTest, AWrongFolderLosesNothing) {
  CopySample();
  WriteFile(Join(download_, "stray.txt"), "left by the client");
  const QString pictures = Join(work_, "Pictures");
  WriteFile(Join(pictures, "Sample copy/Docs/readme.txt"), ReadFile(Join(download_, "Docs/readme.txt")));
  WriteFile(Join(pictures, "holiday.jpg"), "a photo");
  WriteFile(Join(pictures, "thesis.odt"), "years of work");
  WriteFile(Join(work_, "deep/info.nfo"), ReadFile(Join(download_, "info.nfo")));
  WriteFile(Join(work_, "deep/thesis.odt"), "years of work");
  ASSERT_TRUE(QFile::link(Join(download_, "Docs"), Join(work_, "deep/L")));
  const QMap<QString, QByteArray> pictures_before = FilesBelow(pictures), deep_before = FilesBelow(Join(work_, "deep"));
  MainWindow& window = Start();
  ASSERT_TRUE(DropFiles(C::kTorrentPath, {torrent_}));
  DeleteEverythingUnneeded();
  QSignalSpy finished(&window, &MainWindow::checkRunFinished);
  for (const QString& dir : {pictures, Join(work_, "deep/L/..")}) {
    Type(C::kDownloadDir, dir);
    dialogs_.yes_no = {true};
    const int runs = finished.count();
    Click(C::kCheckTorrent);
    ASSERT_TRUE(finished.count() > runs || finished.wait(60000)) << dir.toStdString();
  }
  EXPECT_EQ(FilesBelow(pictures), pictures_before);
  EXPECT_EQ(FilesBelow(Join(work_, "deep")), deep_before);
  EXPECT_FALSE(QFile::exists(Join(download_, "stray.txt")));
  EXPECT_TRUE(QFile::exists(Join(download_, "Docs/readme.txt")));
}

// A torrent and a download folder whose names are not UTF-8, dropped on the window: the run finds
// every file, and the settings file keeps both paths byte for byte.
TEST_F(MainWindowCheckTest, PathsThatAreNotUtf8KeepEveryByte) {
  CopySample();
  const QString torrent = DecodeName(EncodeName(work_) + "/t\xfe.torrent");
  const QString download = DecodeName(EncodeName(work_) + "/Sample\xff");
  ASSERT_EQ(::rename(EncodeName(torrent_).constData(), EncodeName(torrent).constData()), 0);
  ASSERT_EQ(::rename(EncodeName(download_).constData(), EncodeName(download).constData()), 0);
  MainWindow& window = Start();
  ASSERT_TRUE(DropFiles(C::kTorrentPath, {torrent}));
  ASSERT_TRUE(DropFiles(C::kDownloadDir, {download}));
  Click(OptionBox(&RunFlags::HashCheck));
  QSignalSpy finished(&window, &MainWindow::checkRunFinished);
  Click(C::kCheckTorrent);
  ASSERT_TRUE(WaitForRunEnd(finished));
  EXPECT_EQ(StatusText(), "Torrent check was successful! No errors found.");
  ASSERT_TRUE(CloseAndWaitForExit());
  const std::string settings = ReadFile(SettingsPath());
  EXPECT_NE(settings.find("TorrentFile=" + EncodeName(torrent).toStdString() + "\r\n"), std::string::npos);
  EXPECT_NE(settings.find("TorrentDir=" + EncodeName(download).toStdString()), std::string::npos);
  // What a requester hands back, with the bytes shown as U+FFFD, finds the same folder.
  EXPECT_EQ(RecoverPath(DisplayName(download)), download);
  EXPECT_EQ(RecoverPath(DisplayName(torrent)), torrent);
}

}  // namespace
}  // namespace zandrel::test
