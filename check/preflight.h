// What both front ends look at before a run starts. Every refusal here leaves the disk exactly as
// it was; once the preflight has passed, the run holds its folders against a second run.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "check/run_inputs.h"
#include "platform/folder_lock.h"
#include "platform/result.h"
#include "torrent/torrent_model.h"

namespace zandrel {

// Why the torrent file cannot be read ("Msg_NotFound", "Msg_IsDirectory", or "Msg_CannotRead" with
// the system's reason as %reason%); the refusals that follow are messages with %path% too.
Status TorrentFileRefusal(const QString& path);
Status DownloadDirRefusal(const QString& dir);

// Turns each typed ignore value into the form the ignore list compares: a bare name stays a bare
// name; "./x", "sub/../x" and an absolute path inside dir become the path relative to dir. A value
// that leads out of dir is refused, since it could protect nothing.
Status NormaliseIgnorePaths(QStringList& values, const QString& dir);

// The folder that seems to hold the download when dir was given one level too high: not one file
// of a multi-file torrent is in dir, but dir holds a folder with the torrent's name. Empty
// otherwise.
QString MisplacedDownloadFolder(const TorrentModel& model, const QString& dir);

// The folders a run holds from before its first change to its end.
class RunLocks {
 public:
  // Locks the download folder and, when the backups go elsewhere, the backup location (or its
  // nearest existing folder, which is what a run there would create below).
  Status Acquire(const QString& download_dir, const QString& backup_dir);
  void Release();

 private:
  FolderLock download_;
  FolderLock backup_;
};

// True when the first line of the file is the header this program writes into every report.
bool IsZandrelReport(const QString& path);

// Creates the report file of the run before anything else changes: at inputs.report_path when
// the user named one (replacing an existing file only when it is an earlier report), otherwise
// at the first free report name in the logs folder, which inputs.report_path then holds. A report
// never goes inside the download directory, nor over the torrent.
Status CreateReportFile(CheckInputs& inputs);

// Everything after the torrent has been read: the download directory, the folder above the
// download, the locks and the report. On success the locks are held.
Status RunPreflight(const TorrentModel& model, CheckInputs& inputs, RunLocks& locks);

}  // namespace zandrel
