// What a front end hands a check run when it starts it: copied, and never written by the run.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "check/run_option_table.h"
#include "torrent/path_map.h"

namespace zandrel {

// What a client appends to a file's name until its download is complete.
inline const QString kPartialSuffix = QStringLiteral(".part");

// The option values a run reads, copied when it starts.
struct RunOptions : RunFlags {
  QString TorrentDir;  // the download directory as the user gave it
  QString BackupDir;   // backup / rebuild source directory
};

struct CheckInputs {
  QString torrent_path;  // used only for the report name
  QString download_dir;  // run download directory
  RunOptions options;
  QString logs_folder;
  QString report_path;   // when set, the report goes here instead of the logs folder
  QString version;
  // Torrents this run reads besides its own (their files are left alone): like the report and the
  // torrent, they are never unneeded and never a repair source, wherever they lie.
  QStringList kept_files;
  bool dry_run = false;  // decide and report everything, change nothing
  // Verify a hybrid torrent by its v2 hash trees rather than its v1 pieces (a v2-only torrent
  // always is).
  bool verify_v2 = false;
  // The ignore list as it stood when the run was started, copied on the starting thread so that
  // the front end may go on editing its own list; without it the run copies the engine's.
  std::optional<PathMap> ignore_list;
  // Called before every change on disk (tests stop a run between the steps of a change there).
  std::function<void()> before_each_change;
  // The window as it stood at the start: a ticked "open report" box spares the status line its
  // pointer to the report.
  bool open_report_ticked = false;
};

}  // namespace zandrel
