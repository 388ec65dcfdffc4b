#include "check/run_setup.h"

#include <QDir>

#include "check/preflight.h"
#include "messages/failure_text.h"
#include "platform/file_system.h"
#include "platform/version.h"
#include "torrent/torrent_reader.h"

namespace zandrel {
namespace {

// The torrent's path leads the reason, so that the user knows which of the torrents it concerns.
Failure AboutTorrent(const QString& torrent, FailureKind kind, const QString& reason) {
  return Failure::Text(kind, torrent + QStringLiteral(": ") + reason);
}

}  // namespace

Status PrepareEngine(const RunRequest& request, EngineState& engine) {
  const MessageTable& messages = engine.messages;
  if (!request.language.isEmpty()) {
    const QString file_name = request.language + QStringLiteral(".lng");
    engine.messages.RequestLanguage(file_name);
    if (!engine.messages.LoadRequestedLanguage()) {
      return Failure::Text(FailureKind::kFailed, QStringLiteral("cannot open language file %1")
                                                     .arg(QDir(engine.messages.LangDir()).filePath(file_name)));
    }
  }
  for (const QString& file : request.ignore_torrents) {
    if (const Status added = AddTorrentPaths(file, engine.ignore_list); !added)
      return AboutTorrent(file, added.Why().kind, FailureText(added.Why(), messages));
  }
  QStringList ignore_paths = request.ignore_paths;
  if (Status normalised = NormaliseIgnorePaths(ignore_paths, request.dir); !normalised) return normalised;
  for (const QString& path : ignore_paths) {
    if (!path.isEmpty()) engine.ignore_list.Add(path);
  }
  Result<TorrentModel> read = ReadTorrent(request.torrent, messages);
  if (!read) return AboutTorrent(request.torrent, read.Why().kind, FailureText(read.Why(), messages));
  engine.model = std::move(*read);
  if (request.verify_v2 && !engine.model.HasV2) {
    return AboutTorrent(request.torrent, FailureKind::kRefused,
                        engine.model.V2Problem.isEmpty()
                            ? QStringLiteral("the torrent has no v2 hash trees to verify (--v2)")
                            : engine.model.V2Problem);
  }
  return {};
}

CheckInputs MakeInputs(const RunRequest& request, const QString& logs_folder) {
  CheckInputs inputs;
  inputs.torrent_path = request.torrent;
  inputs.download_dir = FullPathName(request.dir);
  inputs.options = request.options;
  inputs.options.TorrentDir = inputs.download_dir;
  inputs.options.BackupDir =
      request.options.BackupDir.isEmpty() ? inputs.download_dir : FullPathName(request.options.BackupDir);
  inputs.report_path = request.report.isEmpty() ? QString() : FullPathName(request.report);
  inputs.logs_folder = logs_folder;
  inputs.version = VersionText();
  inputs.verify_v2 = request.verify_v2;
  inputs.kept_files = request.ignore_torrents;
  // No window: no "open report" box (a window sets it).
  inputs.open_report_ticked = false;
  return inputs;
}

}  // namespace zandrel
