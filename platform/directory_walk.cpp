#include "platform/directory_walk.h"

namespace zandrel {
namespace {

class Walk {
 public:
  Walk(WalkVisitor& visitor, const FolderLister& lister) : visitor_(visitor), lister_(lister) {}

  std::optional<std::vector<DirEntry>> List(const QString& folder, QString* why) const {
    return lister_ ? lister_(folder, why) : ListDirectory(folder, why);
  }

  // False when the visitor stopped the walk.
  bool Entries(const QString& folder, const std::vector<DirEntry>& entries, int depth) {
    for (const DirEntry& entry : entries) {
      const WalkEntry visited{folder + entry.name, entry.name, entry.kind, depth};
      const bool go_on = entry.kind == EntryKind::kDirectory ? Folder(folder, visited) : visitor_.File(visited);
      if (!go_on) return false;
    }
    return true;
  }

 private:
  bool Folder(const QString& parent, const WalkEntry& folder) {
    if (!visitor_.Enter(folder)) return visitor_.Leave(folder, FolderOutcome::kPassed, QString());
    // A folder a view of the disk only pretends to have made is not on the disk to be compared.
    if (PathEntryExists(folder.path) && !SameMount(parent, folder.path)) {
      return visitor_.Leave(folder, FolderOutcome::kOtherFileSystem, QString());
    }
    QString why;
    const auto entries = List(folder.path + QChar(kSeparator), &why);
    if (!entries && !why.isEmpty()) return visitor_.Leave(folder, FolderOutcome::kUnreadable, why);
    const bool walked = !entries || Entries(folder.path + QChar(kSeparator), *entries, folder.depth + 1);
    // The folders on the way up still hear that their walk was cut short.
    return visitor_.Leave(folder, walked ? FolderOutcome::kWalked : FolderOutcome::kStopped, QString()) && walked;
  }

  WalkVisitor& visitor_;
  const FolderLister& lister_;
};

}  // namespace

StepResult WalkDirectory(const QString& top, WalkVisitor& visitor, const FolderLister& lister) {
  // An empty path would list the working directory.
  if (top.isEmpty()) return StepResult::kFailed;
  Walk walk(visitor, lister);
  const auto entries = walk.List(top, nullptr);
  if (!entries) return StepResult::kFailed;
  return walk.Entries(top, *entries, 1) ? StepResult::kDone : StepResult::kCancelled;
}

}  // namespace zandrel
