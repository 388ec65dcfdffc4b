#include <gtest/gtest.h>

#include "tests/gui/scripted_dialogs.h"

namespace zandrel {
namespace {

TEST(ScriptedDialogsTest, AnswersInOrderAndRecordsWhatWasAsked) {
  test::ScriptedDialogs dialogs;
  dialogs.yes_no = {true, false};
  EXPECT_TRUE(dialogs.AskYesNo(nullptr, "t", "first", BoxIcon::kQuestion));
  EXPECT_FALSE(dialogs.AskYesNo(nullptr, "t", "second", BoxIcon::kQuestion));
  EXPECT_FALSE(dialogs.AskYesNo(nullptr, "t", "unanswered", BoxIcon::kQuestion));
  EXPECT_TRUE(dialogs.OpenFiles(nullptr, "t", {}, {}, false).isEmpty());
  EXPECT_EQ(dialogs.Count("yesno"), 3);
  EXPECT_EQ(dialogs.Count("open"), 1);
}

}  // namespace
}  // namespace zandrel
