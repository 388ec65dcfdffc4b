// The switches a user sets for a run, and one table that says how each front end names them: the
// settings file, the window's check boxes, the command line and its JSON outcome all iterate it, so
// a new switch is a field here and a row in the table (and, for its box, a place in the window's
// layout).
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

struct RunOptionRow {
  int RunFlags::*member;
  int default_value;
  const char16_t* settings_key;   // "Key=0|1" in the settings file, in table order
  const char16_t* check_box_key;  // message key of the window's check box
  const char* cli_flag;           // without "--"; nullptr: not on the command line
  int cli_value;                  // what the flag sets: 0 for a flag that turns the switch off
  const char* cli_help;           // "\n" starts a continuation line
  const char* json_name;          // member of "options" in the JSON outcome; nullptr: not there
  int json_true_value;            // the JSON member is true while the switch holds this value
};

// In the order of the settings file, the command line's help and the JSON "options" object.
inline constexpr RunOptionRow kRunOptionTable[] = {
    {&RunFlags::LogFoundFiles, 0, u"LogFoundFiles", u"CheckBox_LogFoundFiles", "log-found-files", 1,
     "list correct files in the report too", "log_found_files", 1},
    {&RunFlags::HashCheck, 0, u"HashCheck", u"CheckBox_HashCheck", "hash-check", 1,
     "verify every piece: with SHA-1, or by the SHA-256 hash\ntrees of a v2-only torrent", "hash_check", 1},
    // A command line never opens the report.
    {&RunFlags::OpenReport, 1, u"OpenReport", u"CheckBox_OpenReport", nullptr, 0, nullptr, nullptr, 1},
    {&RunFlags::CheckUnneededFiles, 1, u"CheckUnneededFiles", u"CheckBox_CheckUnneeded", "no-check-unneeded", 0,
     "skip the scan for files the torrent does not list", "check_unneeded", 1},
    {&RunFlags::DelUnneededFiles, 0, u"DelUnneededFiles", u"CheckBox_DeleteUnneeded", "delete-unneeded", 1,
     "delete (or back up) everything in DIR that the torrent does\n"
     "not list (files and folders), unless it is ignored",
     "delete_unneeded", 1},
    {&RunFlags::DelOnlyWhenComplete, 1, u"DelOnlyWhenComplete", u"CheckBox_DeleteOnlyWhenComplete",
     "delete-when-incomplete", 0, "allow that deletion also when files are missing", "delete_when_incomplete", 0},
    {&RunFlags::TrimPaddedFiles, 0, u"TrimPaddedFiles", u"CheckBox_TrimPaddedFiles", "trim-padded-files", 1,
     "trim files that are longer than the torrent says", "trim_padded_files", 1},
    {&RunFlags::DeleteWrongSizedFiles, 0, u"DeleteWrongSizedFiles", u"CheckBox_DeleteWrongSizedFiles",
     "delete-wrong-sized-files", 1, "delete (or back up) files of the wrong size", "delete_wrong_sized_files", 1},
    {&RunFlags::FixMissing, 0, u"FixMissing", u"CheckBox_FixMissing", "fix-missing", 1,
     "rebuild missing files from same-sized files", "fix_missing", 1},
    {&RunFlags::CreateBackups, 1, u"CreateBackups", u"CheckBox_CreateBackups", "no-backups", 0,
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

}  // namespace zandrel
