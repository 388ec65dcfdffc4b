// Start-up, placement, menus and exit of the main window, driven as a user would.
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include "tests/gui/main_window_fixture.h"

namespace zandrel::test {
namespace {

using C = MainControl;
using M = MainMenuItem;

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
  EXPECT_TRUE(Box(C::kOpenReport)->isChecked());
  EXPECT_TRUE(Box(C::kCheckUnneeded)->isChecked());
  EXPECT_FALSE(Box(C::kDeleteUnneeded)->isChecked());
  EXPECT_FALSE(Box(C::kDeleteOnlyWhenComplete)->isEnabled());
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
    EXPECT_TRUE(Box(C::kHashCheck)->isChecked());
    // Ticked "Delete wrong sized files" greys out trimming without changing its tick.
    EXPECT_FALSE(Box(C::kTrimPaddedFiles)->isEnabled());
    EXPECT_EQ(Get<QLineEdit>(C::kBackupDirField)->text(), "/backups");
    EXPECT_TRUE(Window().Control(C::kBackupSelect)->isEnabled());
    ASSERT_TRUE(CloseAndWaitForExit());
    EXPECT_EQ(SettingsLines().contains("WindowMaximized=1"), c.maximized);
    app_.reset();
    QFile::remove(SettingsPath());
  }
}

TEST_F(MainWindowStartupTest, MenusShortcutsAndSignalsOfTheFeatureWindows) {
  MainWindow& window = Start();
  QStringList titles;
  for (QAction* menu : window.menuBar()->actions()) titles << menu->text();
  EXPECT_EQ(titles, QStringList({"File", "Settings", "Tools", "Language", "Help"}));
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
  EXPECT_FALSE(Get<QPushButton>(C::kIgnoreButton)->isChecked());
  EXPECT_EQ(ignore.count(), 1);
}

}  // namespace
}  // namespace zandrel::test
