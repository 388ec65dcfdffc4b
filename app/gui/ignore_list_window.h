// The ignore-list window: the wait text and Cancel while the tree is built, then the tree of the
// download directory with its two Select buttons. It only shows; IgnoreListController decides.
#pragma once

#include <QWidget>

#include "app/gui/tick_tree_model.h"
#include "app/tree_window_layout.h"

class QLabel;
class QPushButton;
class QTreeView;

namespace zandrel {

class MessageTable;

class IgnoreListWindow : public QWidget {
  Q_OBJECT

 public:
  explicit IgnoreListWindow(const MessageTable& messages);

  TickTreeModel& Model() { return model_; }
  QTreeView* Tree() const { return tree_; }
  QPushButton* SelectAllButton() const { return select_all_; }
  QPushButton* SelectNoneButton() const { return select_none_; }
  QPushButton* CancelButton() const { return cancel_; }
  QLabel* WaitText() const { return wait_text_; }

  // The built tree takes the place of the wait text and Cancel.
  void ShowTree();
  // Closes for good; until then the close box only asks (CloseRequested).
  void CloseNow();

 signals:
  // The close box or Cancel was pressed.
  void CloseRequested();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ApplyLayout();

  TickTreeModel model_;
  QTreeView* tree_;
  QPushButton* select_all_;
  QPushButton* select_none_;
  QLabel* wait_text_;
  QPushButton* cancel_;
  IgnoreWindowSizes sizes_;
  bool closing_ = false;
};

}  // namespace zandrel
