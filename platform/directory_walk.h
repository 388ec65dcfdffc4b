// The one walk through a tree of folders that every part of the program uses. Its rules hold for
// every caller: a symbolic link is handed over as a file and never followed; a folder where another
// file system is mounted is not entered; names keep their bytes (see native_name.h); a folder that
// cannot be listed is handed to the visitor with the system's reason, never thrown.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "platform/file_system.h"
#include "platform/step_result.h"

namespace zandrel {

struct WalkEntry {
  QString path;  // the folder's path + the name; a folder's without a trailing separator
  QString name;
  EntryKind kind;
  int depth;  // 1 for an entry of the top folder
};

// What became of a folder's contents.
enum class FolderOutcome {
  kWalked,           // every entry was visited (a folder gone meanwhile counts as empty)
  kStopped,          // the visitor stopped the walk inside it
  kPassed,           // the visitor chose not to enter it
  kOtherFileSystem,  // another file system is mounted here
  kUnreadable,       // the system refused its listing
};

// Entries of one folder come in the order the system lists them; a folder's contents come between
// its Enter and its Leave. Returning false from File or Leave stops the walk.
class WalkVisitor {
 public:
  virtual ~WalkVisitor() = default;
  // A file, a link (whatever it points to) or another kind of entry (a pipe, a device).
  virtual bool File(const WalkEntry& entry) = 0;
  // Asked before a folder is entered: false passes it by.
  virtual bool Enter(const WalkEntry& /*folder*/) { return true; }
  // After the folder, entered or not; `why` is the system's reason when it could not be listed.
  virtual bool Leave(const WalkEntry& /*folder*/, FolderOutcome /*outcome*/, const QString& /*why*/) { return true; }
};

// How a walk lists one folder: ListDirectory, or a view of the disk such as a dry run's.
using FolderLister = std::function<std::optional<std::vector<DirEntry>>(const QString& folder, QString* why)>;

// Walks the folder `top` (ending with the separator) depth first. kFailed when `top` is empty or
// cannot be listed, kCancelled when the visitor stopped the walk.
StepResult WalkDirectory(const QString& top, WalkVisitor& visitor, const FolderLister& lister = {});

}  // namespace zandrel
