#include "app/menu_access_keys.h"

#include <gtest/gtest.h>

namespace zandrel {
namespace {

TEST(MenuAccessKeysTest, EachTextGetsAFreeLetterPreferablyAWordStart) {
  const struct {
    const char* what;
    QStringList texts, marked;
  } cases[] = {
      {"German menu bar: E is taken, so Extras gets its x", {"Datei", "Einstellungen", "Extras", "Sprache", "Hilfe"},
       {"&Datei", "&Einstellungen", "E&xtras", "&Sprache", "&Hilfe"}},
      {"a later word's start before an inner letter", {"Select file", "Select torrent directory"},
       {"&Select file", "Select &torrent directory"}},
      {"the shown shortcut is never chosen, an ampersand shows as itself",
       {"Exit\tAlt+F4", "E\tAlt+F4", "R&D"}, {"&Exit\tAlt+F4", "E\tAlt+F4", "&R&&D"}},
      {"digits count, punctuation does not", {"...", "1 file"}, {"...", "&1 file"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(WithAccessKeys(c.texts), c.marked);
  }
}

}  // namespace
}  // namespace zandrel
