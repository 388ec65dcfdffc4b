#include "app/gui/ignore_list_controller.h"

#include <QElapsedTimer>
#include <QTimer>

#include "app/gui/dialogs.h"
#include "app/gui/ignore_list_window.h"
#include "app/gui/tick_tree_view.h"
#include "messages/failure_text.h"
#include "messages/text.h"
#include "torrent/torrent_reader.h"

namespace zandrel {
namespace {

// Work the GUI thread does on arrived entries before it lets other events in.
constexpr qint64 kDrainBudgetMs = 8;

TreeItem ItemFor(const IgnoreTreeEntry& entry, const PathMap& ignore_list) {
  const QString text = entry.Kind == kEntryDirectory ? QChar(u'[') + entry.Name + QChar(u']') : entry.Name;
  // Only an entry in the same letter case as on disk shows ticked.
  const int tick = ignore_list.Value(entry.Path) == entry.Path ? 1 : 0;
  return TreeItem{text, entry.Level, tick};
}

}  // namespace

IgnoreListController::IgnoreListController(AppContext& context, Shell& shell)
    : context_(context), shell_(shell) {}

IgnoreListController::~IgnoreListController() {
  builder_.RequestClose();
  builder_.Join();
}

void IgnoreListController::Toggle(bool pressed) {
  if (!pressed) {
    if (window_) RequestClose();
    return;
  }
  if (!window_) Open();
}

void IgnoreListController::Open() {
  entries_.clear();
  const QString dir = context_.options.TorrentDir;
  if (dir.isEmpty()) {
    context_.dialogs.ShowMessage(shell_.Window(), context_.messages.MessageText(u"Msg_Error"),
                                 MessageBoxBody(context_.messages.MessageText(u"Msg_NoTorrentDir")));
    emit IgnoreButtonPressed(false);
    return;
  }
  window_ = std::make_unique<IgnoreListWindow>(context_.messages);
  connect(window_.get(), &IgnoreListWindow::CloseRequested, this, &IgnoreListController::RequestClose);
  connect(&window_->Model(), &TickTreeModel::TicksChanged, this, &IgnoreListController::TicksChanged);
  shell_.HoldWindow(true);
  building_ = true;
  builder_done_ = false;
  if (context_.options.KeepWindowOnTop == 1) KeepWindowOnTop(window_.get(), true);
  PlaceWindow(window_.get(), remembered_position_, remembered_size_);
  window_->show();
  emit IgnoreButtonPressed(true);

  const int generation = ++generation_;
  builder_.Start(
      dir,
      [this, generation](std::vector<IgnoreTreeEntry>&& batch) {
        QMetaObject::invokeMethod(
            this, [this, generation, b = std::move(batch)]() mutable { TakeBatch(generation, std::move(b)); },
            Qt::QueuedConnection);
      },
      [this, generation](bool) {
        QMetaObject::invokeMethod(this, [this, generation] { BuilderFinished(generation); }, Qt::QueuedConnection);
      });
}

void IgnoreListController::TakeBatch(int generation, std::vector<IgnoreTreeEntry>&& batch) {
  if (generation != generation_ || builder_.State().load() == kTreeCloseRequested) return;
  pending_.push_back(std::move(batch));
  if (!drain_scheduled_) {
    drain_scheduled_ = true;
    QTimer::singleShot(0, this, &IgnoreListController::DrainPending);
  }
}

// Turns arrived entries into tree items, a little at a time, so that the window stays responsive
// however fast the builder lists.
void IgnoreListController::DrainPending() {
  drain_scheduled_ = false;
  QElapsedTimer clock;
  clock.start();
  const PathMap& ignore_list = context_.engine.ignore_list;
  std::vector<TreeItem> items;
  while (!pending_.empty() && window_ && clock.elapsed() < kDrainBudgetMs) {
    if (builder_.State().load() == kTreeCloseRequested) {
      pending_.clear();
      break;
    }
    // A batch is small (the builder's batch size), so one is always taken whole.
    std::vector<IgnoreTreeEntry>& batch = pending_.front();
    items.clear();
    for (const IgnoreTreeEntry& entry : batch) items.push_back(ItemFor(entry, ignore_list));
    window_->Model().Append(items);
    entries_.insert(entries_.end(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
    pending_.pop_front();
  }
  if (!pending_.empty() && window_) {
    drain_scheduled_ = true;
    QTimer::singleShot(0, this, &IgnoreListController::DrainPending);
    return;
  }
  FinishBuildIfDone();
}

void IgnoreListController::BuilderFinished(int generation) {
  if (generation != generation_) return;
  builder_.Join();
  builder_done_ = true;
  FinishBuildIfDone();
}

void IgnoreListController::FinishBuildIfDone() {
  if (!building_ || !builder_done_ || drain_scheduled_) return;
  building_ = false;
  pending_.clear();
  shell_.HoldWindow(false);
  std::atomic<int>& state = builder_.State();
  if (state.load() == kTreeCloseRequested) {
    CloseWindow();
  } else if (window_) {
    window_->ShowTree();
    state.store(kTreeIdle);
  }
}

// Cancel, the close box, the toggle button or "Clear ignore list": the window closes at once when
// the tree is complete, otherwise as soon as the builder has stopped.
void IgnoreListController::RequestClose() {
  builder_.RequestClose();
  pending_.clear();
  if (!building_) CloseWindow();
}

void IgnoreListController::CloseForExit() {
  builder_.RequestClose();
  builder_.Join();
  pending_.clear();
  building_ = false;
  CloseWindow();
}

void IgnoreListController::CloseWindow() {
  builder_.State().store(kTreeIdle);
  if (!window_) return;
  remembered_size_ = window_->size();
  remembered_position_ = window_->pos();
  window_->CloseNow();
  window_.release()->deleteLater();
  emit IgnoreButtonPressed(false);
}

void IgnoreListController::TicksChanged(int first, int last, bool ticked) {
  PathMap& ignore_list = context_.engine.ignore_list;
  for (int i = first; i <= last && i < static_cast<int>(entries_.size()); ++i) {
    const QString& path = entries_[static_cast<size_t>(i)].Path;
    if (ticked) ignore_list.Add(path);
    else ignore_list.Remove(path);
  }
}

void IgnoreListController::LoadIgnoreTorrents() {
  const MessageTable& messages = context_.messages;
  const QStringList files = context_.dialogs.OpenFiles(
      shell_.Window(), messages.MessageText(u"Req_LoadIgnore"), QString(),
      messages.MessageText(u"Req_SelectTorrent2") + QStringLiteral(" (*.torrent)"), true);
  int64_t count = 0;
  for (const QString& file : files) {
    shell_.ShowStatusMessage(messages.MessageText(u"Status_ProcessTorrent"));
    const Status added = AddTorrentPaths(file, context_.engine.ignore_list);
    if (added) ++count;
    else shell_.ShowStatusMessage(FailureText(added.Why(), messages));
  }
  if (count != 0) {
    shell_.ShowStatusMessage(FillPlaceholders(messages.MessageText(u"Status_LoadedIgnore"),
                                          {{u"%n%", QString::number(count)}}));
  }
}

void IgnoreListController::ClearIgnoreList() {
  context_.engine.ignore_list.Clear();
  shell_.ShowStatusMessage(context_.messages.MessageText(u"Status_ClearedIgnore"));
  if (window_) RequestClose();
}

void IgnoreListController::ApplyKeepOnTop() {
  if (window_) KeepWindowOnTop(window_.get(), context_.options.KeepWindowOnTop == 1);
}

}  // namespace zandrel
