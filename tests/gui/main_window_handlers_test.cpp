// The main window's controls and menu items, used as a user would.
#include <QMenu>
#include <QMenuBar>

#include "tests/gui/main_window_fixture.h"

namespace zandrel::test {
namespace {

class MainWindowHandlersTest : public MainWindowFixture {
 protected:
  QString FieldText(ControlId control) { return Field(control)->text(); }
  bool& TorrentChanged() { return app_->Context().torrent_changed; }
};

TEST_F(MainWindowHandlersTest, TorrentPathTypedDroppedAndChosen) {
  Start();
  const QString a = Join(work_, "a.torrent"), b = Join(work_, "b.torrent");
  Type(C::kTorrentPath, a);
  EXPECT_EQ(Opts().TorrentFile, a);
  EXPECT_TRUE(TorrentChanged());

  // The same torrent dropped again is not read again; another one is, and only the first of
  // several dropped files counts.
  TorrentChanged() = false;
  ASSERT_TRUE(DropFiles(C::kTorrentPath, {a}));
  EXPECT_FALSE(TorrentChanged());
  QStringList many{b};
  for (int i = 0; i < 1000; ++i) many << Join(work_, QString("f%1").arg(i));
  ASSERT_TRUE(DropFiles(C::kTorrentPath, many));
  EXPECT_TRUE(TorrentChanged());
  EXPECT_EQ(Opts().TorrentFile, b);
  EXPECT_EQ(FieldText(C::kTorrentPath), b);

  // Text and links that are no local file are refused and change nothing.
  QMimeData text;
  text.setText("/etc/passwd");
  QMimeData remote;
  remote.setUrls({QUrl("https://example.org/x.torrent")});
  for (QMimeData* data : {&text, &remote}) {
    EXPECT_FALSE(Drop(Window().Control(C::kTorrentPath), data));
    EXPECT_EQ(Opts().TorrentFile, b);
  }

  // The requester: the same file or a cancel changes nothing; another file does.
  TorrentChanged() = false;
  dialogs_.open_files = {{b}, {}, {a}};
  for (int i = 0; i < 2; ++i) Trigger(M::kSelectTorrent);
  EXPECT_FALSE(TorrentChanged());
  Trigger(M::kSelectTorrent);
  EXPECT_TRUE(TorrentChanged());
  EXPECT_EQ(FieldText(C::kTorrentPath), a);
}

TEST_F(MainWindowHandlersTest, DownloadDirectoryMovesTheBackupFieldUnlessTyped) {
  Start();
  ASSERT_TRUE(Box(C::kBackupToTorrentDir)->isChecked());
  const QString typed = Join(work_, "typed"), dropped = Join(work_, "dropped"), chosen = Join(work_, "chosen");
  Type(C::kDownloadDir, typed);
  EXPECT_EQ(Opts().TorrentDir, typed);
  EXPECT_EQ(FieldText(C::kBackupDirField), "");

  QDir().mkpath(dropped);
  ASSERT_TRUE(DropFiles(C::kDownloadDir, {dropped}));
  EXPECT_EQ(Opts().TorrentDir, dropped);
  EXPECT_EQ(FieldText(C::kBackupDirField), dropped);
  EXPECT_EQ(Opts().BackupDir, dropped);

  dialogs_.directories = {{chosen + "/"}};
  Trigger(M::kSelectTorrentDirectory);
  EXPECT_EQ(Opts().TorrentDir, chosen);  // without the trailing separator
  EXPECT_EQ(FieldText(C::kBackupDirField), chosen);
  EXPECT_EQ(FieldText(C::kDownloadDir), chosen);
  EXPECT_TRUE(Window().Control(C::kCheckTorrent)->isEnabled());

  // Unticked: the backup field is the user's again and keeps its text.
  Click(C::kBackupToTorrentDir);
  EXPECT_TRUE(Window().Control(C::kBackupDirField)->isEnabled());
  EXPECT_EQ(FieldText(C::kBackupDirField), chosen);
  ASSERT_TRUE(DropFiles(C::kDownloadDir, {dropped}));
  EXPECT_EQ(FieldText(C::kBackupDirField), chosen);
}

TEST_F(MainWindowHandlersTest, CheckBoxesStoreTheirOptionAndGreyOutWhatDependsOnThem) {
  Start();
  struct Bound {
    ControlId box;
    int Options::*option;
  } bound[] = {{OptionBox(&RunFlags::LogFoundFiles), &Options::LogFoundFiles},
               {OptionBox(&RunFlags::HashCheck), &Options::HashCheck},
               {OptionBox(&RunFlags::OpenReport), &Options::OpenReport},
               {OptionBox(&RunFlags::TrimPaddedFiles), &Options::TrimPaddedFiles},
               {OptionBox(&RunFlags::FixMissing), &Options::FixMissing},
               {OptionBox(&RunFlags::CreateBackups), &Options::CreateBackups},
               {OptionBox(&RunFlags::CheckUnneededFiles), &Options::CheckUnneededFiles}};
  for (const Bound& b : bound) {
    const int before = Opts().*b.option;
    Click(b.box);
    EXPECT_EQ(Opts().*b.option, 1 - before) << b.box.Index();
  }
  // "Check for unneeded" is now clear: both deletion boxes are grey.
  EXPECT_FALSE(Box(OptionBox(&RunFlags::DelUnneededFiles))->isEnabled());
  EXPECT_FALSE(Box(OptionBox(&RunFlags::DelOnlyWhenComplete))->isEnabled());
  Click(OptionBox(&RunFlags::CheckUnneededFiles));
  EXPECT_TRUE(Box(OptionBox(&RunFlags::DelUnneededFiles))->isEnabled());
  EXPECT_FALSE(Box(OptionBox(&RunFlags::DelOnlyWhenComplete))->isEnabled());
  Click(OptionBox(&RunFlags::DelUnneededFiles));
  EXPECT_EQ(Opts().DelUnneededFiles, 1);
  EXPECT_TRUE(Box(OptionBox(&RunFlags::DelOnlyWhenComplete))->isEnabled());
  Click(OptionBox(&RunFlags::DelOnlyWhenComplete));
  EXPECT_EQ(Opts().DelOnlyWhenComplete, 0);

  // Deleting wrong-sized files greys out trimming but leaves its tick and option alone.
  ASSERT_TRUE(Box(OptionBox(&RunFlags::TrimPaddedFiles))->isChecked());
  Click(OptionBox(&RunFlags::DeleteWrongSizedFiles));
  EXPECT_EQ(Opts().DeleteWrongSizedFiles, 1);
  EXPECT_FALSE(Box(OptionBox(&RunFlags::TrimPaddedFiles))->isEnabled());
  EXPECT_TRUE(Box(OptionBox(&RunFlags::TrimPaddedFiles))->isChecked());
  EXPECT_EQ(Opts().TrimPaddedFiles, 1);

  Click(C::kAlwaysOnTop);
  EXPECT_EQ(Opts().KeepWindowOnTop, 1);
  EXPECT_TRUE(Window().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(Window().isVisible());
}

TEST_F(MainWindowHandlersTest, BusyStateInBothStates) {
  QDir().mkpath(Join(work_, "lang"));
  WriteFile(Join(work_, "lang/Deutsch.lng"), "");
  MainWindow& window = Start();
  window.EnterBusyState();
  // Everything that could change a run's inputs is disabled; Check Torrent stays usable as Cancel.
  for (ControlId c : TabOrder()) {
    const bool untouched = c == C::kCheckTorrent || c == C::kStatusFrame || c == C::kSettingsFrame ||
                           c == C::kStatusLine || c == C::kProgressBar;
    EXPECT_EQ(window.Control(c)->isEnabled(), untouched) << c.Index();
  }
  for (M item : {M::kSelectTorrent, M::kExit, M::kSelectFont, M::kTorrentZipFiles, M::kAbout, M::kEnglish}) {
    EXPECT_FALSE(window.MenuAction(item)->isEnabled()) << static_cast<int>(item);
  }
  ASSERT_EQ(window.LanguageActions().size(), 1);
  EXPECT_FALSE(window.LanguageActions()[0]->isEnabled());
  window.SetIdle();
  EXPECT_TRUE(window.Control(C::kTorrentPath)->isEnabled());
  EXPECT_TRUE(window.Control(OptionBox(&RunFlags::DelUnneededFiles))->isEnabled());
  // "Delete unneeded" is clear.
  EXPECT_FALSE(window.Control(OptionBox(&RunFlags::DelOnlyWhenComplete))->isEnabled());
  EXPECT_FALSE(window.Control(C::kBackupDirField)->isEnabled());  // follows the download directory
  EXPECT_TRUE(window.MenuAction(M::kEnglish)->isEnabled());
  EXPECT_TRUE(window.LanguageActions()[0]->isEnabled());
}

TEST_F(MainWindowHandlersTest, AccessCodeSwitchesOnDebugModeOnceThenTheRequesterOpens) {
  MainWindow& window = Start();
  Click(C::kBackupToTorrentDir);
  window.resize(window.width() + 40, window.height() + 30);
  QApplication::processEvents();
  const QSize inner = window.centralWidget()->size();
  Type(C::kBackupDirField, "PlumTOAST");
  Click(C::kBackupSelect);
  QApplication::processEvents();
  EXPECT_TRUE(window.DebugMode());
  EXPECT_EQ(dialogs_.Count("directory"), 0);
  ASSERT_EQ(dialogs_.Count("message"), 1);
  EXPECT_EQ(dialogs_.asked.back().title, "Message");
  EXPECT_EQ(dialogs_.asked.back().text, "Debug mode activated.");
  EXPECT_EQ(window.centralWidget()->size(), inner);  // the window keeps its size
  EXPECT_EQ(Opts().BackupDir, "PlumTOAST");
  // The Tools menu ends with the translators' items, which a run never disables.
  ASSERT_NE(window.MenuAction(M::kSaveAllLanguages), nullptr);
  const QList<QAction*> tools = window.menuBar()->actions()[2]->menu()->actions();
  EXPECT_EQ(tools.last()->text(), "Save all &language files");  // S and a are taken above it
  window.EnterBusyState();
  EXPECT_TRUE(window.MenuAction(M::kSaveCurrentLanguage)->isEnabled());
  window.SetIdle();

  Trigger(M::kSaveCurrentLanguage);
  EXPECT_TRUE(QFile::exists(Join(work_, "lang/English.lng")));
  EXPECT_EQ(dialogs_.asked.back().text, "\"English.lng\" saved.");

  dialogs_.directories = {{Join(work_, "backups")}};
  Click(C::kBackupSelect);
  ASSERT_EQ(dialogs_.Count("directory"), 1);
  EXPECT_EQ(dialogs_.asked.back().title, "Select backup/rebuild source directory");
  EXPECT_EQ(Opts().BackupDir, Join(work_, "backups") + "/");
  EXPECT_EQ(FieldText(C::kBackupDirField), Join(work_, "backups") + "/");
}

TEST_F(MainWindowHandlersTest, FontsRebuildTheWindowAtItsPositionAndNaturalSize) {
  MainWindow& window = Start();
  window.resize(window.width() + 100, window.height() + 50);
  window.move(40, 30);
  QApplication::processEvents();
  const int default_width = window.Sizes().natural_width;
  QFont large(QApplication::font());
  large.setPointSize(16);
  large.setBold(true);
  dialogs_.fonts = {large};
  Trigger(M::kSelectFont);
  QApplication::processEvents();
  EXPECT_EQ(Opts().FontSize, 16);
  EXPECT_EQ(Opts().FontStyle, 256);
  EXPECT_GT(window.Sizes().natural_width, default_width);
  EXPECT_EQ(window.centralWidget()->size(), QSize(window.Sizes().natural_width, window.NaturalHeight()));
  EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(40, 30));
  // Every check box has room for its text in the large font.
  for (ControlId c : {OptionBox(&RunFlags::DelOnlyWhenComplete), OptionBox(&RunFlags::FixMissing),
                      ControlId(C::kBackupToTorrentDir)}) {
    EXPECT_GE(window.Control(c)->width(), window.Control(c)->sizeHint().width()) << c.Index();
  }
  Trigger(M::kUseDefaultFont);
  QApplication::processEvents();
  EXPECT_EQ(window.Sizes().natural_width, default_width);
  EXPECT_EQ(Opts().Font, "");
  EXPECT_EQ(Opts().FontSize, 0);
  EXPECT_EQ(Opts().FontStyle, 0);
}

// Every run switch has its own box, found by its text; ticking it reaches the settings file.
TEST_F(MainWindowHandlersTest, EveryRunSwitchHasABoxWhoseTickIsSaved) {
  MainWindow& window = Start();
  QStringList expected;
  for (const RunOptionRow& row : kRunOptionTable) {
    const QString text = app_->Context().messages.MessageText(row.check_box_key);
    QCheckBox* found = nullptr;
    for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
      if (box->text() == text) found = box;
    }
    ASSERT_NE(found, nullptr) << text.toStdString();
    ASSERT_EQ(found->isChecked(), row.default_value == 1) << text.toStdString();
    found->setChecked(!found->isChecked());
    EXPECT_EQ(Opts().*row.member, 1 - row.default_value) << text.toStdString();
    expected << QString::fromUtf16(row.settings_key) + '=' + QString::number(1 - row.default_value);
  }
  ASSERT_TRUE(CloseAndWaitForExit());
  const QStringList saved = SettingsLines();
  for (const QString& line : expected) EXPECT_TRUE(saved.contains(line)) << line.toStdString();
}

}  // namespace
}  // namespace zandrel::test
