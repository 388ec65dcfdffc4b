#include "app/gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "app/gui/dialogs.h"
#include "app/gui/main_window_font.h"
#include "app/gui/main_window_path_field.h"
#include "app/main_window_placement.h"
#include "messages/text.h"
#include "platform/version.h"

namespace zandrel {
namespace {

using C = MainControl;
using M = MainMenuItem;

}  // namespace

MainWindow::MainWindow(AppContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context), default_font_(QApplication::font()) {
  setWindowTitle(QStringLiteral("Zandrel v") + VersionText());
  remembered_torrent_path_ = context_.options.TorrentFile;
}

MainWindow::~MainWindow() {
  // A run still under way (the program is torn down without a close) is stopped, not abandoned.
  CancelRunForExit();
  QApplication::setFont(default_font_);
}

void MainWindow::RebuildMainWindow() {
  rebuilding_ = true;
  if (QWidget* old = centralWidget()) {
    old->removeEventFilter(this);
    takeCentralWidget()->deleteLater();
  }
  context_.messages.LoadRequestedLanguage();
  const MessageTable& table = context_.messages;
  qt_translations_.Use(table.WorkingEntryCurrent() ? table.CurrentLanguageName() : QString());
  // The program's default font, for the windows opened from now on; this window takes it at once.
  const QFont font = ControlFont(context_.options, default_font_);
  QApplication::setFont(font);
  setFont(font);
  auto* central = new QWidget(this);
  BuildControls(central);
  setCentralWidget(central);
  BuildMenuBar();
  ApplyOptionsToControls();
  ConnectHandlers();
  ApplyEnabledStates();
  MeasureMainWindow();
  natural_height_ = LayoutMainWindow(sizes_, QSize(), false).height;
  central->setMinimumSize(sizes_.natural_width, natural_height_);
  if (size_before_rebuild_) {
    const QSize size = SizeAfterRebuild(size_before_rebuild_->first, size_before_rebuild_->second,
                                        QSize(sizes_.natural_width, natural_height_));
    context_.options.WindowSizeX = size.width();
    context_.options.WindowSizeY = size.height();
    size_before_rebuild_.reset();
  }
  // The window's own minimum follows the new controls now, before it is resized: otherwise the
  // old (larger) minimum would hold the window at its old size.
  layout()->activate();
  ApplyKeepOnTop();
  PlaceWindow();
  central->installEventFilter(this);
  ApplyLayout();
  // Not the first path field: the Ctrl shortcuts then reach their menu items, and no stray key
  // edits the stored torrent path.
  Control(C::kCheckTorrent)->setFocus(Qt::OtherFocusReason);
  rebuilding_ = false;
  RecordGeometry();
}

void MainWindow::ApplyOptionsToControls() {
  const Options& o = context_.options;
  for (size_t i = 0; i < kRunOptionCount; ++i) {
    Box(ControlId::OptionBox(i))->setChecked(o.*kRunOptionTable[i].member == 1);
  }
  Box(C::kAlwaysOnTop)->setChecked(o.KeepWindowOnTop == 1);
  Box(C::kBackupToTorrentDir)->setChecked(o.BackupToTorrentDir == 1);
  Field(C::kBackupDirField)->setText(o.BackupToTorrentDir == 1 ? o.TorrentDir : o.BackupDir);
  Field(C::kTorrentPath)->setText(o.TorrentFile);
  Field(C::kDownloadDir)->setText(o.TorrentDir);
  Button(C::kIgnoreButton)->setChecked(ignore_pressed_);
}

void MainWindow::ApplyEnabledStates() {
  ControlStates states;
  states.busy = busy_;
  states.backup_to_torrent_dir = context_.options.BackupToTorrentDir == 1;
  states.switches = context_.options;
  const auto enabled = EnabledControls(states);
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (i != ControlId(C::kCheckTorrent).Index()) controls_[i]->setEnabled(enabled[i]);
  }
  menu_states_.busy = busy_;
  const auto menu_enabled = EnabledMenuItems(menu_states_);
  for (int i = 0; i < kMainMenuItemCount; ++i) {
    if (actions_[i] != nullptr) actions_[i]->setEnabled(menu_enabled[i]);
  }
  for (QAction* action : language_actions_) action->setEnabled(menu_enabled[static_cast<int>(M::kLanguage)]);
}

void MainWindow::EnterBusyState() {
  KeepFocusForIdle();
  busy_ = true;
  if (centralWidget() != nullptr) ApplyEnabledStates();
}

void MainWindow::SetIdle() {
  busy_ = false;
  if (centralWidget() != nullptr) ApplyEnabledStates();
  RestoreFocusOfIdle();
}

void MainWindow::HoldWindow(bool held) {
  if (held) {
    EnterBusyState();
    SetCheckButtonEnabled(false);
  } else {
    SetIdle();
    SetCheckButtonEnabled(true);
  }
}

// Disabling the focused control (Check Torrent, usually) would hand the keyboard to whatever
// control is enabled first when the window is idle again, often the torrent path field.
void MainWindow::KeepFocusForIdle() {
  if (focus_for_idle_.isNull()) focus_for_idle_ = focusWidget();
}

void MainWindow::RestoreFocusOfIdle() {
  if (busy_ || focus_for_idle_.isNull() || !focus_for_idle_->isEnabled()) return;
  focus_for_idle_->setFocus(Qt::OtherFocusReason);
  focus_for_idle_.clear();
}

void MainWindow::ApplyLayout() {
  QWidget* central = centralWidget();
  if (central == nullptr) return;
  const MainWindowLayout layout = LayoutMainWindow(sizes_, central->size(), true);
  for (size_t i = 0; i < controls_.size(); ++i) controls_[i]->setGeometry(layout.rects[i]);
}

QMargins MainWindow::FrameMargins() const {
  const int menu_height = menuWidget() != nullptr ? menuWidget()->sizeHint().height() : 0;
  // Title bar and borders are known once the window has been shown; before that they count as 0.
  const QRect outer = frameGeometry();
  const QRect inner = geometry();
  return QMargins(inner.left() - outer.left(), inner.top() - outer.top() + menu_height,
                  outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

void MainWindow::PlaceWindow() {
  const Options& o = context_.options;
  const StoredGeometry stored{o.WindowPositionX, o.WindowPositionY, o.WindowSizeX, o.WindowSizeY,
                              o.WindowMaximized == 1};
  QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  const QRect desktop = target->availableGeometry();
  QList<QRect> screens;
  for (const QScreen* each : QGuiApplication::screens()) screens << each->availableGeometry();
  const QSize natural(sizes_.natural_width, natural_height_);
  const int menu_height = menuWidget() != nullptr ? menuWidget()->sizeHint().height() : 0;
  setMaximumSize(desktop.size().expandedTo(natural.grownBy(QMargins(0, menu_height, 0, 0))));
  // Placed twice when the first showing reveals the frame the window system adds.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const QMargins frame = FrameMargins();
    const WindowPlacement placement = PlaceMainWindow(stored, natural, desktop, screens, frame);
    if (placement.maximized) {
      move(placement.position);
      resize(placement.inner.width(), placement.inner.height() + menu_height);
      showMaximized();
      return;
    }
    if (isMaximized()) showNormal();
    move(placement.position);
    resize(placement.inner.width(), placement.inner.height() + menu_height);
    show();
    if (FrameMargins() == frame) return;
  }
}

void MainWindow::RecordGeometry() {
  if (rebuilding_ || !isVisible() || windowState() != Qt::WindowNoState || centralWidget() == nullptr) return;
  Options& o = context_.options;
  o.WindowPositionX = frameGeometry().x();
  o.WindowPositionY = frameGeometry().y();
  o.WindowSizeX = centralWidget()->width();
  o.WindowSizeY = centralWidget()->height();
}

void MainWindow::ApplyKeepOnTop() {
  const bool on_top = context_.options.KeepWindowOnTop == 1;
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on_top) return;
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, on_top);
  if (visible) show();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget() && event->type() == QEvent::Resize) {
    ApplyLayout();
    RecordGeometry();
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  RecordGeometry();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  RecordGeometry();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && !rebuilding_) {
    context_.options.WindowMaximized = isMaximized() ? 1 : 0;
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (close_guard_ && !close_guard_()) {
    event->ignore();
    return;
  }
  quit_requested_ = true;
  if (CheckRunning()) {
    run_window_->RequestCancel();
    // The run ends on the cancel flag; its end closes the window again.
    event->ignore();
    return;
  }
  event->accept();
  emit exitConfirmed();
}

PathField* MainWindow::Field(ControlId control) const { return qobject_cast<PathField*>(Control(control)); }

QLabel* MainWindow::Label(ControlId control) const { return qobject_cast<QLabel*>(Control(control)); }

QPushButton* MainWindow::Button(ControlId control) const { return qobject_cast<QPushButton*>(Control(control)); }

QCheckBox* MainWindow::Box(ControlId control) const { return qobject_cast<QCheckBox*>(Control(control)); }

void MainWindow::SetIgnoreButtonPressed(bool pressed) {
  ignore_pressed_ = pressed;
  if (auto* button = Button(C::kIgnoreButton)) button->setChecked(pressed);
}

void MainWindow::SetStatusText(const QString& text) {
  Label(C::kStatusLine)->setText(text);
}

void MainWindow::SetCheckButtonEnabled(bool enabled) {
  if (!enabled) KeepFocusForIdle();
  Control(C::kCheckTorrent)->setEnabled(enabled);
  if (enabled) RestoreFocusOfIdle();
}

void MainWindow::ShowStatusLine(bool show) { Control(C::kStatusLine)->setVisible(show); }

void MainWindow::ShowProgressBar(bool show) { Control(C::kProgressBar)->setVisible(show); }

void MainWindow::SetProgressMaximum(int64_t maximum) {
  // The bar counts in int; long runs are scaled down.
  progress_scale_ = 1;
  while (maximum / progress_scale_ > INT32_MAX) progress_scale_ *= 2;
  auto* bar = qobject_cast<QProgressBar*>(Control(C::kProgressBar));
  bar->setRange(0, static_cast<int>(maximum / progress_scale_));
  bar->setValue(0);
}

void MainWindow::SetProgressValue(int64_t value) {
  qobject_cast<QProgressBar*>(Control(C::kProgressBar))->setValue(static_cast<int>(value / progress_scale_));
}

void MainWindow::SetCheckButtonCaption(const QString& caption) {
  Button(C::kCheckTorrent)->setText(caption);
}

void MainWindow::OpenWithAssociatedProgram(const QString& path) {
  const QString shown = Label(C::kStatusLine)->text();
  QPointer<MainWindow> self(this);
  context_.dialogs.OpenWithAssociatedProgram(path, [self, path, shown] {
    if (self) self->ShowOpenFailure(path, shown);
  });
}

void MainWindow::ShowOpenFailure(const QString& path, const QString& shown_before) {
  const QString failure =
      FillPlaceholders(context_.messages.MessageText(u"Status_CannotOpen"), {{u"%file%", Quoted(path)}});
  // The run's outcome, still in view, stays ahead of the failure; a run under way meanwhile keeps
  // its own line.
  const QString shown = Label(C::kStatusLine)->text();
  if (!shown_before.isEmpty() && shown == shown_before) {
    SetStatusText(shown + u' ' + failure);
  } else if (!busy_) {
    SetStatusText(failure);
  }
}

}  // namespace zandrel
