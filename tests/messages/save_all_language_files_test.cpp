#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "messages/message_table.h"
#include "platform/file_system.h"
#include "tests/messages/lng_test_util.h"

namespace zandrel::test {
namespace {

const QString kMarker = QStringLiteral("; **** TRANSLATE ME: ");

class SaveAllLanguageFiles : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(Join(LangDir(), "placeholder"), ""); }
  QString LangDir() const { return Join(dir_.path(), "lang"); }
  QString LngPath(const QString& name) const { return Join(LangDir(), name + ".lng"); }
  void WriteLng(const QString& name, const QStringList& lines) {
    WriteFile(LngPath(name), LngBytes(lines));
  }

  QTemporaryDir dir_;
  MessageTable table_{Join(dir_.path(), "lang")};
};

QString Translated(const QString& key) { return "T:" + key; }

TEST_F(SaveAllLanguageFiles, KeysTheFileDoesNotTranslateAreWrittenOutUnderAMarker) {
  ASSERT_EQ(table_.SaveLanguageFile("English"), 1);
  const std::string english = ReadFile(LngPath("English"));
  // Translates every key except: Msg_Error (absent), Msg_Warning (only in a comment), Menu_Exit
  // (empty value), Author (absent). Button_OK is "translated" to its English text.
  QStringList test_lines = {"; an old comment", kMarker};
  for (const TableItem& item : kTableItems) {
    if (item.kind != TableItemKind::kKey) continue;
    const QString key = QString::fromUtf16(item.key);
    if (key == "Msg_Error" || key == "Author") continue;
    if (key == "Msg_Warning") test_lines << "; Msg_Warning=Achtung!";
    else if (key == "Menu_Exit") test_lines << "Menu_Exit=";
    else if (key == "Button_OK") test_lines << "Button_OK=OK";
    else test_lines << key + "=" + Translated(key);
  }
  WriteLng("Test", test_lines);

  table_.SaveAllLanguageFiles({"English", "Test", "Missing"});

  const QStringList expected = LngLayout([](const QString& key) -> QStringList {
    if (key == "Msg_Error" || key == "Msg_Warning" || key == "Menu_Exit") {
      return {kMarker, "; " + key + "=" + BuiltInText(key)};
    }
    if (key == "Author") return {"Author=Marrowby"};
    if (key == "Button_OK") return {"Button_OK=OK"};
    return {key + "=" + Translated(key)};
  });
  EXPECT_EQ(LngLines(LngPath("Test")), expected);
  EXPECT_EQ(ReadFile(LngPath("Test")), LngBytes(expected));
  const QStringList written = LngLines(LngPath("Test"));
  const qsizetype at = written.indexOf("; Msg_Error=Error");
  ASSERT_GT(at, 0);
  EXPECT_EQ(written[at - 1], kMarker);

  EXPECT_EQ(ReadFile(LngPath("English")), english) << "English is never regenerated";
  EXPECT_EQ(FileSize(LngPath("Missing")), -1);

  // A second regeneration finds the same keys untranslated and writes the same file.
  table_.SaveAllLanguageFiles({"Test"});
  EXPECT_EQ(ReadFile(LngPath("Test")), LngBytes(expected));
}

TEST_F(SaveAllLanguageFiles, EnglishFileGivesTheSuggestionsAndLongOnesSurviveTheMark) {
  const QString long_text(255, QChar(u'w'));
  WriteLng("English", {"Msg_Error=Failure", "Msg_Warning=" + long_text});
  WriteLng("Test", {"Author=Someone", "Menu_Exit=Beenden"});
  table_.SaveAllLanguageFiles({"Test"});

  const QStringList expected = LngLayout([&](const QString& key) -> QStringList {
    if (key == "Author") return {"Author=Someone"};
    if (key == "Menu_Exit") return {"Menu_Exit=Beenden"};
    QString suggestion = BuiltInText(key);
    if (key == "Msg_Error") suggestion = "Failure";
    if (key == "Msg_Warning") suggestion = long_text;
    return {kMarker, "; " + key + "=" + suggestion};
  });
  EXPECT_EQ(LngLines(LngPath("Test")), expected);
}

// Without English.lng the suggestions are the built-in texts, whatever language is in use; the
// table itself comes out of the regeneration unchanged.
TEST_F(SaveAllLanguageFiles, LeavesTheLanguageInUseAlone) {
  WriteLng("Other", {"Author=Other Author", "Msg_Error=Fehler", "Menu_Exit=Beenden"});
  WriteLng("Test", {"Menu_Exit=Quitter"});
  table_.RequestLanguage("Other.lng");
  ASSERT_TRUE(table_.LoadRequestedLanguage());
  const MessageEntry before = table_.CurrentEntry();

  table_.SaveAllLanguageFiles({"Other", "Test"});

  const QStringList test_file = LngLines(LngPath("Test"));
  EXPECT_TRUE(test_file.contains("; Msg_Error=Error"));
  EXPECT_TRUE(test_file.contains("Author=Marrowby")) << "no author leaks from Other";
  EXPECT_TRUE(test_file.contains("Menu_Exit=Quitter"));
  const QStringList other_file = LngLines(LngPath("Other"));
  EXPECT_TRUE(other_file.contains("Msg_Error=Fehler"));
  EXPECT_TRUE(other_file.contains("; Menu_File=File"));

  EXPECT_TRUE(table_.WorkingEntryCurrent());
  EXPECT_EQ(table_.CurrentEntry().texts, before.texts);
  EXPECT_EQ(table_.CurrentLanguageName(), "Other");
}

}  // namespace
}  // namespace zandrel::test
