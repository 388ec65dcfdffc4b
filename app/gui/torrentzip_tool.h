// The Tools menu's TorrentZip runner and log-file commands: "TorrentZip files", "TorrentZip
// directory", "Delete all log files" and "Open log directory".
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>
#include <thread>

#include "app/gui/app_context.h"
#include "app/torrentzip_runner.h"

namespace zandrel {

class TorrentZipWindow;

class TorrentZipTool : public QObject {
  Q_OBJECT

 public:
  TorrentZipTool(AppContext& context, Shell& shell);
  // Ends a run still under way without waiting for the tool (its process is ended).
  ~TorrentZipTool() override;

  // From the choice of the zips until the TorrentZip window has closed again.
  bool Running() const { return phase_ != Phase::kIdle; }
  // A close request for the main window. During a run it stops the run as Cancel does and answers
  // true: the program must wait for the run's end.
  bool StopRunOnCloseRequest();
  // Cancel: the first asks the run to stop after the current zip; the next, while it is still
  // stopping, ends the tool (a tool that never returns would otherwise hold the run forever).
  void RequestStop();
  // The open TorrentZip window, or nullptr.
  TorrentZipWindow* Window() const { return window_.get(); }

 public slots:
  void TorrentZipFiles();
  void TorrentZipDirectory();
  void DeleteAllLogFiles();
  void OpenLogDirectory();

 signals:
  // The window has closed and the main window is idle again.
  void runFinished();

 private:
  enum class Phase { kIdle, kCollecting, kRunning };
  enum class Mode { kFiles, kDirectory };

  void TorrentZipCommand(Mode mode);
  QString ProgramOrLocate();
  void CollectThenRun(const QString& dir, const QString& program);
  void AfterCollecting(const QStringList& zip_files, const QString& program);
  void StartRun(const QString& program, const QStringList& zip_files);
  void ShowEndOfRun(bool tool_ended, int skipped);
  void CloseRun();
  void JoinWorker();

  AppContext& context_;
  Shell& shell_;
  Phase phase_ = Phase::kIdle;
  bool tool_ended_ = false;
  int skipped_ = 0;  // zips of the last run that the tool could not be started for
  TorrentZipFlags flags_;
  std::thread worker_;
  std::unique_ptr<TorrentZipWindow> window_;
};

}  // namespace zandrel
