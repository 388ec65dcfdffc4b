#include "tests/hardening/sandbox.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <climits>
#include <sstream>

#include "tests/support/test_files.h"

namespace zandrel::test {
namespace {

const QString kMarker = QStringLiteral("[ZandrelBackup]");

QString Describe(const QFileInfo& info) {
  if (info.isSymLink()) {
    char target[4096];
    const ssize_t n = ::readlink(QFile::encodeName(info.filePath()).constData(), target, sizeof target);
    return "link:" + QString::fromLocal8Bit(target, n < 0 ? 0 : n);
  }
  if (info.isDir()) return "dir";
  QFile file(info.filePath());
  QCryptographicHash hash(QCryptographicHash::Sha1);
  if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) return "unreadable";
  return "file:" + QString::number(static_cast<int>(info.permissions()), 16) + ":" + hash.result().toHex();
}

void Walk(const QString& root, const QString& dir, const QStringList& skip, TreeState& state) {
  const QDir listing(dir);
  const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
  for (const QFileInfo& info : listing.entryInfoList(filters, QDir::Name)) {
    const QString path = info.filePath();
    if (skip.contains(path)) continue;
    state[path.mid(root.size() + 1)] = Describe(info);
    if (info.isDir() && !info.isSymLink()) Walk(root, path, skip, state);
  }
}

bool MakeLink(const QString& target, const QString& link) { return QFile::link(target, link); }

}  // namespace

QString FastTempTemplate() {
  const QFileInfo shm(QStringLiteral("/dev/shm"));
  if (shm.isDir() && shm.isWritable()) return QStringLiteral("/dev/shm/zandrel-sandbox-XXXXXX");
  return QDir::tempPath() + QStringLiteral("/zandrel-sandbox-XXXXXX");
}

TreeState Snapshot(const QString& root, const QStringList& skip) {
  TreeState state;
  Walk(QDir::cleanPath(root), QDir::cleanPath(root), skip, state);
  return state;
}

std::string TreeDiff(const TreeState& before, const TreeState& after) {
  std::ostringstream out;
  for (const auto& [path, what] : before) {
    const auto it = after.find(path);
    if (it == after.end()) {
      out << "  gone:    " << path.toStdString() << "\n";
    } else if (it->second != what) {
      out << "  changed: " << path.toStdString() << " (" << what.toStdString() << " -> " << it->second.toStdString()
          << ")\n";
    }
  }
  for (const auto& [path, what] : after) {
    if (!before.count(path)) out << "  new:     " << path.toStdString() << " (" << what.toStdString() << ")\n";
  }
  return out.str();
}

std::map<QString, std::string> FileContents(const QString& root) {
  std::map<QString, std::string> files;
  const QString base = QDir::cleanPath(root);
  TreeState state;
  Walk(base, base, {}, state);
  for (const auto& [path, what] : state) {
    if (what.startsWith("file:")) files[path] = ReadFile(base + "/" + path);
  }
  return files;
}

bool WriteBelow(const QString& base, const QString& relative, const std::string& bytes) {
  // A path the system cannot name would only leave a chain of thousands of folders behind.
  if (QFile::encodeName(base + "/" + relative).size() >= PATH_MAX) return false;
  const QStringList parts = relative.split('/');
  QString dir = base;
  for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
    dir += "/" + parts[i];
    const QFileInfo info(dir);
    if (info.isSymLink()) return false;
    if (!info.exists() && !QDir().mkdir(dir)) return false;
    if (!QFileInfo(dir).isDir()) return false;
  }
  const QString path = base + "/" + relative;
  if (QFileInfo(path).isSymLink() || QFileInfo(path).isDir()) return false;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

Sandbox::Sandbox() : sandbox_(FastTempTemplate()) {
  const QString root = Root();
  WriteFile(root + "/sibling/secret.bin", RandomBytes(3000, 101));
  WriteFile(root + "/sibling/passwd", "root:x:0:0:root:/root:/bin/sh\n");
  WriteFile(root + "/sibling/nested/deep.bin", RandomBytes(5000, 102));
  WriteFile(root + "/sibling/readonly.bin", "read only neighbour");
  QFile::setPermissions(root + "/sibling/readonly.bin", QFileDevice::ReadOwner | QFileDevice::ReadGroup);
  WriteFile(root + "/sibling.txt", "neighbour file\n");
  WriteFile(root + "/etc/passwd", "sandbox passwd\n");
  WriteFile(root + "/dl-other/a.bin", RandomBytes(100, 103));
  WriteFile(root + "/dl-other/" + kMarker + "/dl/old.bin", "an older backup of another folder");
  WriteFile(InsideBackup() + "/keep.txt", "inside backup folder, not below the marker");
  WriteFile(OutsideBackup() + "/keep.txt", "outside backup folder, not below the marker");

  const QString dl = Download();
  WriteFile(dl + "/unneeded.txt", "unneeded");
  WriteFile(dl + "/junk/j1.bin", RandomBytes(700, 104));
  WriteFile(dl + "/junk/sub/j2.bin", RandomBytes(900, 105));
  QDir().mkpath(dl + "/empty");
  WriteFile(dl + "/readonly.bin", "read only in the download");
  QFile::setPermissions(dl + "/readonly.bin", QFileDevice::ReadOwner);
  MakeLink(root + "/sibling", dl + "/link");
  MakeLink("../sibling", dl + "/rlink");
  MakeLink(root + "/sibling.txt", dl + "/filelink");
  MakeLink("../etc", dl + "/etclink");
  MakeLink("../../sibling", dl + "/junk/uplink");
  MakeLink("../nowhere", dl + "/deadlink");
}

TreeState Sandbox::Outside() const {
  TreeState state = Snapshot(Root(), {Download(), InsideBackup() + "/" + kMarker});
  const QString outside = outside_.path();
  for (const auto& [path, what] : Snapshot(outside, {OutsideBackup() + "/" + kMarker, Report()})) {
    state["<outside>/" + path] = what;
  }
  return state;
}

QStringList Sandbox::StrayBackupItems() const {
  QStringList stray;
  for (const QString& location : {InsideBackup(), OutsideBackup()}) {
    const QString marker = location + "/" + kMarker;
    const QFileInfo info(marker);
    if (!info.exists() && !info.isSymLink()) continue;
    if (info.isSymLink() || !info.isDir()) {
      stray << marker;
      continue;
    }
    const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo& entry : QDir(marker).entryInfoList(filters)) {
      if (entry.fileName() != "dl" || entry.isSymLink() || !entry.isDir()) stray << entry.filePath();
    }
  }
  return stray;
}

}  // namespace zandrel::test
