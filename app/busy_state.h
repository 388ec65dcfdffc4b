// Which of the main window's controls and menu items are usable, busy (a run or a modal step under
// way) or idle, and as far as the options they depend on let them.
#pragma once

#include <array>

#include "app/main_window_layout.h"
#include "check/run_option_table.h"

namespace zandrel {

struct ControlStates {
  bool busy = false;
  bool backup_to_torrent_dir = false;  // "Backup to torrent's directory" ticked
  RunFlags switches;                   // the run's switches as their boxes show them
};

// Enabled state of every control, by ControlId. The Check Torrent button, the frames, the status
// line and the progress bar are always enabled here: the button stays usable as Cancel during a
// run. A run switch's box follows its row's rule in kRunOptionTable.
std::array<bool, kWindowControlCount> EnabledControls(const ControlStates& states);

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
