// The file-system operations every other layer uses. Nothing outside platform/ calls the OS.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
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

// Size in bytes; -1 when nothing is there, -2 for a directory. Links are followed, so a link to a
// file answers with the file's size and a dangling link counts as nothing.
int64_t FileSize(const QString& path);

// True when the path itself is a symbolic link (not followed).
bool IsSymLink(const QString& path);

// True when one of the directories of `relative_dir` below `base` is a symbolic link, so that a
// path through it would leave `base`.
bool ThroughLinkedDirectory(const QString& base, const QString& relative_dir);

// True when the system can name the path at all: it is within the platform's path length limit.
bool PathFits(const QString& path);

// True when something (also a dangling link) stands at the path.
bool PathEntryExists(const QString& path);

enum class EntryKind { kFile, kDirectory, kOther };

struct DirEntry {
  QString name;
  EntryKind kind;
};

// Unsorted listing of one directory, without "." and "..". A symbolic link is always reported as a
// file, whatever it points to, so that no walk ever descends through one. nullopt when the
// directory cannot be opened.
std::optional<std::vector<DirEntry>> ListDirectory(const QString& dir);

bool DeleteFile(const QString& path);       // removes a file or a link, never a directory
bool CreateDirectory(const QString& path);  // one level
// The directory with every missing parent; true when it stands as a directory afterwards.
bool CreateDirectories(const QString& path);
bool RemoveDirectory(const QString& path);  // only when empty

// Moves a file or link. Never replaces an existing target. Between volumes the file is copied and
// the source removed only once the copy is complete; a failed copy leaves the source untouched.
bool MoveFile(const QString& from, const QString& to);

// "Attributes normal": make the file writable by its owner, clear nothing else.
void MakeWritable(const QString& path);

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
