// The file-system operations every other layer uses. Nothing outside platform/ calls the OS.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace zandrel {

#ifdef _WIN32
inline constexpr char16_t kSeparator = u'\\';
#else
inline constexpr char16_t kSeparator = u'/';
#endif

// How the file system compares names: Windows and macOS (by default) fold letter case, Linux file
// systems tell "A.bin" from "a.bin".
#if defined(_WIN32) || defined(__APPLE__)
inline constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseInsensitive;
#else
inline constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseSensitive;
#endif

// What FileSize answers when nothing is there, and for a directory.
constexpr int64_t kNoFile = -1;
constexpr int64_t kDirectorySize = -2;
// Size in bytes; kNoFile when nothing is there, kDirectorySize for a directory. Links are
// followed, so a link to a file answers with the file's size and a dangling link counts as nothing.
int64_t FileSize(const QString& path);

// True when what stands at the path (links followed) is neither a regular file nor a directory: a
// FIFO, a device or a socket, whose opening may block or have effects of its own.
bool IsSpecialFile(const QString& path);

// The system's reason why the path cannot be looked at (a folder on the way that may not be
// searched, an I/O error); empty when it can, or when nothing is there.
QString StatError(const QString& path);

// The system's reason why a file cannot be opened for reading, or a folder cannot be listed;
// empty when it can (or when nothing is there).
QString ReadError(const QString& path);

// Which file or folder a path names (links followed): the same place has the same identity
// however its path is spelled.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(const QString& path);
// True when both paths name the same existing file or folder.
bool SamePlace(const QString& a, const QString& b);

// True when both paths lie on the same mount (a bind mount of a folder of the same disk counts as
// another one); false when either cannot be looked at. Links are followed.
bool SameMount(const QString& a, const QString& b);

// Names (hard links) the file has; 0 when it cannot be looked at. Links are not followed.
int64_t LinkCount(const QString& path);

// Longest name of one path component the file systems here take, in bytes.
inline constexpr int kMaxNameBytes = 255;

// `name` cut by whole characters until it and `tail` together fit kMaxNameBytes, with `tail` added.
QString FitName(QString name, const QString& tail);

// Ends the name under which a move to another volume copies a file before the copy takes the
// target's own name.
inline constexpr char16_t kMoveCopySuffix[] = u".zandrel-move";

// The temporary name beside `to` that a move to another volume copies to: always the same for the
// same target, so that a later move to it finds (and removes) what a killed one left; within the
// name limit (a name cut to fit carries a short hash of the whole name, so that two long targets
// do not share it).
QString MoveCopyName(const QString& to);

// True when the path itself is a symbolic link (not followed).
bool IsSymLink(const QString& path);

// True when one of the directories of `relative_dir` below `base` is a symbolic link, so that a
// path through it would leave `base`.
bool ThroughLinkedDirectory(const QString& base, const QString& relative_dir);

// True when the system can name the path at all: it is within the platform's path length limit.
bool PathFits(const QString& path);

// True when the path (links followed) is a regular file that the calling user may run.
bool IsRunnableFile(const QString& path);

// True when something (also a dangling link) stands at the path.
bool PathEntryExists(const QString& path);

enum class EntryKind { kFile, kDirectory, kOther };

struct DirEntry {
  QString name;
  EntryKind kind;
};

// Unsorted listing of one directory, without "." and "..". A symbolic link is always reported as a
// file, whatever it points to, so that no walk ever descends through one. nullopt when the
// directory cannot be opened or read to its end; `why` then gets the system's reason, or stays
// empty when no directory stands there.
std::optional<std::vector<DirEntry>> ListDirectory(const QString& dir, QString* why = nullptr);

bool DeleteFile(const QString& path);       // removes a file or a link, never a directory
bool CreateDirectory(const QString& path);  // one level
// The directory with every missing parent; true when it stands as a directory afterwards.
bool CreateDirectories(const QString& path);
bool RemoveDirectory(const QString& path);  // only when empty

// Renames a file or link over `to` in one step, on one volume: whatever stood there (a file or a
// link, never a directory) is replaced, and at no moment is nothing at `to`.
bool ReplaceFile(const QString& from, const QString& to);

enum class MoveOutcome { kMoved, kFailed, kSourceChanged };
// MoveFile that says why it failed: kSourceChanged when the source changed (size or modification
// time) while it was copied to another volume; the copy is then removed and the source stays.
// before_removal, when set, is called between such a copy and the removal of the source.
MoveOutcome MoveFileChecked(const QString& from, const QString& to, const std::function<void()>& before_removal = {});

// Moves a file or link. Never replaces an existing target. Between volumes the file is copied to
// MoveCopyName(to) and synced, takes the target's name in one rename that replaces nothing, and
// only then is the source removed: at no moment does a partial copy stand under the target's name,
// and a failure removes the copy and leaves the source untouched. A regular file that a killed
// move left under that temporary name is removed first.
bool MoveFile(const QString& from, const QString& to);

// "Attributes normal": make the file writable by its owner, clear nothing else. Never on a file
// with more than one name: its other names lie outside whatever the caller works on. False when
// nothing was changed.
bool MakeWritable(const QString& path);

// Absolute, cleaned path as the system would expand it.
QString FullPathName(const QString& path);

// Root of the volume that holds the path, or of its nearest existing ancestor ("" when none).
QString DriveText(const QString& path);

// Bytes available to the calling user on the volume given by DriveText; -1 when the query fails.
int64_t DriveFreeSpace(const QString& drive);

// Whole contents of a regular file; nullopt when it cannot be opened or read, or is larger than
// max_bytes (so a huge file never exhausts memory).
std::optional<QByteArray> ReadWholeFile(const QString& path, int64_t max_bytes);

// Creates or replaces the file with exactly these bytes. The old file stays untouched unless the
// new contents were written completely.
bool WriteWholeFile(const QString& path, const QByteArray& bytes);

// Appends the separator when the text is not empty and does not end with it.
QString WithTrailingSeparator(const QString& path);

}  // namespace zandrel
