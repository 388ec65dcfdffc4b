#include "app/busy_state.h"

namespace zandrel {
namespace {

// A box whose rule names another switch follows that switch and, in turn, that switch's own box.
bool RuleHolds(const RunFlags& switches, size_t row) {
  const BoxRule& rule = kRunOptionTable[row].box_rule;
  if (rule.other == nullptr) return true;
  return switches.*rule.other == rule.value && RuleHolds(switches, RunOptionIndex(rule.other));
}

}  // namespace

std::array<bool, kWindowControlCount> EnabledControls(const ControlStates& states) {
  using C = MainControl;
  std::array<bool, kWindowControlCount> enabled;
  const bool idle = !states.busy;
  // Whatever could change a run's inputs waits while the window is busy.
  enabled.fill(idle);
  auto set = [&enabled](ControlId control, bool on) { enabled[control.Index()] = on; };
  for (C control : {C::kCheckTorrent, C::kStatusFrame, C::kSettingsFrame, C::kStatusLine, C::kProgressBar}) {
    set(control, true);
  }
  set(C::kBackupSelect, idle && !states.backup_to_torrent_dir);
  set(C::kBackupDirField, idle && !states.backup_to_torrent_dir);
  for (size_t row = 0; row < kRunOptionCount; ++row) {
    set(ControlId::OptionBox(row), idle && RuleHolds(states.switches, row));
  }
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
