// The log files in the logs folder: merging the logs that TorrentZip leaves there during a run into
// one combined log, and deleting every log on request.
#pragma once

#include <QSet>
#include <QString>

namespace zandrel {

// The path itself when nothing stands there, otherwise the first free "<base> (n)<.ext>" beside it,
// so that nothing that is already there is ever replaced.
QString FreeName(const QString& path);

// Merges the logs that appear during one TorrentZip run. Logs that were in the folder when the run
// started (the snapshot) are never touched.
class LogMerger {
 public:
  LogMerger(QString logs_folder, QSet<QString> snapshot_names);

  // Appends every new "[<directory name>]*.log" file (in name order) to the combined log and
  // deletes it. A log that cannot be read or appended completely is kept.
  void MergeNewLogs(const QString& directory_name);
  // Gives the combined log its final name, the first merged log's own; when something stands
  // there it takes a free name beside it. The final path, or empty when nothing was merged.
  QString Finish();

 private:
  bool AppendLog(const QString& log_path);

  QString logs_folder_;
  QSet<QString> snapshot_names_;
  QString combined_log_;   // empty until the first new log is merged
  QString combined_temp_;  // where the merged lines gather during the run
};

// Deletes every file ending in ".log" directly in the folder (no subfolders). Failures are silent;
// the number deleted is returned for the caller's curiosity.
int DeleteLogFiles(const QString& logs_folder);

}  // namespace zandrel
