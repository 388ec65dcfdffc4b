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
  // A close request for the main window. During a run it only stops the run after the current
  // zip and answers true: the request is used up and the program keeps running.
  bool StopRunOnCloseRequest();
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
  void ShowEndOfRun();
  void CloseRun();
  void JoinWorker();

  AppContext& context_;
  Shell& shell_;
  Phase phase_ = Phase::kIdle;
  TorrentZipFlags flags_;
  std::thread worker_;
  std::unique_ptr<TorrentZipWindow> window_;
};

}  // namespace zandrel
