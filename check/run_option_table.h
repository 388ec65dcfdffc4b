// The switches a user sets for a run, and one table that says how each front end names them: the
// settings file, the window's check boxes, the command line and its JSON outcome all iterate it, so
// a new switch is a field here and a row in the table (and the texts its row names).
#pragma once

#include <cstddef>
#include <iterator>

namespace zandrel {

// Every switch is 0 or 1; a default-constructed value holds the table's defaults.
struct RunFlags {
  RunFlags();

  int LogFoundFiles;
  int HashCheck;
  int OpenReport;
  int CheckUnneededFiles;
  int DelUnneededFiles;
  int DelOnlyWhenComplete;
  int TrimPaddedFiles;
  int DeleteWrongSizedFiles;
  int FixMissing;
  int CreateBackups;
};

// A place in the main window's grid of check boxes, counted from the top left.
struct GridPlace {
  int row;
  int column;
};

// What greys a switch's box out besides a busy window (which greys out every box: a run reads the
// switches when it starts): the switch `other` holding anything but `value`, or `other`'s own box
// being grey. A box whose switch means nothing without another one follows that one.
struct BoxRule {
  int RunFlags::*other;
  int value;
};
inline constexpr BoxRule kOnlyWhileBusy{nullptr, 0};

struct RunOptionRow {
  int RunFlags::*member;
  int default_value;
  const char16_t* settings_key;   // "Key=0|1" in the settings file, in table order
  const char16_t* check_box_key;  // message key of the window's check box
  GridPlace box_place;            // where that box stands among the window's check boxes
  BoxRule box_rule;
  const char* cli_flag;           // without "--"; nullptr: not on the command line
  int cli_value;                  // what the flag sets: 0 for a flag that turns the switch off
  const char* cli_help;           // "\n" starts a continuation line
  const char* json_name;          // member of "options" in the JSON outcome; nullptr: not there
  int json_true_value;            // the JSON member is true while the switch holds this value
};

// In the order of the settings file, the command line's help and the JSON "options" object.
inline constexpr RunOptionRow kRunOptionTable[] = {
    {&RunFlags::LogFoundFiles, 0, u"LogFoundFiles", u"CheckBox_LogFoundFiles", {0, 0}, kOnlyWhileBusy,
     "log-found-files", 1, "list correct files in the report too", "log_found_files", 1},
    {&RunFlags::HashCheck, 0, u"HashCheck", u"CheckBox_HashCheck", {0, 1}, kOnlyWhileBusy, "hash-check", 1,
     "verify every piece: with SHA-1, or by the SHA-256 hash\ntrees of a v2-only torrent", "hash_check", 1},
    // A command line never opens the report.
    {&RunFlags::OpenReport, 1, u"OpenReport", u"CheckBox_OpenReport", {1, 0}, kOnlyWhileBusy, nullptr, 0, nullptr,
     nullptr, 1},
    {&RunFlags::CheckUnneededFiles, 1, u"CheckUnneededFiles", u"CheckBox_CheckUnneeded", {1, 1}, kOnlyWhileBusy,
     "no-check-unneeded", 0, "skip the scan for files the torrent does not list", "check_unneeded", 1},
    {&RunFlags::DelUnneededFiles, 0, u"DelUnneededFiles", u"CheckBox_DeleteUnneeded", {1, 2},
     {&RunFlags::CheckUnneededFiles, 1}, "delete-unneeded", 1,
     "delete (or back up) everything in DIR that the torrent does\n"
     "not list (files and folders), unless it is ignored",
     "delete_unneeded", 1},
    {&RunFlags::DelOnlyWhenComplete, 1, u"DelOnlyWhenComplete", u"CheckBox_DeleteOnlyWhenComplete", {2, 1},
     {&RunFlags::DelUnneededFiles, 1}, "delete-when-incomplete", 0, "allow that deletion also when files are missing",
     "delete_when_incomplete", 0},
    // Deleting a wrong-sized file leaves nothing to trim.
    {&RunFlags::TrimPaddedFiles, 0, u"TrimPaddedFiles", u"CheckBox_TrimPaddedFiles", {2, 2},
     {&RunFlags::DeleteWrongSizedFiles, 0}, "trim-padded-files", 1, "trim files that are longer than the torrent says",
     "trim_padded_files", 1},
    {&RunFlags::DeleteWrongSizedFiles, 0, u"DeleteWrongSizedFiles", u"CheckBox_DeleteWrongSizedFiles", {2, 3},
     kOnlyWhileBusy, "delete-wrong-sized-files", 1, "delete (or back up) files of the wrong size",
     "delete_wrong_sized_files", 1},
    {&RunFlags::FixMissing, 0, u"FixMissing", u"CheckBox_FixMissing", {1, 3}, kOnlyWhileBusy, "fix-missing", 1,
     "rebuild missing files from same-sized files", "fix_missing", 1},
    {&RunFlags::CreateBackups, 1, u"CreateBackups", u"CheckBox_CreateBackups", {2, 0}, kOnlyWhileBusy, "no-backups", 0,
     "do not move replaced files to the backup folder first", "backups", 1},
};
inline constexpr size_t kRunOptionCount = std::size(kRunOptionTable);

// A field without a row would never be set, saved or shown (nor initialised).
constexpr bool EveryRowHasItsOwnField() {
  for (size_t i = 0; i < kRunOptionCount; ++i) {
    for (size_t j = i + 1; j < kRunOptionCount; ++j) {
      if (kRunOptionTable[i].member == kRunOptionTable[j].member) return false;
    }
  }
  return true;
}
static_assert(EveryRowHasItsOwnField() && sizeof(RunFlags) == kRunOptionCount * sizeof(int),
              "every RunFlags field needs a row of its own");

// The row of a switch in kRunOptionTable (kRunOptionCount for a field without one).
constexpr size_t RunOptionIndex(int RunFlags::*member) {
  for (size_t i = 0; i < kRunOptionCount; ++i) {
    if (kRunOptionTable[i].member == member) return i;
  }
  return kRunOptionCount;
}

// Following the rules from any box ends at a box that only a busy window greys out.
constexpr bool BoxRulesEndInAnIndependentBox() {
  for (const RunOptionRow& row : kRunOptionTable) {
    BoxRule rule = row.box_rule;
    for (size_t steps = 0; rule.other != nullptr; ++steps) {
      const size_t next = RunOptionIndex(rule.other);
      if (next == kRunOptionCount || steps == kRunOptionCount) return false;
      rule = kRunOptionTable[next].box_rule;
    }
  }
  return true;
}
static_assert(BoxRulesEndInAnIndependentBox(), "a box rule names a switch of the table and never comes back to itself");

}  // namespace zandrel
