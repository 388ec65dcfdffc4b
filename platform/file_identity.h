// Places compared as the system knows them: the same folder may be spelled through a link, a bind
// mount or "..", and only its device and inode tell that it is the same.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace zandrel {

struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of what stands at the path (links followed); nullopt when nothing is there.
std::optional<FileIdentity> IdentityOf(const QString& path);

// True when path names the folder dir itself or anything below it, whether or not path exists:
// the nearest existing folder on the way up from path is compared, and each folder above it.
bool IsSameOrInside(const QString& path, const QString& dir);

// The path with every link resolved; empty when it does not exist.
QString RealPath(const QString& path);

// The system's reason why the folder cannot be listed ("Permission denied"); empty when it can.
QString FolderReadProblem(const QString& dir);

// The system's reason why the file cannot be opened for reading; empty when it can.
QString FileReadProblem(const QString& path);

}  // namespace zandrel
