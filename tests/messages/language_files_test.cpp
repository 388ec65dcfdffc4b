#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "messages/builtin_texts.h"
#include "messages/message_table.h"
#include "platform/file_system.h"
#include "tests/messages/lng_test_util.h"

namespace zandrel::test {
namespace {

const QString kNul(QChar(0));

class LanguageFiles : public ::testing::Test {
 protected:
  QString LangDir() const { return Join(dir_.path(), "lang"); }
  QString LngPath(const QString& name) const { return Join(LangDir(), name + ".lng"); }
  void WriteLng(const QString& name, const QStringList& lines) {
    WriteFile(LngPath(name), LngBytes(lines));
  }
  // Requests and loads lang/<name>.lng; true when it was loaded.
  bool Load(const QString& name) {
    table_.RequestLanguage(name + ".lng");
    return table_.LoadRequestedLanguage();
  }
  // Writes lang/<name>.lng with these bytes and loads it.
  bool LoadBytes(const QString& name, const std::string& bytes) {
    WriteFile(LngPath(name), bytes);
    return Load(name);
  }
  QString Text(const char* key) const { return table_.MessageText(QString::fromLatin1(key)); }

  QTemporaryDir dir_;
  MessageTable table_{Join(dir_.path(), "lang")};
};

TEST_F(LanguageFiles, EnglishFileFromBuiltInTextsHasTheExactLayout) {
  WriteFile(Join(LangDir(), "placeholder"), "");
  ASSERT_EQ(table_.SaveLanguageFile("English"), 1);
  const std::string written = ReadFile(LngPath("English"));

  const QStringList expected = LngLayout([](const QString& key) { return QStringList{key + "=" + BuiltInText(key)}; });
  EXPECT_EQ(written, LngBytes(expected));
  ASSERT_EQ(expected.size(), 4 + 2 + 6 * 3 + kSlotCount - 2);
  EXPECT_EQ(expected.mid(4, 7), QStringList({";", "Author=Marrowby", ";", "; Gadgets", ";",
                                             "Frame_Status=Status", "Frame_Settings=Settings"}));
  EXPECT_EQ(expected.last(), "Req_SaveTorrentList2=Text file");
  EXPECT_EQ(written.substr(0, 2), std::string(";\0", 2)) << "no byte-order mark";
  EXPECT_FALSE(LngLines(LngPath("English")).join("\n").contains("(Deleted)"));

  // The shipped English.lng is exactly what the program writes.
  EXPECT_EQ(ReadFile(Join(SourceLangDir(), "English.lng")), written);
}

TEST_F(LanguageFiles, SavingFailsWithoutLanguageFolderOrForNamesOutsideIt) {
  EXPECT_EQ(table_.SaveLanguageFile("English"), 0);
  WriteFile(Join(LangDir(), "placeholder"), "");
  EXPECT_EQ(table_.SaveLanguageFile("../Escape"), 0);
  EXPECT_EQ(table_.SaveLanguageFile(""), 0);
  EXPECT_EQ(FileSize(Join(dir_.path(), "Escape.lng")), -1);
  EXPECT_EQ(table_.SaveLanguageFile("Mine"), 1);
}

TEST_F(LanguageFiles, KeyMatchingRules) {
  WriteLng("Rules", {"; Menu_Settings=Comment", "", "menu_exit=Beenden", "MENU_SELECTFONT=Schrift",
                     " Menu_File=Datei", "Menu_Help = Hilfe", "Menu_Tools =Extras",
                     "Menu_Language= Sprache", "Req_SaveTorrentList2=Textdatei",
                     "Msg_Error=Fehler  ", "Msg_Warning=a=b=c", "Menu_About=",
                     "Msg_Message=Erste", "Msg_Message=Zweite", "Unknown_Key=x", "garbage"});
  ASSERT_TRUE(Load("Rules"));
  EXPECT_EQ(Text("Menu_Exit"), "Beenden");
  EXPECT_EQ(Text("Menu_SelectFont"), "Schrift");
  EXPECT_EQ(Text("Menu_Settings"), "Settings");
  EXPECT_EQ(Text("Menu_File"), "File");
  EXPECT_EQ(Text("Menu_Help"), "Help");
  EXPECT_EQ(Text("Menu_Tools"), "Tools");
  EXPECT_EQ(Text("Menu_Language"), " Sprache");
  EXPECT_EQ(Text("Req_SaveTorrentList2"), "Textdatei");
  EXPECT_EQ(Text("Req_SaveTorrentList"), "Save torrent as text file...");
  EXPECT_EQ(Text("Msg_Error"), "Fehler  ");
  EXPECT_EQ(Text("Msg_Warning"), "a=b=c");
  EXPECT_EQ(Text("Menu_About"), "About...");
  EXPECT_EQ(Text("Msg_Message"), "Zweite");
  EXPECT_EQ(table_.DeletedText(), "(Deleted) %s%");
  EXPECT_TRUE(table_.WorkingEntryCurrent());
  EXPECT_EQ(table_.CurrentLanguageName(), "Rules");
}

TEST_F(LanguageFiles, LoadingOverwritesTheWorkingEntryWithoutClearingIt) {
  int resets = 0;
  table_.SetWindowSizeResetHook([&resets] { ++resets; });
  WriteLng("First", {"Menu_About=Über...", "Menu_Exit=Beenden"});
  WriteLng("Second", {"Menu_Exit=Quitter", "Menu_About="});
  ASSERT_TRUE(Load("First"));
  ASSERT_TRUE(Load("Second"));
  EXPECT_EQ(Text("Menu_Exit"), "Quitter");
  EXPECT_EQ(Text("Menu_About"), "Über...");  // kept from the earlier language
  EXPECT_EQ(table_.CurrentLanguageName(), "Second");
  EXPECT_EQ(resets, 2);

  table_.UseBuiltInLanguage();
  EXPECT_EQ(Text("Menu_Exit"), "Exit");
  EXPECT_EQ(table_.CurrentLanguageName(), "English");
  EXPECT_FALSE(table_.LanguageRequested());
  EXPECT_TRUE(table_.RequestedLanguageFile().isEmpty());
}

TEST_F(LanguageFiles, MissingOrUnopenableFileKeepsTheRequestPending) {
  int resets = 0;
  table_.SetWindowSizeResetHook([&resets] { ++resets; });
  table_.RequestLanguage("Deutsch.lng");
  EXPECT_FALSE(table_.LoadRequestedLanguage());
  EXPECT_TRUE(table_.LanguageRequested());
  EXPECT_EQ(table_.RequestedLanguageFile(), "Deutsch.lng");
  EXPECT_FALSE(table_.WorkingEntryCurrent());
  EXPECT_EQ(resets, 0);

  // A folder with the file's name is no file either.
  WriteFile(Join(LngPath("Deutsch"), "inside"), "");
  EXPECT_FALSE(table_.LoadRequestedLanguage());
  EXPECT_TRUE(table_.LanguageRequested());
  QDir(LngPath("Deutsch")).removeRecursively();

  // The next rebuild tries again and succeeds once the file is there.
  WriteLng("Deutsch", {"Menu_Exit=Beenden"});
  EXPECT_TRUE(table_.LoadRequestedLanguage());
  EXPECT_FALSE(table_.LanguageRequested());
  EXPECT_EQ(Text("Menu_Exit"), "Beenden");
  EXPECT_EQ(resets, 1);
  EXPECT_FALSE(table_.LoadRequestedLanguage()) << "nothing requested any more";
}

TEST_F(LanguageFiles, RequestedNameIsConfinedToTheLanguageFolder) {
  WriteFile(Join(dir_.path(), "Outside.lng"), LngBytes({"Menu_Exit=Hacked"}));
  table_.RequestLanguage("../Outside.lng");
  EXPECT_FALSE(table_.LoadRequestedLanguage());
  EXPECT_EQ(Text("Menu_Exit"), "Exit");
  EXPECT_TRUE(table_.LanguageRequested());
}

TEST_F(LanguageFiles, RequestedNameFindsTheFileWhateverItsLetterCase) {
  WriteLng("Deutsch", {"Menu_Exit=Beenden"});
  table_.RequestLanguage("deutsch.LNG");
  ASSERT_TRUE(table_.LoadRequestedLanguage());
  EXPECT_EQ(table_.CurrentLanguageName(), "Deutsch");
  EXPECT_EQ(Text("Menu_Exit"), "Beenden");
}

TEST_F(LanguageFiles, Utf8FileGivesNoTextButBecomesTheCurrentLanguage) {
  ASSERT_TRUE(LoadBytes("Utf8", "Menu_Exit=Beenden\r\nMsg_Error=Fehler \xc3\xbc\r\n"));
  EXPECT_TRUE(table_.WorkingEntryCurrent());
  EXPECT_EQ(table_.CurrentLanguageName(), "Utf8");
  EXPECT_EQ(table_.CurrentEntry().texts, MessageTable().CurrentEntry().texts);
}

TEST_F(LanguageFiles, ByteOrderMarkBelongsToTheFirstLine) {
  ASSERT_TRUE(LoadBytes("Bom", Utf16Le(QString(QChar(0xFEFF)) + "Menu_Exit=Beenden\r\nMenu_File=Datei\r\n")));
  EXPECT_EQ(Text("Menu_Exit"), "Exit");
  EXPECT_EQ(Text("Menu_File"), "Datei");
}

TEST_F(LanguageFiles, EveryKindOfLineEndEndsALine) {
  ASSERT_TRUE(LoadBytes("Ends", Utf16Le("Menu_Exit=A\rMenu_File=B\nMenu_Help=C\r\nMenu_Tools=D" + kNul +
                                         "Menu_About=E\n\rMenu_Language=F")));
  EXPECT_EQ(Text("Menu_Exit"), "A");
  EXPECT_EQ(Text("Menu_File"), "B");
  EXPECT_EQ(Text("Menu_Help"), "C");
  EXPECT_EQ(Text("Menu_Tools"), "D");
  EXPECT_EQ(Text("Menu_About"), "E");
  EXPECT_EQ(Text("Menu_Language"), "F");
}

TEST_F(LanguageFiles, HostileFilesLoadWithoutHarm) {
  const auto built_in = MessageTable().CurrentEntry().texts;

  ASSERT_TRUE(LoadBytes("Garbage", RandomBytes(200000, 7)));
  EXPECT_EQ(table_.CurrentEntry().texts, built_in);

  ASSERT_TRUE(LoadBytes("Empty", ""));
  EXPECT_EQ(table_.CurrentEntry().texts, built_in);

  ASSERT_TRUE(LoadBytes("Zeros", std::string(100001, '\0')));
  EXPECT_EQ(table_.CurrentEntry().texts, built_in);

  // A zero character cuts a value; the rest of the line becomes a line of its own.
  ASSERT_TRUE(LoadBytes("Nul", Utf16Le("Menu_Exit=Ab" + kNul + "Menu_File=Datei")));
  EXPECT_EQ(Text("Menu_Exit"), "Ab");
  EXPECT_EQ(Text("Menu_File"), "Datei");

  // A truncated last character is dropped.
  ASSERT_TRUE(LoadBytes("Odd", Utf16Le("Menu_Help=Hilfe") + "\x41"));
  EXPECT_EQ(Text("Menu_Help"), "Hilfe");
}

TEST_F(LanguageFiles, LongValuesAreCutToTheSlotLength) {
  // A single 10 MB line: the value keeps its first 255 characters.
  const QString huge(5 * 1024 * 1024, QChar(u'x'));
  ASSERT_TRUE(LoadBytes("Huge", Utf16Le("Menu_Exit=" + huge + "\r\nMenu_File=Datei\r\n" + huge)));
  EXPECT_EQ(Text("Menu_Exit"), QString(255, QChar(u'x')));
  EXPECT_EQ(Text("Menu_File"), "Datei");

  // A cut never leaves half of a surrogate pair behind.
  const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
  WriteLng("Pair", {"Menu_Help=" + QString(254, QChar(u'y')) + emoji + "zz"});
  ASSERT_TRUE(Load("Pair"));
  EXPECT_EQ(Text("Menu_Help"), QString(254, QChar(u'y')));
}

TEST_F(LanguageFiles, OversizedFileCountsAsUnreadable) {
  WriteFile(LngPath("Big"), "");
  QFile big(LngPath("Big"));
  ASSERT_TRUE(big.resize(65 * 1024 * 1024));  // sparse: cheap to make
  table_.RequestLanguage("Big.lng");
  EXPECT_FALSE(table_.LoadRequestedLanguage());
  EXPECT_TRUE(table_.LanguageRequested());
}

}  // namespace
}  // namespace zandrel::test
