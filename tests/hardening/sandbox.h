// A download folder inside a sandbox of neighbours the engine must never touch, and the real fault
// mechanisms (small memory file systems, immutable files) the hardening tests use.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <ostream>
#include <string>

#include "check/check_run.h"
#include "tests/support/fault_guards.h"

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace zandrel::test {

// A template for QTemporaryDir on a memory file system where the machine has one (/dev/shm): the
// suite makes and removes hundreds of folders, which costs milliseconds each on a disk.
QString FastTempTemplate();

// Every item below a folder, by path relative to it ("/" separated): "dir", "link:" + target,
// or "file:" + permission bits + ":" + SHA-1 of the bytes. Links are recorded, never followed.
using TreeState = std::map<QString, QString>;
// skip: absolute paths that are neither entered nor recorded.
TreeState Snapshot(const QString& root, const QStringList& skip = {});
// Readable difference of two snapshots, empty when they are equal.
std::string TreeDiff(const TreeState& before, const TreeState& after);

// Every regular file below a folder (links not followed) with its bytes.
std::map<QString, std::string> FileContents(const QString& root);

// Writes bytes to a path, creating missing folders; false (and nothing written) where the path
// would pass through a symbolic link, is too long for the system, or cannot be made.
bool WriteBelow(const QString& base, const QString& relative, const std::string& bytes);

// The sandbox:
//   <sandbox>/dl                  the download folder
//   <sandbox>/dl/link, rlink      links to <sandbox>/sibling (absolute and relative)
//   <sandbox>/dl/filelink         link to <sandbox>/sibling.txt; etclink to <sandbox>/etc
//   <sandbox>/sibling/..., sibling.txt, etc/passwd, dl-other/..., bk/...   neighbours
//   <outside>/outbk               a backup folder outside the sandbox; <outside>/report.log
// The sandbox lies on the fast temporary location, <outside> in the ordinary temporary folder, so
// that backups kept outside are moved between volumes.
class Sandbox {
 public:
  Sandbox();

  bool valid() const { return sandbox_.isValid() && outside_.isValid(); }
  QString Root() const { return sandbox_.path(); }
  QString Download() const { return Root() + "/dl"; }
  QString InsideBackup() const { return Root() + "/bk"; }
  QString OutsideBackup() const { return outside_.path() + "/outbk"; }
  QString Report() const { return outside_.path() + "/report.log"; }

  // Everything outside the download folder. The backup folders' marker folders are left out: what
  // a run may put there is checked by StrayBackupItems.
  TreeState Outside() const;
  // Items in a marker folder that belong to no download folder of this name ("dl"), and marker
  // folders that are not real folders.
  QStringList StrayBackupItems() const;

 private:
  QTemporaryDir sandbox_;
  QTemporaryDir outside_;
};

}  // namespace zandrel::test
