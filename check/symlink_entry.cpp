// Symbolic links a torrent lists (BEP 47 attribute "l"): the link itself is the entry. Its target
// may be a folder, another disk or nothing at all, so nothing is ever read, sized or changed
// through it: the entry is in order when a link, or the empty file a client without link support
// writes instead, stands at its path.
#include "check/stages.h"
#include "platform/file_system.h"

namespace zandrel {

EntryChecked CheckSymlinkEntry(const StageRun& run, size_t index) {
  const QString full_path = run.context.FullPath(run.Files()[index]);
  // A client without link support writes the link as an empty file: the entry is there.
  if (IsSymLink(full_path) || FileSize(full_path) == 0) {
    return {.index = index, .state = EntryState::kOk, .size_on_disk = 0};
  }
  return {.index = index, .state = EntryState::kMissing, .size_on_disk = -1};
}

}  // namespace zandrel
