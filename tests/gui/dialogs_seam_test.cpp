#include <gtest/gtest.h>

#include "tests/gui/scripted_dialogs.h"

namespace zandrel {
namespace {

TEST(ScriptedDialogsTest, AnswersInOrderAndRecordsWhatWasAsked) {
  test::ScriptedDialogs dialogs;
  dialogs.yes_no = {true, false};
  EXPECT_TRUE(dialogs.AskYesNo(nullptr, "t", "first"));
  EXPECT_FALSE(dialogs.AskYesNo(nullptr, "t", "second"));
  EXPECT_FALSE(dialogs.AskYesNo(nullptr, "t", "unanswered"));
  EXPECT_TRUE(dialogs.OpenFiles(nullptr, "t", {}, {}, false).isEmpty());
  EXPECT_EQ(dialogs.Count("yesno"), 3);
  EXPECT_EQ(dialogs.Count("open"), 1);
}

}  // namespace
}  // namespace zandrel
