#include "app/busy_state.h"

namespace zandrel {

std::array<bool, kMainControlCount> EnabledControls(const ControlStates& states) {
  using C = MainControl;
  std::array<bool, kMainControlCount> enabled;
  enabled.fill(true);
  auto set = [&enabled](MainControl control, bool on) { enabled[static_cast<int>(control)] = on; };
  const bool idle = !states.busy;
  for (MainControl control :
       {C::kTorrentDropLabel, C::kDirDropLabel, C::kTorrentPath, C::kDownloadDir, C::kLogFoundFiles,
        C::kHashCheck, C::kAlwaysOnTop, C::kFixMissing, C::kOpenReport, C::kCheckUnneeded, C::kCreateBackups,
        C::kTrimPaddedFiles, C::kDeleteWrongSizedFiles, C::kBackupToTorrentDir, C::kIgnoreButton,
        C::kBackupLabel, C::kViewTorrent}) {
    set(control, idle);
  }
  set(C::kDeleteUnneeded, idle && states.check_unneeded);
  set(C::kDeleteOnlyWhenComplete, idle && states.check_unneeded && states.delete_unneeded);
  set(C::kTrimPaddedFiles, idle && !states.delete_wrong_sized);
  set(C::kBackupSelect, idle && !states.backup_to_torrent_dir);
  set(C::kBackupDirField, idle && !states.backup_to_torrent_dir);
  return enabled;
}

std::array<bool, kMainMenuItemCount> EnabledMenuItems(const MenuStates& states) {
  using M = MainMenuItem;
  std::array<bool, kMainMenuItemCount> enabled;
  enabled.fill(!states.busy);
  enabled[static_cast<int>(M::kSaveCurrentLanguage)] = true;
  enabled[static_cast<int>(M::kSaveAllLanguages)] = true;
  const bool follows_busy = states.language_count > 0;
  enabled[static_cast<int>(M::kEnglish)] = follows_busy ? !states.busy : states.language_listing_found;
  enabled[static_cast<int>(M::kLanguage)] = !states.busy;
  return enabled;
}

}  // namespace zandrel
