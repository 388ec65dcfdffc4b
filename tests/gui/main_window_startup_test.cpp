// Start-up, placement, menus and exit of the main window, driven as a user would.
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include "tests/gui/main_window_fixture.h"

namespace zandrel::test {
namespace {

class MainWindowStartupTest : public MainWindowFixture {};

TEST_F(MainWindowStartupTest, FirstStartOpensCentredAtNaturalSizeAndExitWritesTheSettings) {
  MainWindow& window = Start();
  EXPECT_EQ(window.windowTitle(), "Zandrel v1.0");
  EXPECT_TRUE(window.isVisible());
  const QSize natural(window.Sizes().natural_width, window.NaturalHeight());
  EXPECT_EQ(window.centralWidget()->size(), natural);
  EXPECT_EQ(window.centralWidget()->minimumSize(), natural);
  const QRect screen = window.screen()->availableGeometry();
  EXPECT_EQ(window.frameGeometry().x(), screen.width() / 2 - natural.width() / 2);
  // Defaults on the boxes; the backup field follows the download directory.
  EXPECT_TRUE(Box(OptionBox(&RunFlags::OpenReport))->isChecked());
  EXPECT_TRUE(Box(OptionBox(&RunFlags::CheckUnneededFiles))->isChecked());
  EXPECT_FALSE(Box(OptionBox(&RunFlags::DelUnneededFiles))->isChecked());
  EXPECT_FALSE(Box(OptionBox(&RunFlags::DelOnlyWhenComplete))->isEnabled());
  EXPECT_TRUE(Box(C::kBackupToTorrentDir)->isChecked());
  EXPECT_FALSE(Window().Control(C::kBackupDirField)->isEnabled());
  EXPECT_FALSE(Window().Control(C::kProgressBar)->isVisible());

  window.move(window.pos() + QPoint(7, 9));
  QApplication::processEvents();
  const QPoint moved = window.frameGeometry().topLeft();
  ASSERT_TRUE(CloseAndWaitForExit());
  const QStringList lines = SettingsLines();
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_EQ(lines.front(), ";Zandrel v1.0 Settings File");
  EXPECT_TRUE(lines.contains(QString("WindowPositionX=%1").arg(moved.x())));
  EXPECT_TRUE(lines.contains(QString("WindowPositionY=%1").arg(moved.y())));
  EXPECT_TRUE(lines.contains(QString("WindowSizeX=%1").arg(natural.width())));
  EXPECT_TRUE(lines.contains(QString("WindowSizeY=%1").arg(natural.height())));
  EXPECT_TRUE(lines.contains("OpenReport=1"));
}

TEST_F(MainWindowStartupTest, StoredGeometryAndOptionsAreApplied) {
  struct Case {
    const char* what;
    QByteArray settings;
    bool maximized;
  } cases[] = {
      {"garbage and a window off every screen",
       "\x01\xff garbage\r\nWindowPositionX=100000\r\nWindowPositionY=-90000\r\nWindowSizeX=20\r\nWindowSizeY=99999\r\n"
       "HashCheck=1\r\nDeleteWrongSizedFiles=1\r\nBackupToTorrentDir=0\r\nBackupDir=/backups\r\n",
       false},
      {"maximized", "WindowMaximized=1\r\nHashCheck=1\r\nDeleteWrongSizedFiles=1\r\nBackupToTorrentDir=0\r\nBackupDir=/backups\r\n",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MainWindow& window = Start(c.settings);
    EXPECT_EQ(window.isMaximized(), c.maximized);
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window.frameGeometry())) << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
                                                   << window.frameGeometry().width() << "x" << window.frameGeometry().height();
    EXPECT_GE(window.centralWidget()->width(), window.Sizes().natural_width);
    EXPECT_TRUE(Box(OptionBox(&RunFlags::HashCheck))->isChecked());
    // Ticked "Delete wrong sized files" greys out trimming without changing its tick.
    EXPECT_FALSE(Box(OptionBox(&RunFlags::TrimPaddedFiles))->isEnabled());
    EXPECT_EQ(Field(C::kBackupDirField)->text(), "/backups");
    EXPECT_TRUE(Window().Control(C::kBackupSelect)->isEnabled());
    ASSERT_TRUE(CloseAndWaitForExit());
    EXPECT_EQ(SettingsLines().contains("WindowMaximized=1"), c.maximized);
    app_.reset();
    QFile::remove(SettingsPath());
  }
}

// A settings file that names a language but holds no window geometry is a first start too.
TEST_F(MainWindowStartupTest, ALanguageLineAloneStillOpensTheWindowCentred) {
  WriteFile(Join(work_, "lang/Deutsch.lng"), ReadFile(QStringLiteral(ZANDREL_SOURCE_DIR "/lang/Deutsch.lng")));
  MainWindow& window = Start("Language=Deutsch.lng\r\n");
  EXPECT_EQ(Button(C::kCheckTorrent)->text(), "Torrent prüfen");
  const QSize natural(window.Sizes().natural_width, window.NaturalHeight());
  EXPECT_EQ(window.centralWidget()->size(), natural);
  const QRect screen = window.screen()->availableGeometry();
  EXPECT_EQ(window.frameGeometry().x(), screen.width() / 2 - natural.width() / 2);
  EXPECT_EQ(window.frameGeometry().y(), screen.height() / 2 - natural.height() / 2);
}

TEST_F(MainWindowStartupTest, MenusShortcutsAndSignalsOfTheFeatureWindows) {
  MainWindow& window = Start();
  QStringList titles;
  for (QAction* menu : window.menuBar()->actions()) titles << menu->text();
  EXPECT_EQ(titles, QStringList({"&File", "&Settings", "&Tools", "&Language", "&Help"}));
  EXPECT_TRUE(window.MenuAction(M::kExit)->text().endsWith("\tAlt+F4"));
  EXPECT_EQ(window.MenuAction(M::kSaveCurrentLanguage), nullptr);  // debug mode only

  // Every Ctrl shortcut from the keyboard reaches its item.
  struct Shortcut {
    Qt::Key key;
    const char* signal;  // nullptr: answered by a requester
  } shortcuts[] = {{Qt::Key_I, SIGNAL(loadIgnoreTorrentsRequested())}, {Qt::Key_E, SIGNAL(clearIgnoreListRequested())},
                   {Qt::Key_A, SIGNAL(torrentZipFilesRequested())},     {Qt::Key_Z, SIGNAL(torrentZipDirectoryRequested())},
                   {Qt::Key_X, SIGNAL(deleteAllLogFilesRequested())},   {Qt::Key_L, SIGNAL(openLogDirectoryRequested())},
                   {Qt::Key_F, nullptr},                                {Qt::Key_D, nullptr}};
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  for (const Shortcut& s : shortcuts) {
    if (s.signal == nullptr) continue;
    QSignalSpy spy(&window, s.signal);
    QTest::keyClick(&window, s.key, Qt::ControlModifier);
    EXPECT_EQ(spy.count(), 1) << s.signal;
  }
  dialogs_.asked.clear();  // the items' own boxes and requesters (ignore list, TorrentZip, log files)
  QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
  QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
  ASSERT_EQ(dialogs_.asked.size(), 2);
  EXPECT_EQ(dialogs_.asked[0].title, "Select .torrent file");
  EXPECT_EQ(dialogs_.asked[0].text, "Torrent file (*.torrent)");
  EXPECT_EQ(dialogs_.asked[1].title, "Select torrent directory");

  // The buttons of the feature windows.
  QSignalSpy ignore(&window, &MainWindow::ignoreListToggled);
  QSignalSpy view(&window, &MainWindow::viewTorrentRequested);
  Click(C::kIgnoreButton);
  Click(C::kViewTorrent);
  ASSERT_EQ(ignore.count(), 1);
  EXPECT_TRUE(ignore[0][0].toBool());
  EXPECT_EQ(view.count(), 1);
  window.SetIgnoreButtonPressed(false);  // the ignore window closed: released without a signal
  EXPECT_FALSE(Button(C::kIgnoreButton)->isChecked());
  EXPECT_EQ(ignore.count(), 1);
}

// At start-up the keys reach the menus, not the stored torrent path; inside a text field its own
// editing keys stay the field's and every other shortcut still reaches its menu item.
TEST_F(MainWindowStartupTest, KeysAtStartUpAndInATextField) {
  MainWindow& window = Start("TorrentFile=/data/show.torrent\r\n");
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(QApplication::focusWidget(), window.Control(C::kCheckTorrent));
  auto* path = Field(C::kTorrentPath);

  QSignalSpy delete_logs(&window, &MainWindow::deleteAllLogFilesRequested);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(delete_logs.count(), 1);
  EXPECT_EQ(path->text(), "/data/show.torrent");
  // A requester that makes the window busy hands the keyboard back where it was.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.asked.back().kind, "directory");
  EXPECT_EQ(QApplication::focusWidget(), window.Control(C::kCheckTorrent));

  // Alt+letter opens a menu; the letters are the program's choice, one per menu.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::AltModifier);
  QMenu* tools = window.menuBar()->actions()[2]->menu();
  ASSERT_TRUE(QTest::qWaitFor([&] { return tools->isVisible(); }));
  QTest::keyClick(tools, Qt::Key_Escape);
  QTest::keyClick(window.menuBar(), Qt::Key_Escape);

  path->setFocus();
  path->selectAll();
  struct Key {
    Qt::Key key;
    const char* signal;
    int raised;     // how often the menu item's signal comes
    QString text;   // the field's text afterwards
  } keys[] = {
      {Qt::Key_X, SIGNAL(deleteAllLogFilesRequested()), 0, ""},                  // cut
      {Qt::Key_Z, SIGNAL(torrentZipDirectoryRequested()), 0, "/data/show.torrent"},  // undo
      {Qt::Key_A, SIGNAL(torrentZipFilesRequested()), 0, "/data/show.torrent"},  // select all
      {Qt::Key_E, SIGNAL(clearIgnoreListRequested()), 0, "/data/show.torrent"},  // end of line
      {Qt::Key_L, SIGNAL(openLogDirectoryRequested()), 1, "/data/show.torrent"},
      {Qt::Key_I, SIGNAL(loadIgnoreTorrentsRequested()), 1, "/data/show.torrent"},
  };
  for (const Key& k : keys) {
    SCOPED_TRACE(k.signal);
    QSignalSpy spy(&window, k.signal);
    QTest::keyClick(path, k.key, Qt::ControlModifier);
    EXPECT_EQ(spy.count(), k.raised);
    EXPECT_EQ(path->text(), k.text);
  }
  EXPECT_EQ(Opts().TorrentFile, "/data/show.torrent");
  EXPECT_EQ(QApplication::focusWidget(), path);

  // Return and Enter press a button of the window, as Space does.
  QSignalSpy view(&window, &MainWindow::viewTorrentRequested);
  QSignalSpy ignore(&window, &MainWindow::ignoreListToggled);
  QTest::keyClick(window.Control(C::kIgnoreButton), Qt::Key_Enter);
  QTest::keyClick(window.Control(C::kViewTorrent), Qt::Key_Return);
  EXPECT_EQ(view.count(), 1);
  EXPECT_EQ(ignore.count(), 1);
}

}  // namespace
}  // namespace zandrel::test
