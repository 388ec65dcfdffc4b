// The option values of the running program, one field per settings key.
#pragma once

#include <QString>
#include <cstdint>

namespace zandrel {

#ifdef _WIN32
inline const QString kDefaultTorrentZipExe = QStringLiteral("trrntzip.exe");
#else
inline const QString kDefaultTorrentZipExe = QStringLiteral("trrntzip");
#endif

struct Options {
  QString TorrentFile;
  QString TorrentDir;
  int LogFoundFiles = 0;
  int HashCheck = 0;
  int KeepWindowOnTop = 0;
  int OpenReport = 1;
  int CheckUnneededFiles = 1;
  int DelUnneededFiles = 0;
  int DelOnlyWhenComplete = 1;
  int TrimPaddedFiles = 0;
  int DeleteWrongSizedFiles = 0;
  int FixMissing = 0;
  int CreateBackups = 1;
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
