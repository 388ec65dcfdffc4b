// The data folder and the settings file "zandrel.ini".
#pragma once

#include <QString>

#include "app/options.h"
#include "messages/message_table.h"

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
// folder (created one level deep); the working directory when that fails.
DataFolder SettleDataFolder(const QString& working_dir, const QString& per_user_folder);

// State the settings reader sets besides the option fields.
struct SettingsFlags {
  bool torrent_changed = false;
  bool language_requested = false;
};

// Fills options from the file; a missing or unreadable file leaves everything as it was.
void LoadSettings(const QString& path, Options& options, SettingsFlags& flags);
// Writes the whole file anew. current_language is the name of the language in use, or empty while
// the built-in texts are in use.
void SaveSettings(const QString& path, const Options& options, bool window_maximized,
                  const QString& current_language, const QString& version);

}  // namespace zandrel
