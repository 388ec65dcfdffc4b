// Check Torrent: starting a check run on its own thread, cancelling it, and its end.
#include <QDir>

#include "app/gui/dialogs.h"
#include "app/gui/main_window.h"
#include "check/run_setup.h"
#include "messages/failure_text.h"
#include "torrent/torrent_reader.h"

namespace zandrel {
namespace {

// The run's inputs, copied from the options now: the run never reads the live fields.
CheckInputs RunInputs(const Options& o, const QString& logs_folder) {
  RunRequest request;
  request.torrent = o.TorrentFile;
  request.dir = o.TorrentDir;
  RunOptions& run = request.options;
  RunFlags& switches = run;
  switches = o;  // every switch of the run, as the window holds them
  run.BackupDir = o.BackupToTorrentDir == 1 ? o.TorrentDir : o.BackupDir;
  CheckInputs inputs = MakeInputs(request, logs_folder);
  inputs.open_report_ticked = o.OpenReport == 1;
  return inputs;
}

}  // namespace

void MainWindow::OnCheckTorrent() {
  if (CheckRunning()) {
    run_window_->RequestCancel();
    return;
  }
  const Options& o = context_.options;
  if (o.TorrentFile.isEmpty() || o.TorrentDir.isEmpty()) return;
  if (o.CreateBackups == 0) {
    const MessageTable& table = context_.messages;
    QString text = table.MessageText(u"Msg_Backups");
    text.replace(u'|', u'\n');
    if (!context_.dialogs.AskYesNo(this, table.MessageText(u"Msg_Warning"), text, BoxIcon::kWarning)) return;
  }
  if (!TorrentReady()) return;
  // What the run reads of the window is fixed now; those controls stay disabled until its end.
  CheckInputs inputs = RunInputs(o, context_.data_folder.logs_path);
  // The same refusals as the command line's, before anything on disk changes.
  if (const Status passed = RunPreflight(context_.engine.model, inputs, run_locks_); !passed) {
    const MessageTable& table = context_.messages;
    context_.dialogs.ShowMessage(this, table.MessageText(u"Msg_Error"), FailureText(passed.Why(), table));
    return;
  }
  EnterBusyState();
  StartCheckRun(inputs);
}

// Reads the torrent again when its path changed; whether a run may start on the model.
bool MainWindow::TorrentReady() {
  EngineState& engine = context_.engine;
  if (!context_.torrent_changed) return !engine.model.TorrentFiles.empty() || last_read_succeeded_;
  context_.torrent_changed = false;
  SetStatusText(context_.messages.MessageText(u"Status_ProcessTorrent"));
  Result<TorrentModel> read = ReadTorrent(context_.options.TorrentFile, context_.messages);
  last_read_succeeded_ = read.Ok();
  engine.model = read ? std::move(*read) : TorrentModel();
  if (!read) SetStatusText(FailureText(read.Why(), context_.messages));
  return last_read_succeeded_;
}

void MainWindow::StartCheckRun(const CheckInputs& inputs) {
  // The backup folder is left alone by this run and every later one, and the ignore window shows it.
  context_.engine.ignore_list.Add(kBackupMarker);
  run_window_ = std::make_unique<GuiWindowOperations>(*this, context_.engine.cancel_flag);
  GuiWindowOperations* window = run_window_.get();
  check_thread_.Start(context_.engine, inputs, *window, [this, window] {
    // The run's last act, on its thread: the GUI thread hears of the end after every window
    // operation the run queued before.
    window->Post([this] { OnCheckRunEnded(); });
  });
}

void MainWindow::OnCheckRunEnded() {
  const CheckResult& result = check_thread_.Wait();
  run_locks_.Release();
  // This call runs on the adapter's own queue, so the adapter goes once it has returned.
  run_window_.release()->deleteLater();
  emit checkRunFinished();
  if (quit_requested_) close();
}

void MainWindow::CancelRunForExit() {
  if (!run_window_) return;
  run_window_->RequestCancel();
  run_window_->Abandon();
  check_thread_.Wait();
  run_locks_.Release();
  run_window_.reset();
}

}  // namespace zandrel
