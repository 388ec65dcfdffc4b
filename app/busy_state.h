// Which of the main window's controls and menu items are usable: one table for the busy state
// (a run or a modal step under way) and for the options that grey out the controls they depend on.
#pragma once

#include <array>

#include "app/main_window_layout.h"

namespace zandrel {

struct ControlStates {
  bool busy = false;
  bool check_unneeded = false;        // "Check for unneeded" ticked
  bool delete_unneeded = false;       // "Delete unneeded files" ticked
  bool delete_wrong_sized = false;    // "Delete wrong sized files" ticked
  bool backup_to_torrent_dir = false; // "Backup to torrent's directory" ticked
};

// Enabled state of every control. The Check Torrent button, the frames, the status line and the
// progress bar are always enabled here: the button stays usable as Cancel during a run.
std::array<bool, kMainControlCount> EnabledControls(const ControlStates& states);

enum class MainMenuItem : int {
  kSelectTorrent,
  kSelectTorrentDirectory,
  kLoadIgnoreTorrents,
  kClearIgnoreList,
  kExit,
  kSelectFont,
  kUseDefaultFont,
  kTorrentZipFiles,
  kTorrentZipDirectory,
  kDeleteLogs,
  kOpenLogDir,
  kSaveCurrentLanguage,
  kSaveAllLanguages,
  kEnglish,
  kLanguage,  // every item of a language file
  kAbout,
};
inline constexpr int kMainMenuItemCount = static_cast<int>(MainMenuItem::kAbout) + 1;

struct MenuStates {
  bool busy = false;
  int language_count = 0;           // language files listed in the Language menu
  bool language_listing_found = false;  // the listing of "*.lng" found any entry at all
};

// Enabled state of every menu item. The debug-mode items are never disabled; the Language menu
// follows the busy state only while there is at least one language file.
std::array<bool, kMainMenuItemCount> EnabledMenuItems(const MenuStates& states);

}  // namespace zandrel
