#include "check/run_context.h"

#include <algorithm>

#include "platform/file_system.h"

namespace zandrel {
namespace {

// "BackupDir" for the run always ends with the backup marker and a separator.
QString NormalisedBackupDir(const QString& backup_dir) {
  QString dir = WithTrailingSeparator(backup_dir);
  const QString marker_end = kBackupMarker + QChar(kSeparator);
  if (!dir.endsWith(marker_end, Qt::CaseInsensitive)) dir += marker_end;
  return dir;
}

QString LastComponent(const QString& dir) {
  QString text = dir;
  if (text.endsWith(QChar(kSeparator))) text.chop(1);
  const qsizetype cut = text.lastIndexOf(QChar(kSeparator));
  return cut < 0 ? QString() : text.mid(cut + 1);
}

PathMap RunIgnoreList(const EngineState& engine, const CheckInputs& inputs) {
  PathMap list = inputs.ignore_list ? *inputs.ignore_list : engine.ignore_list;
  list.Add(kBackupMarker);
  return list;
}

std::vector<FileIdentity> KeptIdentities(const CheckInputs& inputs, const QString& report_path) {
  std::vector<FileIdentity> kept;
  QStringList paths{inputs.torrent_path};
  paths += inputs.kept_files;
  if (!report_path.isEmpty()) paths += report_path;
  for (const QString& path : paths) {
    if (const std::optional<FileIdentity> identity = IdentityOf(path)) kept.push_back(*identity);
  }
  return kept;
}

}  // namespace

std::vector<TorrentFileEntry> EntriesAsOnDisk(const std::vector<TorrentFileEntry>& entries, const QString& download_dir) {
  std::vector<TorrentFileEntry> resolved = entries;
  for (TorrentFileEntry& entry : resolved) {
    if (entry.AsWritten.isEmpty() || PathEntryExists(download_dir + entry.RelativePath()) ||
        !PathEntryExists(download_dir + entry.AsWritten)) {
      continue;
    }
    const qsizetype cut = entry.AsWritten.lastIndexOf(QChar(kSeparator)) + 1;
    entry.Dir = entry.AsWritten.left(cut);
    entry.Name = entry.AsWritten.mid(cut);
  }
  return resolved;
}

NeededPaths::NeededPaths(const TorrentModel& model, const std::vector<TorrentFileEntry>& files) {
  sorted_.reserve(files.size());
  for (const TorrentFileEntry& entry : files) {
    paths_.Add(entry.Dir + entry.Name);
    if (!entry.Dir.isEmpty()) paths_.Add(entry.Dir.chopped(1));
    sorted_.push_back(paths_.KeyOf(entry.Dir + entry.Name));
  }
  // A file under the name the torrent writes is a file of the torrent even beside the cleaned one.
  for (const TorrentFileEntry& entry : model.TorrentFiles) {
    if (entry.AsWritten.isEmpty()) continue;
    paths_.Add(entry.AsWritten);
    for (qsizetype cut = entry.AsWritten.indexOf(QChar(kSeparator)); cut > 0;
         cut = entry.AsWritten.indexOf(QChar(kSeparator), cut + 1)) {
      paths_.Add(entry.AsWritten.left(cut));
    }
  }
  // Padding files are needed wherever a client wrote them, and never required on disk.
  for (const QString& padding : model.PaddingPaths) {
    paths_.Add(padding);
    sorted_.push_back(paths_.KeyOf(padding));
  }
  std::sort(sorted_.begin(), sorted_.end());
}

// Every folder on the way to a file of the torrent is needed, however deep: a link standing for
// one (part of a download kept on another disk) is left alone, and so are the folders above it.
// Looked up in the sorted paths rather than stored for each folder, which a torrent of 100,000
// nested components would turn into gigabytes.
bool NeededPaths::HoldsNeededPath(const QString& relative_dir) const {
  const QString prefix = paths_.KeyOf(relative_dir) + QChar(kSeparator);
  const auto it = std::lower_bound(sorted_.begin(), sorted_.end(), prefix);
  return it != sorted_.end() && it->startsWith(prefix);
}

RunContext::RunContext(const EngineState& engine, const CheckInputs& run_inputs, const QString& report)
    : model(engine.model),
      texts(engine.messages),
      inputs(run_inputs),
      options(inputs.options),
      cancel_flag(engine.cancel_flag),
      download_dir(WithTrailingSeparator(run_inputs.download_dir)),
      backup_marker_folder(NormalisedBackupDir(run_inputs.options.BackupDir)),
      download_folder_name(LastComponent(run_inputs.options.TorrentDir)),
      files(EntriesAsOnDisk(engine.model.TorrentFiles, download_dir)),
      ignore_list(RunIgnoreList(engine, run_inputs)),
      needed(engine.model, files),
      report_path(report),
      kept_identities(KeptIdentities(run_inputs, report)) {}

}  // namespace zandrel
