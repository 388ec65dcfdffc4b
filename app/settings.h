// The settings file "zandrel.ini".
#pragma once

#include <QString>

#include "app/options.h"
#include "platform/data_folder.h"

namespace zandrel {

// State the settings reader sets besides the option fields.
struct SettingsFlags {
  bool torrent_changed = false;
  bool language_requested = false;
};

// Applies the lines of a settings file's bytes to options.
void ApplySettingsText(const QByteArray& bytes, Options& options, SettingsFlags& flags);
// Fills options from the file; a missing or unreadable file, one over 16 MiB or anything that is
// not a regular file (a FIFO, a device) leaves everything as it was.
void LoadSettings(const QString& path, Options& options, SettingsFlags& flags);
// Writes the whole file anew through a temporary file renamed over the old one. current_language
// is the name of the language in use, or empty while the built-in texts are in use. A text value
// that holds a line break is not written: its key keeps the value the old file held.
void SaveSettings(const QString& path, const Options& options, bool window_maximized,
                  const QString& current_language, const QString& version);

}  // namespace zandrel
