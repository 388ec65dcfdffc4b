// Places compared as the system knows them: the same folder may be spelled through a link, a bind
// mount or "..", and only its device and inode (IdentityOf) tell that it is the same.
#pragma once

#include <QString>

namespace zandrel {

// True when path names the folder dir itself or anything below it, whether or not path exists:
// the nearest existing folder on the way up from path is compared, and each folder above it.
bool IsSameOrInside(const QString& path, const QString& dir);

// The path with every link resolved; empty when it does not exist.
QString RealPath(const QString& path);

// Where a file created at `path` would come to lie: a link standing there is followed to the end of
// its chain, also when what it leads to does not exist yet, since creating the file would make it
// there. `path` (absolute) when no link stands there; empty for a chain that does not end.
QString CreationTarget(const QString& path);

}  // namespace zandrel
