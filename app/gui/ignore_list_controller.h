// The ignore list's commands: the toggle button's window with its tree of the download directory,
// "Load ignore list torrent(s)" and "Clear ignore list". Changes to the list are made here, on the
// GUI thread only; a check run works on the copy it takes when it starts.
#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <deque>
#include <memory>
#include <vector>

#include "app/gui/app_context.h"
#include "app/ignore_tree_builder.h"

namespace zandrel {

class IgnoreListWindow;

class IgnoreListController : public QObject {
  Q_OBJECT

 public:
  IgnoreListController(AppContext& context, Shell& shell);
  ~IgnoreListController() override;

  // The open window, or nullptr.
  IgnoreListWindow* Window() const { return window_.get(); }
  // True while the tree builder lists the download directory or its entries wait to be shown.
  bool Building() const { return building_; }
  // One entry per tree item, in the tree's order.
  const std::vector<IgnoreTreeEntry>& IgnoreTreeEntries() const { return entries_; }

 public slots:
  // The toggle button: pressed opens the window, released closes it.
  void Toggle(bool pressed);
  void LoadIgnoreTorrents();
  void ClearIgnoreList();
  // KeepWindowOnTop changed.
  void ApplyKeepOnTop();
  // The program ends: the builder stops and the window closes at once.
  void CloseForExit();

 signals:
  // The toggle button must show this state (released whenever the window closes).
  void IgnoreButtonPressed(bool pressed);

 private:
  void Open();
  void RequestClose();
  void CloseWindow();
  void TakeBatch(int generation, std::vector<IgnoreTreeEntry>&& batch);
  void DrainPending();
  void BuilderFinished(int generation);
  void FinishBuildIfDone();
  void TicksChanged(int first, int last, bool ticked);

  AppContext& context_;
  Shell& shell_;
  std::unique_ptr<IgnoreListWindow> window_;
  std::vector<IgnoreTreeEntry> entries_;
  std::deque<std::vector<IgnoreTreeEntry>> pending_;
  bool drain_scheduled_ = false;
  bool building_ = false;
  bool builder_done_ = true;
  int generation_ = 0;
  // Where the window was when it last closed; kept while the program runs.
  QSize remembered_size_{0, 0};
  QPoint remembered_position_{-9999, -9999};
  IgnoreTreeBuilder builder_;  // last: its thread ends before the members it reports to go
};

}  // namespace zandrel
