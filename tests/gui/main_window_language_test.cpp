// The Language menu: switching rebuilds the window with new captions, and the settings file
// remembers the choice.
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include "tests/gui/main_window_fixture.h"
#include "tests/messages/lng_test_util.h"

namespace zandrel::test {
namespace {

class MainWindowLanguageTest : public MainWindowFixture {
 protected:
  void WriteLanguage(const QString& name, const QStringList& lines) {
    WriteFile(Join(work_, "lang/" + name + ".lng"), LngBytes(lines));
  }
  QAction* LanguageItem(const QString& name) {
    for (QAction* action : Window().LanguageActions()) {
      if (QString(action->text()).remove(u'&') == name) return action;
    }
    return nullptr;
  }
  QString Caption(ControlId control) { return Button(control) ? Button(control)->text() : Box(control)->text(); }
};

TEST_F(MainWindowLanguageTest, ChoosingALanguageRebuildsTheWindowAndTheSettingsRememberIt) {
  WriteLanguage("Deutsch", {";Zandrel", "Button_CheckTorrent=Torrent prüfen", "Menu_File=Datei",
                            "CheckBox_HashCheck=Dateien auf Fehler prüfen (SHA-1)"});
  MainWindow& window = Start();
  window.resize(window.width() + 200, window.height() + 100);
  window.move(50, 60);
  QApplication::processEvents();
  const QSize user_size = window.centralWidget()->size();
  EXPECT_TRUE(window.MenuAction(M::kEnglish)->isChecked());
  ASSERT_NE(LanguageItem("Deutsch"), nullptr);
  EXPECT_EQ(LanguageItem("Deutsch")->data().toInt(), 101);

  LanguageItem("Deutsch")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(Caption(C::kCheckTorrent), "Torrent prüfen");
  EXPECT_EQ(Caption(OptionBox(&RunFlags::HashCheck)), "Dateien auf Fehler prüfen (SHA-1)");
  EXPECT_EQ(window.menuBar()->actions()[0]->text(), "&Datei");
  EXPECT_EQ(Caption(C::kViewTorrent), "View Torrent");  // not in the file: English stays
  EXPECT_FALSE(window.MenuAction(M::kEnglish)->isChecked());
  EXPECT_TRUE(LanguageItem("Deutsch")->isChecked());
  // Kept position; the size the user gave it still fits the new texts, so it stays.
  EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(50, 60));
  EXPECT_EQ(window.centralWidget()->size(), user_size);
  ASSERT_TRUE(CloseAndWaitForExit());
  EXPECT_TRUE(SettingsLines().contains("Language=Deutsch.lng"));

  // The next start opens in German; "<English>" switches back and the line goes.
  app_.reset();
  Start();
  EXPECT_EQ(Caption(C::kCheckTorrent), "Torrent prüfen");
  Trigger(M::kEnglish);
  QApplication::processEvents();
  EXPECT_EQ(Caption(C::kCheckTorrent), "Check Torrent");
  EXPECT_TRUE(Window().MenuAction(M::kEnglish)->isChecked());
  ASSERT_TRUE(CloseAndWaitForExit());
  EXPECT_FALSE(SettingsLines().join('\n').contains("Language="));
}

TEST_F(MainWindowLanguageTest, WithoutLanguageFilesEnglishIsDisabledAndStandsAlone) {
  MainWindow& window = Start();
  QMenu* language = window.menuBar()->actions()[3]->menu();
  ASSERT_EQ(language->actions().size(), 1);
  EXPECT_EQ(language->actions()[0]->text(), "<&English>");
  EXPECT_FALSE(language->actions()[0]->isEnabled());
  window.EnterBusyState();
  window.SetIdle();
  EXPECT_FALSE(language->actions()[0]->isEnabled());
}

TEST_F(MainWindowLanguageTest, LongTranslatedTextsWidenTheWindowWithoutClipping) {
  const QString long_text(255, QChar(u'W'));
  WriteLanguage("Long", {"CheckBox_FixMissing=" + long_text, "Text_DragDropFolder=" + long_text});
  WriteLanguage("Gone", {"Button_CheckTorrent=never"});
  MainWindow& window = Start();
  const int english_width = window.Sizes().natural_width;
  LanguageItem("Long")->trigger();
  QApplication::processEvents();
  EXPECT_GT(window.Sizes().natural_width, english_width);
  for (ControlId c : {OptionBox(&RunFlags::FixMissing), ControlId(C::kDirDropLabel)}) {
    QWidget* control = window.Control(c);
    EXPECT_GE(control->width(), control->sizeHint().width()) << c.Index();
    EXPECT_LE(control->geometry().right(), window.centralWidget()->width()) << c.Index();
  }
  EXPECT_GE(window.centralWidget()->minimumWidth(), window.Sizes().natural_width);

  // A language file that cannot be read at rebuild (gone since the menu was built): the texts
  // stay, and nothing is shown.
  ASSERT_TRUE(QFile::remove(Join(work_, "lang/Gone.lng")));
  LanguageItem("Gone")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(Caption(OptionBox(&RunFlags::FixMissing)), long_text);
  EXPECT_TRUE(dialogs_.asked.isEmpty());
}

// Qt's own texts (standard buttons, key names in the menus) follow the Language menu.
TEST_F(MainWindowLanguageTest, QtsOwnTextsSpeakTheChosenLanguage) {
  WriteLanguage("Deutsch", {"Menu_File=Datei"});
  MainWindow& window = Start();
  const auto qt_texts = [&] {
    QMessageBox box(QMessageBox::Warning, "t", "x", QMessageBox::Yes | QMessageBox::No);
    return QStringList{box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::No)->text(),
                       window.MenuAction(M::kSelectTorrent)->shortcut().toString(QKeySequence::NativeText),
                       QLocale().monthName(12)};
  };
  EXPECT_EQ(qt_texts(), QStringList({"&Yes", "&No", "Ctrl+F", QLocale::system().monthName(12)}));
  LanguageItem("Deutsch")->trigger();
  EXPECT_EQ(qt_texts(), QStringList({"&Ja", "&Nein", "Strg+F", "Dezember"}));
  Trigger(M::kEnglish);
  EXPECT_EQ(qt_texts(), QStringList({"&Yes", "&No", "Ctrl+F", QLocale::system().monthName(12)}));
  // A language Qt does not know keeps Qt's English.
  WriteLanguage("Klingonisch", {"Menu_File=Datei"});
  Trigger(M::kEnglish);
  LanguageItem("Klingonisch")->trigger();
  EXPECT_EQ(qt_texts(), QStringList({"&Yes", "&No", "Ctrl+F", QLocale::system().monthName(12)}));
}

// The real window follows its natural size down as well as up, and keeps a size the user chose
// only while it still fits.
TEST_F(MainWindowLanguageTest, ARebuildShrinksTheWindowToItsNewNaturalSize) {
  WriteLanguage("Wide", {"CheckBox_FixMissing=" + QString(120, QChar(u'W'))});
  MainWindow& window = Start();
  const QSize english(window.Sizes().natural_width, window.NaturalHeight());
  QFont big = QApplication::font();
  big.setPointSize(20);
  dialogs_.fonts = {big};
  const auto inner = [&] {
    QApplication::processEvents();  // the window system's answer to the resize
    return window.centralWidget()->size();
  };
  const auto natural = [&] { return QSize(window.Sizes().natural_width, window.NaturalHeight()); };

  LanguageItem("Wide")->trigger();
  EXPECT_GT(inner().width(), english.width());
  EXPECT_EQ(inner(), natural());
  Trigger(M::kEnglish);
  EXPECT_EQ(inner(), english);

  Trigger(M::kSelectFont);
  EXPECT_GT(inner().height(), english.height());
  EXPECT_EQ(inner(), natural());
  Trigger(M::kUseDefaultFont);
  EXPECT_EQ(inner(), english);

  // Taller by hand: the height stays through a language that needs more width only; a width the
  // user gave that the new texts outgrow gives way to their natural width.
  window.resize(window.width() + 30, window.height() + 80);
  QApplication::processEvents();
  const QSize chosen = inner();
  LanguageItem("Wide")->trigger();
  EXPECT_EQ(inner(), QSize(natural().width(), chosen.height()));
  ASSERT_TRUE(CloseAndWaitForExit());
  EXPECT_TRUE(SettingsLines().contains(QString("WindowSizeY=%1").arg(chosen.height())));
}

}  // namespace
}  // namespace zandrel::test
