#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "messages/failure_text.h"
#include "messages/message_table.h"
#include "tests/messages/lng_test_util.h"

namespace zandrel {
namespace {

// A failure is put into words where it is shown: its message in the language current then, its
// placeholders filled once (a value that looks like a placeholder stays as it is), or its own
// text when it has no message.
TEST(FailureText, WordedInTheLanguageCurrentWhereItIsShown) {
  const Failure unreadable = Failure::Message(
      FailureKind::kRefused, "Msg_CannotRead", {{"%path%", "/dl/%reason%"}, {"%reason%", "Permission denied"}});
  const struct {
    const char* what;
    Failure failure;
    const char* english;
    const char* german;
  } cases[] = {
      {"message with fields", unreadable, "/dl/%reason%: cannot be read (Permission denied)",
       "/dl/%reason%: nicht lesbar (Permission denied)"},
      {"message without fields", Failure::Message(FailureKind::kFailed, "Status_TorrentNotFound"),
       "Torrent file not found.", "Torrentdatei fehlt."},
      {"the system's words", Failure::Text(FailureKind::kFailed, "cannot open language file x.lng"),
       "cannot open language file x.lng", "cannot open language file x.lng"},
  };
  QTemporaryDir dir;
  const QString lang = test::Join(dir.path(), "lang");
  test::WriteFile(test::Join(lang, "Test.lng"),
                  test::LngBytes({"Msg_CannotRead=%path%: nicht lesbar (%reason%)",
                                  "Status_TorrentNotFound=Torrentdatei fehlt."}));
  MessageTable table(lang);
  table.InitMessageTable();
  for (const auto& c : cases) EXPECT_EQ(FailureText(c.failure, table), c.english) << c.what;
  table.RequestLanguage("Test.lng");
  ASSERT_TRUE(table.LoadRequestedLanguage());
  for (const auto& c : cases) EXPECT_EQ(FailureText(c.failure, table), c.german) << c.what;
  EXPECT_EQ(unreadable.Field(u"%reason%"), "Permission denied");
  EXPECT_EQ(unreadable.Field(u"%folder%"), "");
}

}  // namespace
}  // namespace zandrel
