// The main window: the two path fields, Check Torrent and View Torrent, the status line and
// progress bar, the option check boxes, the backup row and the menu bar. The object lives from
// start-up to exit; a change of font, language or debug mode rebuilds its menus and controls.
#pragma once

#include <QFont>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "app/busy_state.h"
#include "app/gui/app_context.h"
#include "app/gui/gui_window_operations.h"
#include "app/gui/qt_translations.h"
#include "app/main_window_layout.h"
#include "check/check_thread.h"
#include "check/preflight.h"

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;

namespace zandrel {

class PathField;

class MainWindow : public QMainWindow, public Shell, public WindowOperations {
  Q_OBJECT

 public:
  explicit MainWindow(AppContext& context, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Builds the menus and controls anew from Options and the message table (loading a requested
  // language first), places the window from the stored geometry and shows it.
  void RebuildMainWindow();

  // Shell.
  QWidget* Window() override { return this; }
  void HoldWindow(bool held) override;
  void ShowStatusMessage(const QString& text) override { SetStatusText(text); }

  // What a run does to the window, here on the GUI thread: its adapter (RunWindow()) hands the
  // run's calls on, and the window's own steps use them too.
  void SetStatusText(const QString& text) override;
  void ShowStatusLine(bool show) override;
  void ShowProgressBar(bool show) override;
  void SetProgressMaximum(int64_t maximum) override;
  void SetProgressValue(int64_t value) override;
  void SetCheckButtonCaption(const QString& caption) override;
  void SetIdle() override;
  // The adapter holds the run for the settle time; here the bar paints when the event loop runs.
  void SettleWait() override {}
  // Opens the path (the report after a run) with the desktop's program for it; when nothing opens
  // it, the status line says so and names the path.
  void OpenWithAssociatedProgram(const QString& path) override;

  // The busy state of a run, until SetIdle: everything that could change the run's inputs greys
  // out, and Check Torrent stays usable as Cancel.
  void EnterBusyState();

  // The parts of the window, for the application, the screenshots and the tests; a typed accessor
  // gives nullptr for a control of another kind.
  QWidget* Control(ControlId control) const { return controls_[control.Index()]; }
  PathField* Field(ControlId control) const;
  QLabel* Label(ControlId control) const;        // the status line included
  QPushButton* Button(ControlId control) const;  // the ignore-list toggle included
  QCheckBox* Box(ControlId control) const;
  QAction* MenuAction(MainMenuItem item) const { return actions_[static_cast<int>(item)]; }
  const QList<QAction*>& LanguageActions() const { return language_actions_; }
  const MainWindowSizes& Sizes() const { return sizes_; }
  int NaturalHeight() const { return natural_height_; }
  bool DebugMode() const { return debug_mode_; }
  bool CheckRunning() const { return run_window_ != nullptr; }
  // The adapter of the run under way, or nullptr.
  GuiWindowOperations* RunWindow() const { return run_window_.get(); }
  // Decides whether a close request may end the program (false: another run was told to stop
  // instead). Unset, every close request ends it.
  void SetCloseGuard(std::function<bool()> guard) { close_guard_ = std::move(guard); }

 public slots:
  // Releases or presses the ignore-list button without announcing it.
  void SetIgnoreButtonPressed(bool pressed);

 signals:
  void ignoreListToggled(bool checked);
  void loadIgnoreTorrentsRequested();
  void clearIgnoreListRequested();
  void viewTorrentRequested();
  void torrentZipFilesRequested();
  void torrentZipDirectoryRequested();
  void deleteAllLogFilesRequested();
  void openLogDirectoryRequested();
  // "Keep Zandrel windows on top" changed; the other open windows follow it.
  void keepOnTopChanged(bool on_top);
  // Help > About...; the window is busy while the connected slot runs.
  void aboutRequested();
  // The program may end now: no run is under way and the window has closed.
  void exitConfirmed();
  // A check run has ended and its thread is joined.
  void checkRunFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Building (main_window.cpp and main_window_build.cpp).
  void BuildControls(QWidget* central);
  void BuildMenuBar();
  void FillLanguageMenu(class QMenu* menu);
  void ApplyOptionsToControls();
  void ApplyEnabledStates();
  void MeasureMainWindow();
  void ApplyLayout();
  void PlaceWindow();
  QMargins FrameMargins() const;
  void RecordGeometry();
  void ApplyKeepOnTop();
  void ConnectHandlers();
  void KeepFocusForIdle();
  void RestoreFocusOfIdle();
  // The Check Torrent button on its own: the busy state of a run leaves it usable as Cancel.
  void SetCheckButtonEnabled(bool enabled);

  // Handlers (main_window_handlers.cpp).
  void OnTorrentPathEdited(const QString& text);
  void OnDownloadDirEdited(const QString& text);
  void OnTorrentDropped(const QString& path);
  void OnDirDropped(const QString& path);
  void OnOptionBox(int RunFlags::*flag, bool checked);
  void OnKeepOnTop(bool checked);
  void OnBackupDirEdited(const QString& text);
  void OnBackupToTorrentDir(bool checked);
  void OnBackupSelect();
  void OnSelectTorrent();
  void OnSelectTorrentDirectory();
  void OnSelectFont();
  void OnUseDefaultFont();
  void OnAbout();
  void OnLanguage(const QString& name);
  void OnEnglish();
  void OnSaveCurrentLanguage();
  void OnSaveAllLanguages();
  void SetDownloadDir(const QString& dir);
  void ShowOpenFailure(const QString& path, const QString& shown_before);
  void RebuildAtNaturalSize();

  // Check start and cancel (main_window_check.cpp).
  void OnCheckTorrent();
  bool TorrentReady();
  void StartCheckRun(const CheckInputs& inputs);
  void OnCheckRunEnded();
  void CancelRunForExit();

  AppContext& context_;
  // Every control by its id; the typed accessors above tell their kinds apart.
  std::array<QWidget*, kWindowControlCount> controls_{};
  std::array<QAction*, kMainMenuItemCount> actions_{};
  QList<QAction*> language_actions_;
  QStringList language_names_;  // the items' file names, as their texts carry access keys
  MenuStates menu_states_;
  MainWindowSizes sizes_;
  int natural_height_ = 0;
  bool busy_ = false;
  bool debug_mode_ = false;
  bool rebuilding_ = false;
  bool quit_requested_ = false;
  bool last_read_succeeded_ = false;
  bool ignore_pressed_ = false;
  int64_t progress_scale_ = 1;
  const QFont default_font_;
  QString remembered_torrent_path_;
  std::function<bool()> close_guard_;
  QtTranslations qt_translations_;
  QPointer<QWidget> focus_for_idle_;  // where the keyboard was before the window went busy
  // For a rebuild at a new natural size: the inner size and the natural size before it.
  std::optional<std::pair<QSize, QSize>> size_before_rebuild_;
  std::unique_ptr<GuiWindowOperations> run_window_;
  CheckThread check_thread_;
  RunLocks run_locks_;  // held from the preflight until the run has ended
};

}  // namespace zandrel
