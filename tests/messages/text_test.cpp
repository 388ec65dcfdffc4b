#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

#include "messages/text.h"

namespace zandrel {
namespace {

TEST(FillPlaceholders, ReplacesAllInOnePassWithoutRescanningValues) {
  const QString line = FillPlaceholders("Wrong file size: %FILE% wrong: %size1% right: %Size2%",
                                        {{u"%file%", "\"a %size2% b\""},
                                         {u"%size1%", "10"},
                                         {u"%size2%", "20"}});
  EXPECT_EQ(line, "Wrong file size: \"a %size2% b\" wrong: 10 right: 20");
  // "%fixedfile%" does not eat the start of "%fixedfiles%".
  EXPECT_EQ(FillPlaceholders("%fixedfiles% %fixedfile%", {{u"%fixedfile%", "F"}}),
            "%fixedfiles% F");
  EXPECT_EQ(FillPlaceholders("100% done %", {{u"%s%", "x"}}), "100% done %");
  // Every occurrence, in any letter case.
  EXPECT_EQ(FillPlaceholders("%FILE% or %file% or %File%", {{u"%file%", "a.bin"}}), "a.bin or a.bin or a.bin");
}

// A name from disk can hold any character but "/" and NUL; as text it must stay on its line.
TEST(Quoted, ControlCharactersAreEscapedAndUndecodableBytesShowAsReplacements) {
  const struct {
    QString path;
    QString quoted;
  } cases[] = {
      {"/d/a b.bin", "\"/d/a b.bin\""},
      {"/d/x\r\nFile integrity check passed.\r\n", "\"/d/x\\r\\nFile integrity check passed.\\r\\n\""},
      {"/d/t\tab\x1b[31m\x7f", "\"/d/t\\tab\\x1b[31m\\x7f\""},
      {QString("/d/u") + QChar(0x2028) + QChar(0x85), "\"/d/u\\u2028\\x85\""},
      {QString("/d/bad") + QChar(0xDCFF) + "name", QString("\"/d/bad") + QChar(0xFFFD) + "name\""},
      {QString::fromUtf8("/d/caf\xc3\xa9 \xf0\x9f\x8e\xac"), QString::fromUtf8("\"/d/caf\xc3\xa9 \xf0\x9f\x8e\xac\"")},
  };
  for (const auto& c : cases) EXPECT_EQ(Quoted(c.path), c.quoted) << c.path.toStdString();
}

TEST(MessageBoxBody, BarBecomesALineBreak) {
  EXPECT_EQ(MessageBoxBody("Backups are turned off!|Are you sure?|"),
            "Backups are turned off!\r\nAre you sure?\r\n");
}

// Each text parses to its value.
void ExpectParsed(std::initializer_list<std::pair<QStringView, int64_t>> cases) {
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseInteger(text), value) << text.toString().toStdString();
}

TEST(ParseInteger, DecimalWithSpacesTabsAndSign) {
  ExpectParsed(
      {{u"42", 42}, {u" \t 42", 42}, {u"-17", -17}, {u"+17", 17}, {u"12abc", 12}, {u"12 34", 12}, {u"007", 7}});
}

TEST(ParseInteger, HexadecimalAndBinaryPrefixes) {
  ExpectParsed({{u"$ff", 255}, {u"$7FfF", 32767}, {u"  -$10", -16}, {u"$1g", 1}, {u"%101", 5}, {u"%1021", 2},
                {u"-%11", -3}, {u"ff", 0}});  // hex digits need the $ prefix
}

TEST(ParseInteger, NoDigitsGivesZero) {
  for (const char16_t* text : {u"", u"   ", u"-", u"+", u"$", u"%", u"abc", u"- 5", u"$ 5",
                               u"\n5", u"0x10"}) {
    EXPECT_EQ(ParseInteger(text), 0) << QString::fromUtf16(text).toStdString();
  }
}

TEST(ParseInteger, OverflowSaturates) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  EXPECT_EQ(ParseInteger(u"9223372036854775807"), kMax);
  EXPECT_EQ(ParseInteger(u"9223372036854775808"), kMax);
  EXPECT_EQ(ParseInteger(u"99999999999999999999999999"), kMax);
  EXPECT_EQ(ParseInteger(u"-9223372036854775808"), kMin);
  EXPECT_EQ(ParseInteger(u"-99999999999999999999999999"), kMin);
  EXPECT_EQ(ParseInteger(u"$FFFFFFFFFFFFFFFFFF"), kMax);
  EXPECT_EQ(ParseInteger(u"%" + std::u16string(70, u'1')), kMax);
}

}  // namespace
}  // namespace zandrel
