#include "app/gui/ignore_list_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

#include "app/gui/tick_tree_view.h"
#include "messages/message_table.h"

namespace zandrel {

IgnoreListWindow::IgnoreListWindow(const MessageTable& messages)
    : QWidget(nullptr, Qt::Window),
      tree_(NewTickTreeView(&model_, this)),
      select_all_(new QPushButton(messages.MessageText(u"Button_All"), this)),
      select_none_(new QPushButton(messages.MessageText(u"Button_None"), this)),
      wait_text_(new QLabel(messages.MessageText(u"Text_TreeWait"), this)),
      cancel_(new QPushButton(messages.MessageText(u"Button_Cancel"), this)) {
  setWindowTitle(messages.MessageText(u"Window_IgnoreList"));
  setAttribute(Qt::WA_QuitOnClose, false);
  tree_->hide();
  select_all_->hide();
  select_none_->hide();
  wait_text_->setAlignment(Qt::AlignCenter);
  sizes_ = {ButtonNaturalSize(select_all_), ButtonNaturalSize(select_none_), LabelNaturalSize(wait_text_),
            ButtonNaturalSize(cancel_)};
  connect(select_all_, &QPushButton::clicked, this, [this] { model_.SetAllTicks(true); });
  connect(select_none_, &QPushButton::clicked, this, [this] { model_.SetAllTicks(false); });
  connect(cancel_, &QPushButton::clicked, this, &IgnoreListWindow::CloseRequested);
  ApplyLayout();
}

void IgnoreListWindow::ShowTree() {
  wait_text_->hide();
  cancel_->hide();
  tree_->show();
  select_all_->show();
  select_none_->show();
  // The keyboard goes on where the wait text was: in the tree.
  tree_->setFocus(Qt::OtherFocusReason);
}

void IgnoreListWindow::CloseNow() {
  closing_ = true;
  close();
}

void IgnoreListWindow::resizeEvent(QResizeEvent*) {
  if (!isMinimized()) ApplyLayout();
}

void IgnoreListWindow::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  event->ignore();
  emit CloseRequested();
}

void IgnoreListWindow::ApplyLayout() {
  const IgnoreWindowLayout l = LayoutIgnoreWindow(size(), sizes_);
  tree_->setGeometry(l.tree);
  select_all_->setGeometry(l.select_all);
  select_none_->setGeometry(l.select_none);
  wait_text_->setGeometry(l.wait_text);
  cancel_->setGeometry(l.cancel);
}

}  // namespace zandrel
