// Where the program keeps its settings file and reports.
#pragma once

#include <QString>

namespace zandrel {

inline const QString kSettingsFileName = QStringLiteral("zandrel.ini");
inline const QString kLogsFolderName = QStringLiteral("logs");

struct DataFolder {
  QString folder;          // ends with the separator
  QString settings_path;   // folder + "zandrel.ini"
  QString logs_path;       // folder + "logs"
  bool portable = false;
};

// Per-user configuration folder + "Zandrel" + separator.
QString PerUserFolder();
// Portable when a file "zandrel.ini" stands in the working directory; otherwise the per-user
// folder, created with its parents (a new account has no configuration folder yet); the working
// directory only when that fails.
DataFolder SettleDataFolder(const QString& working_dir, const QString& per_user_folder);

}  // namespace zandrel
