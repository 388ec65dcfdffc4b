// Every run switch of the option table as a user meets it in the main window: a box with its text
// at its place among the check boxes, in the tab order, ticked as the settings file says, and
// greyed out by its rule and while the window is busy. (That a tick is saved is tested with the
// other handlers.)
#include <algorithm>
#include <string>
#include <vector>

#include "tests/gui/main_window_fixture.h"

namespace zandrel::test {
namespace {

const RunOptionRow& RowOf(int RunFlags::*member) { return kRunOptionTable[RunOptionIndex(member)]; }

std::string KeyOf(const RunOptionRow& row) { return QString::fromUtf16(row.settings_key).toStdString(); }

QString SettingsLine(const RunOptionRow& row, int value) {
  return QString::fromUtf16(row.settings_key) + u'=' + QString::number(value);
}

class MainWindowOptionBoxesTest : public MainWindowFixture {
 protected:
  QCheckBox* BoxOf(const RunOptionRow& row) { return Box(OptionBox(row.member)); }
  void ExpectEveryBoxEnabled(bool enabled) {
    for (const RunOptionRow& row : kRunOptionTable) EXPECT_EQ(BoxOf(row)->isEnabled(), enabled) << KeyOf(row);
  }
};

TEST_F(MainWindowOptionBoxesTest, EveryRunSwitchHasABoxThatFollowsItsRow) {
  // Every rule holds at the start, so that every box is usable.
  QByteArray settings;
  for (const RunOptionRow& row : kRunOptionTable) {
    if (row.box_rule.other) settings += SettingsLine(RowOf(row.box_rule.other), row.box_rule.value).toUtf8() + "\r\n";
  }
  MainWindow& window = Start(settings);
  const QRect frame = window.Control(C::kSettingsFrame)->geometry();
  for (const RunOptionRow& row : kRunOptionTable) {
    SCOPED_TRACE(KeyOf(row));
    QCheckBox* box = BoxOf(row);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), app_->Context().messages.MessageText(row.check_box_key));
    EXPECT_EQ(box->isChecked(), Opts().*row.member == 1);
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(frame.contains(box->geometry()));
    // Boxes of one grid row stand side by side in the order of their columns; later rows below.
    for (const RunOptionRow& other : kRunOptionTable) {
      const QRect at = BoxOf(other)->geometry();
      if (other.box_place.row == row.box_place.row) {
        EXPECT_EQ(at.top(), box->y());
        if (other.box_place.column > row.box_place.column) EXPECT_GT(at.left(), box->geometry().right());
      } else if (other.box_place.row > row.box_place.row) {
        EXPECT_GT(at.top(), box->geometry().bottom());
      }
    }
  }

  // The tab key visits the boxes as they are read: row by row, left to right.
  std::vector<GridPlace> visited;
  QWidget* first = window.Control(C::kTorrentPath);
  QWidget* w = first;
  do {
    for (const RunOptionRow& row : kRunOptionTable) {
      if (w == BoxOf(row)) visited.push_back(row.box_place);
    }
    w = w->nextInFocusChain();
  } while (w != first);
  EXPECT_EQ(visited.size(), kRunOptionCount);
  EXPECT_TRUE(std::is_sorted(visited.begin(), visited.end(), [](GridPlace a, GridPlace b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  }));

  // The switch a rule names, turned the other way, greys the box out and leaves its tick alone; so
  // does any switch further along the rules.
  for (const RunOptionRow& row : kRunOptionTable) {
    SCOPED_TRACE(KeyOf(row));
    for (int RunFlags::*other = row.box_rule.other; other != nullptr; other = RowOf(other).box_rule.other) {
      const bool ticked = BoxOf(row)->isChecked();
      Click(OptionBox(other));
      EXPECT_FALSE(BoxOf(row)->isEnabled()) << KeyOf(RowOf(other));
      EXPECT_EQ(BoxOf(row)->isChecked(), ticked);
      Click(OptionBox(other));
      EXPECT_TRUE(BoxOf(row)->isEnabled());
    }
  }

  window.EnterBusyState();
  ExpectEveryBoxEnabled(false);
  window.SetIdle();
  ExpectEveryBoxEnabled(true);
}

}  // namespace
}  // namespace zandrel::test
