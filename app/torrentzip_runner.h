// The TorrentZip run without any window: collecting zip files, running the outside tool once per
// zip and merging the logs it leaves. The window side supplies the progress and error-log hooks.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>

namespace zandrel {

// The executable that TorrentZipExe names, as an absolute path: a bare name is looked up in the
// program search path, anything else must be an existing regular file that the user may run (a
// folder, a missing file or one without permission to run it answers empty). Nothing is launched
// to find out.
QString ResolveTorrentZip(const QString& torrent_zip_exe);

// Appends every file ending in ".zip" (any letter case) below dir, which ends with the separator,
// depth first: a subfolder's zips stand where the subfolder was met in its parent's listing.
// Links are never followed, so link loops end, nor is a folder where another file system is
// mounted entered. Returns early once *stop is set.
void CollectZipFiles(const QString& dir, QStringList& zip_files, const std::atomic<bool>* stop = nullptr);

// The name the tool puts in brackets at the start of its logs for this zip: the last folder name of
// the zip's path ("roms" for ".../games/roms/a.zip"; the first character for a zip in a root).
QString TorrentZipDirectoryName(const QString& zip_path);

struct TorrentZipJob {
  QString program;      // absolute path of the executable
  QString logs_folder;  // no trailing separator; the tool's working directory
  QStringList zip_files;
};

struct TorrentZipFlags {
  // Stop after the current zip (Cancel, the window's close box, an exit request, "error.log").
  std::atomic<bool> stop{false};
  // Cancelled twice, or the program is ending: end the current process (with everything it
  // started) and stop at once.
  std::atomic<bool> abandon{false};
};

// Called on the worker thread; implementations hand the calls over to their own thread.
class TorrentZipProgress {
 public:
  virtual ~TorrentZipProgress() = default;
  virtual void SetPosition(int position) = 0;
  virtual void OpenErrorLog(const QString& path) = 0;
};

struct TorrentZipOutcome {
  bool logs_folder_usable = false;
  int processed = 0;         // zips the tool was run on (or tried to)
  int skipped = 0;           // zips left untouched: the tool could not be started for them, or no logs folder
  bool error_log = false;    // stopped on a non-empty "error.log"
  bool tool_ended = false;   // the tool was still running when the run was abandoned, and was ended
  QString combined_log;      // empty when no new log was merged
};

// The worker's whole run: one process per zip, with that one path as its only argument, the logs
// folder as working directory, nothing on its input and its output discarded; never through a
// shell. A zip for which the tool cannot be started is skipped, and counted.
TorrentZipOutcome RunTorrentZip(const TorrentZipJob& job, TorrentZipFlags& flags,
                                TorrentZipProgress& progress);

}  // namespace zandrel
