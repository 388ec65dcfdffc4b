// What the tree-window tests share: a main window stand-in, the program's state, and clicks on a
// tree item's box or text as a user makes them.
#pragma once

#include <gtest/gtest.h>

#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWidget>

#include "app/gui/app_context.h"
#include "app/gui/tick_tree_model.h"
#include "messages/message_table.h"
#include "tests/gui/scripted_dialogs.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel::test {

class FakeShell : public Shell {
 public:
  QWidget* Window() override { return &window; }
  // A held window is busy with its Check Torrent button disabled too.
  void HoldWindow(bool held) override {
    busy_calls.push_back(held);
    check_button_enabled = !held;
    check_button_calls.push_back(!held);
  }
  void ShowStatusMessage(const QString& text) override { status_texts.push_back(text); }

  QWidget window;
  QList<bool> busy_calls;
  QStringList status_texts;
  bool check_button_enabled = true;
  QList<bool> check_button_calls;
};

// The program's state with a download directory and a data folder in a temporary directory.
class TreeWindowFixture : public ::testing::Test {
 protected:
  TreeWindowFixture() {
    messages_.InitMessageTable();
    context_.options.TorrentDir = dl_;
  }
  QString Path(const QString& relative) const { return Join(dl_, relative); }
  // A multi-file torrent in the temporary directory; files as "dir/sub/name" with their lengths.
  using Files = std::vector<std::pair<std::string, int64_t>>;
  QString TorrentFile(const QString& name, const Files& files) const;

  QTemporaryDir root_;
  QString dl_ = Join(root_.path(), "Show");
  MessageTable messages_{Join(root_.path(), "lang")};
  ScriptedDialogs dialogs_;
  AppContext context_{messages_, dialogs_};
  FakeShell shell_;
};

// Clicks an item of a shown tree: on its tick box, or on its text beside the box.
inline void ClickItem(QTreeView* tree, int item, bool on_box) {
  auto* model = static_cast<TickTreeModel*>(tree->model());
  const QModelIndex index = model->IndexOf(item);
  tree->scrollTo(index);
  QStyleOptionViewItem option;
  option.initFrom(tree);
  option.rect = tree->visualRect(index);
  option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
  option.text = index.data().toString();
  const QRect box = tree->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, tree);
  const QPoint at = on_box ? box.center() : QPoint(option.rect.right() - 4, option.rect.center().y());
  ASSERT_TRUE(option.rect.contains(at)) << "item " << item << " is not on screen";
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
}

inline std::vector<int> Ticks(const TickTreeModel& model) {
  std::vector<int> ticks;
  for (const TreeItem& item : model.Items()) ticks.push_back(item.tick);
  return ticks;
}

}  // namespace zandrel::test
