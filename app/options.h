// The option values of the running program, one field per settings key.
#pragma once

#include <QString>
#include <cstdint>

#include "check/run_option_table.h"

namespace zandrel {

#ifdef _WIN32
inline const QString kDefaultTorrentZipExe = QStringLiteral("trrntzip.exe");
#else
inline const QString kDefaultTorrentZipExe = QStringLiteral("trrntzip");
#endif

// The run's switches come from RunFlags; the rest belong to the window.
struct Options : RunFlags {
  QString TorrentFile;
  QString TorrentDir;
  int KeepWindowOnTop = 0;
  int BackupToTorrentDir = 1;
  QString BackupDir;
  QString TorrentZipExe = kDefaultTorrentZipExe;
  QString Font;
  int64_t FontSize = 0;
  int64_t FontStyle = 0;
  int64_t WindowPositionX = 0;
  int64_t WindowPositionY = 0;
  int64_t WindowSizeX = 0;
  int64_t WindowSizeY = 0;
  int WindowMaximized = 0;
  QString Language;
};

}  // namespace zandrel
