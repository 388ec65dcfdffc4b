// What a check run knows before its first stage and never changes after: the inputs, the torrent's
// files as they are named on disk, the paths the torrent needs, the texts and the download folder's
// name. Every stage reads it; none writes it.
#pragma once

#include <QString>
#include <atomic>
#include <vector>

#include "check/engine_state.h"
#include "check/run_inputs.h"
#include "messages/message_table.h"
#include "platform/file_system.h"
#include "torrent/path_map.h"
#include "torrent/torrent_model.h"

namespace zandrel {

// The model's entries with each name the reader shortened or cleaned taken as the torrent writes
// it, where only that one stands in the download directory.
std::vector<TorrentFileEntry> EntriesAsOnDisk(const std::vector<TorrentFileEntry>& entries, const QString& download_dir);

// The paths of the torrent's files and of every folder on the way to one.
class NeededPaths {
 public:
  NeededPaths(const TorrentModel& model, const std::vector<TorrentFileEntry>& files);
  bool IsPresent(const QString& relative) const { return paths_.IsPresent(relative); }
  // True when a file of the torrent lies somewhere below this relative folder.
  bool HoldsNeededPath(const QString& relative_dir) const;
  const PathMap& paths() const { return paths_; }

 private:
  PathMap paths_;
  std::vector<QString> sorted_;  // every entry's path as paths_ compares it, sorted
};

struct RunContext {
  // `report_path`: the report the run writes (kept like its torrent), or empty.
  RunContext(const EngineState& engine, const CheckInputs& run_inputs, const QString& report_path);

  QString Text(QStringView key) const { return texts.Text(key); }
  bool CancelRequested() const { return cancel_flag.load(std::memory_order_relaxed) != 0; }
  bool DryRun() const { return inputs.dry_run; }
  // The model's entries, each under the name it has on disk: a name the reader shortened or
  // cleaned is taken as the torrent writes it when only that one is there.
  const std::vector<TorrentFileEntry>& Files() const { return files; }
  QString FullPath(const TorrentFileEntry& entry) const { return download_dir + entry.Dir + entry.Name; }

  const TorrentModel& model;
  const TextSnapshot texts;
  const CheckInputs inputs;
  const RunOptions& options;  // inputs.options
  const std::atomic<int>& cancel_flag;
  const QString download_dir;  // normalised to end with the separator
  // The backup location's marker folder: BackupDir ending with the marker and the separator.
  const QString backup_marker_folder;
  // The download folder's own name, under which its backups go in the backup location.
  const QString download_folder_name;
  const std::vector<TorrentFileEntry> files;
  const PathMap ignore_list;  // snapshot taken at run start, with the backup marker
  const NeededPaths needed;
  const QString report_path;
  // The torrent, the kept torrents and the report as the system knows them, so that a link, a
  // second name or another spelling of one of them is recognised too.
  const std::vector<FileIdentity> kept_identities;
};

}  // namespace zandrel
