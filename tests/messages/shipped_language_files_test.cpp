// The language files that ship in lang/.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "messages/message_table.h"
#include "messages/text.h"
#include "tests/messages/lng_test_util.h"

namespace zandrel {
namespace {

using test::BuiltInText;
using test::Join;
using test::LngLines;

QSet<QString> Placeholders(const QString& text) {
  static const QRegularExpression placeholder(QStringLiteral("%[A-Za-z0-9]+%"));
  QSet<QString> found;
  for (const auto& match : placeholder.globalMatch(text)) found.insert(match.captured().toLower());
  return found;
}

QStringList Keys() {
  QStringList keys;
  for (const TableItem& item : kTableItems) {
    if (item.kind == TableItemKind::kKey) keys << QString::fromUtf16(item.key);
  }
  return keys;
}

// The value a file's lines give for a key (the last line wins), read without the program's reader.
QString FileValue(const QStringList& lines, const QString& key) {
  QString value;
  for (const QString& line : lines) {
    const QString given = ValueForKey(line, key);
    if (!given.isEmpty()) value = given;
  }
  return value;
}

TEST(ShippedLanguageFiles, GermanTranslatesEveryKeyAndKeepsEveryPlaceholder) {
  const QStringList lines = LngLines(Join(test::SourceLangDir(), "Deutsch.lng"));
  ASSERT_FALSE(lines.isEmpty());
  int same_as_english = 0;
  for (const QString& key : Keys()) {
    SCOPED_TRACE(key.toStdString());
    const QString german = FileValue(lines, key);
    const QString english = BuiltInText(key);
    ASSERT_FALSE(german.isEmpty());
    EXPECT_LE(german.size(), kMaxTextLength);
    EXPECT_EQ(Placeholders(german), Placeholders(english));
    EXPECT_EQ(german.count(u'|'), english.count(u'|'));
    EXPECT_EQ(german.trimmed(), german);
    // One word for folders throughout, as the desktop itself says it.
    EXPECT_FALSE(german.contains(QStringLiteral("Verzeichnis"))) << german.toStdString();
    if (german == english) ++same_as_english;
  }
  EXPECT_EQ(FileValue(lines, "Author"), "Zandrel-Team");
  // Only words that German shares with English ("Status", "OK") may stay as they are.
  EXPECT_LE(same_as_english, 2);
}

// Both files have exactly the layout that the program writes: loading one and saving it again
// gives the same bytes, and regenerating finds nothing left to translate.
TEST(ShippedLanguageFiles, HaveTheProgramsOwnLayout) {
  QTemporaryDir dir;
  const QString lang = Join(dir.path(), "lang");
  for (const QString name : {"English", "Deutsch"}) {
    SCOPED_TRACE(name.toStdString());
    const std::string shipped = test::ReadFile(Join(test::SourceLangDir(), name + ".lng"));
    ASSERT_FALSE(shipped.empty());
    EXPECT_EQ(shipped.substr(0, 2), std::string(";\0", 2)) << "no byte-order mark";
    test::WriteFile(Join(lang, name + ".lng"), shipped);

    MessageTable table(lang);
    table.RequestLanguage(name + ".lng");
    ASSERT_TRUE(table.LoadRequestedLanguage());
    ASSERT_EQ(table.SaveLanguageFile(name), 1);
    EXPECT_EQ(test::ReadFile(Join(lang, name + ".lng")), shipped);
  }
  MessageTable table(lang);
  table.SaveAllLanguageFiles({"English", "Deutsch"});
  EXPECT_EQ(test::ReadFile(Join(lang, "Deutsch.lng")),
            test::ReadFile(Join(test::SourceLangDir(), "Deutsch.lng")));
}

TEST(ShippedLanguageFiles, GermanTextsReachTheTable) {
  MessageTable table(test::SourceLangDir());
  table.RequestLanguage("Deutsch.lng");
  ASSERT_TRUE(table.LoadRequestedLanguage());
  EXPECT_EQ(table.CurrentLanguageName(), "Deutsch");
  EXPECT_EQ(table.MessageText(u"Menu_Exit"), "Beenden");
  EXPECT_EQ(MessageBoxBody(table.MessageText(u"Msg_Backups")),
            "Sicherungskopien sind ausgeschaltet!\r\nMöchten Sie wirklich fortfahren?");
  EXPECT_EQ(FillPlaceholders(table.MessageText(u"Status_SHA1Failed"), {{u"%percent%", "87.5%"}}),
            "Fehler. SHA1-Prüfung fehlgeschlagen: Torrent ist zu 87.5% vollständig.");
  EXPECT_EQ(table.DeletedText(), "(Deleted) %s%");
}

}  // namespace
}  // namespace zandrel
