#include "app/gui/torrentzip_tool.h"

#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <utility>

#include "app/gui/dialogs.h"
#include "app/gui/torrentzip_window.h"
#include "app/torrentzip_logs.h"
#include "messages/text.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

// The full bar stays in view this long before the window closes.
constexpr int kSettleMs = 100;

// Hands the worker's calls to the GUI thread in order.
class QueuedProgress : public TorrentZipProgress {
 public:
  QueuedProgress(QObject* receiver, std::function<void(int)> position,
                 std::function<void(const QString&)> error_log)
      : receiver_(receiver), position_(std::move(position)), error_log_(std::move(error_log)) {}

  void SetPosition(int position) override {
    QMetaObject::invokeMethod(receiver_, [f = position_, position] { f(position); }, Qt::QueuedConnection);
  }
  void OpenErrorLog(const QString& path) override {
    QMetaObject::invokeMethod(receiver_, [f = error_log_, path] { f(path); }, Qt::QueuedConnection);
  }

 private:
  QObject* receiver_;
  std::function<void(int)> position_;
  std::function<void(const QString&)> error_log_;
};

// A requester filter as the requesters show it: "zip files (*.zip)".
QString RequesterFilter(const QString& description, const QString& pattern) {
  return description + QStringLiteral(" (") + pattern + QChar(u')');
}

#ifdef _WIN32
const QString kExecutablePattern = QStringLiteral("*.exe");
#else
const QString kExecutablePattern = QStringLiteral("*");
#endif

}  // namespace

TorrentZipTool::TorrentZipTool(AppContext& context, Shell& shell) : context_(context), shell_(shell) {}

TorrentZipTool::~TorrentZipTool() {
  flags_.abandon = true;
  flags_.stop = true;
  JoinWorker();
}

bool TorrentZipTool::StopRunOnCloseRequest() {
  // A folder still being searched is simply given up; only a run keeps the program alive.
  if (phase_ != Phase::kRunning) {
    flags_.stop = true;
    return false;
  }
  RequestStop();
  return true;
}

void TorrentZipTool::RequestStop() {
  if (phase_ != Phase::kRunning) return;
  if (flags_.stop.exchange(true)) flags_.abandon = true;
}

void TorrentZipTool::TorrentZipFiles() { TorrentZipCommand(Mode::kFiles); }
void TorrentZipTool::TorrentZipDirectory() { TorrentZipCommand(Mode::kDirectory); }

void TorrentZipTool::TorrentZipCommand(Mode mode) {
  if (Running()) return;
  const QString program = ProgramOrLocate();
  if (program.isEmpty()) return;
  const MessageTable& messages = context_.messages;
  if (mode == Mode::kFiles) {
    const QStringList zip_files = context_.dialogs.OpenFiles(
        shell_.Window(), messages.MessageText(u"Req_SelectFilesTZ"), {},
        RequesterFilter(messages.MessageText(u"Req_SelectFilesTZ2"), QStringLiteral("*.zip")), true);
    if (!zip_files.isEmpty()) StartRun(program, zip_files);
    return;
  }
  shell_.HoldWindow(true);
  const QString dir =
      context_.dialogs.Directory(shell_.Window(), messages.MessageText(u"Req_SelectDirTZ"), {});
  if (dir.isEmpty()) {
    AfterCollecting({}, program);
    return;
  }
  CollectThenRun(WithTrailingSeparator(dir), program);
}

QString TorrentZipTool::ProgramOrLocate() {
  const QString program = ResolveTorrentZip(context_.options.TorrentZipExe);
  if (!program.isEmpty()) return program;
  const MessageTable& messages = context_.messages;
  if (!context_.dialogs.AskYesNo(shell_.Window(), messages.MessageText(u"Msg_Error"),
                                 MessageBoxBody(messages.MessageText(u"Msg_FindTZ")), BoxIcon::kWarning)) {
    return {};
  }
  const QStringList chosen = context_.dialogs.OpenFiles(
      shell_.Window(), messages.MessageText(u"Req_FindTZ"), {},
      RequesterFilter(messages.MessageText(u"Req_FindTZ2"), kExecutablePattern), false);
  if (chosen.isEmpty()) return {};
  // A file that cannot be run (a folder, gone meanwhile, no permission to run it) is refused: it
  // would skip every zip. The setting keeps what it held.
  const QString resolved = ResolveTorrentZip(chosen.first());
  if (resolved.isEmpty()) {
    context_.dialogs.ShowMessage(
        shell_.Window(), messages.MessageText(u"Msg_Error"),
        MessageBoxBody(FillPlaceholders(messages.MessageText(u"Msg_CannotRunTZ"), {{u"%path%", Quoted(chosen.first())}})));
    return {};
  }
  context_.options.TorrentZipExe = chosen.first();
  return resolved;
}

// A large tree (or a slow disk) is searched on the worker so that the windows stay responsive;
// the main window stays busy meanwhile.
void TorrentZipTool::CollectThenRun(const QString& dir, const QString& program) {
  phase_ = Phase::kCollecting;
  flags_.stop = false;
  worker_ = std::thread([this, dir, program] {
    QStringList zip_files;
    CollectZipFiles(dir, zip_files, &flags_.stop);
    QMetaObject::invokeMethod(
        this, [this, zip_files, program] { AfterCollecting(zip_files, program); }, Qt::QueuedConnection);
  });
}

void TorrentZipTool::AfterCollecting(const QStringList& zip_files, const QString& program) {
  JoinWorker();
  phase_ = Phase::kIdle;
  shell_.HoldWindow(false);
  if (!zip_files.isEmpty() && !flags_.stop.load()) StartRun(program, zip_files);
}

void TorrentZipTool::StartRun(const QString& program, const QStringList& zip_files) {
  JoinWorker();
  flags_.stop = false;
  flags_.abandon = false;
  window_ = std::make_unique<TorrentZipWindow>(context_.messages.MessageText(u"Button_Cancel"),
                                               static_cast<int>(zip_files.size()),
                                               context_.options.KeepWindowOnTop != 0);
  connect(window_.get(), &TorrentZipWindow::stopRequested, this, &TorrentZipTool::RequestStop);
  window_->show();
  phase_ = Phase::kRunning;
  shell_.HoldWindow(true);
  shell_.ShowStatusMessage(context_.messages.MessageText(u"Status_TorrentZipping"));
  const TorrentZipJob job{program, context_.data_folder.logs_path, zip_files};
  worker_ = std::thread([this, job] {
    QueuedProgress progress(
        this, [this](int position) { if (window_) window_->SetPosition(position); },
        [this](const QString& path) { context_.dialogs.OpenWithAssociatedProgram(path, {}); });
    const TorrentZipOutcome outcome = RunTorrentZip(job, flags_, progress);
    QMetaObject::invokeMethod(
        this, [this, outcome] { ShowEndOfRun(outcome.tool_ended, outcome.skipped); }, Qt::QueuedConnection);
  });
}

void TorrentZipTool::ShowEndOfRun(bool tool_ended, int skipped) {
  JoinWorker();
  tool_ended_ = tool_ended;
  skipped_ = skipped;
  QTimer::singleShot(kSettleMs, this, &TorrentZipTool::CloseRun);
}

void TorrentZipTool::CloseRun() {
  if (window_) window_->CloseAtEnd();
  window_.reset();
  phase_ = Phase::kIdle;
  shell_.HoldWindow(false);
  const MessageTable& messages = context_.messages;
  QString status = messages.MessageText(tool_ended_ ? u"Status_TorrentZipEnded" : u"Status_Finished");
  // Zips the tool could not be run for are no finished work: the line says how many.
  if (skipped_ > 0) {
    status += u' ' + FillPlaceholders(messages.MessageText(u"Status_TorrentZipSkipped"), {{u"%n%", QString::number(skipped_)}});
  }
  shell_.ShowStatusMessage(status);
  emit runFinished();
}

void TorrentZipTool::JoinWorker() {
  if (worker_.joinable()) worker_.join();
}

void TorrentZipTool::DeleteAllLogFiles() {
  const MessageTable& messages = context_.messages;
  if (context_.dialogs.AskYesNo(shell_.Window(), messages.MessageText(u"Msg_Message"),
                                MessageBoxBody(messages.MessageText(u"Msg_DeleteLogs")), BoxIcon::kQuestion)) {
    DeleteLogFiles(context_.data_folder.logs_path);
  }
}

void TorrentZipTool::OpenLogDirectory() {
  const QString logs = context_.data_folder.logs_path;
  QPointer<TorrentZipTool> self(this);
  context_.dialogs.OpenWithAssociatedProgram(logs, [self, logs] {
    if (!self) return;
    self->shell_.ShowStatusMessage(
        FillPlaceholders(self->context_.messages.MessageText(u"Status_CannotOpen"), {{u"%file%", Quoted(logs)}}));
  });
}

}  // namespace zandrel
