#include "check/disk_actions.h"

#include <QFile>
#include <algorithm>

namespace zandrel {

QString DiskActions::Key(const QString& path) {
  QString key = path;
  while (key.size() > 1 && key.endsWith(QChar(kSeparator))) key.chop(1);
  return key;
}

void DiskActions::Made(const QString& path, int64_t size) {
  gone_.remove(Key(path));
  made_.insert(Key(path), size);
}

void DiskActions::Gone(const QString& path) {
  made_.remove(Key(path));
  gone_.insert(Key(path));
}

bool DiskActions::CreateDirectory(const QString& path) {
  BeforeChange();
  if (!dry_run_) return zandrel::CreateDirectory(path);
  if (PathEntryExists(path)) return false;
  Made(path, kDirectorySize);
  return true;
}

bool DiskActions::DeleteFile(const QString& path) {
  BeforeChange();
  if (!dry_run_) return zandrel::DeleteFile(path);
  if (!PathEntryExists(path) || (FileSize(path) == kDirectorySize && !IsSymLink(path))) return false;
  if (!IsSymLink(path)) Use(path, -std::max<int64_t>(0, FileSize(path)));
  Gone(path);
  return true;
}

bool DiskActions::RemoveDirectory(const QString& path) {
  BeforeChange();
  if (!dry_run_) return zandrel::RemoveDirectory(path);
  const auto entries = ListDirectory(path);
  if (!entries || !entries->empty()) return false;
  Gone(path);
  return true;
}

bool DiskActions::MoveFile(const QString& from, const QString& to) {
  BeforeChange();
  source_changed_ = false;
  if (!dry_run_) {
    const MoveOutcome outcome = MoveFileChecked(from, to, before_change);
    source_changed_ = outcome == MoveOutcome::kSourceChanged;
    return outcome == MoveOutcome::kMoved;
  }
  if (!PathEntryExists(from) || PathEntryExists(to)) return false;
  const int64_t size = FileSize(from);
  const QString origin = ReadablePath(from);
  Gone(from);
  Made(to, size);
  origin_.insert(Key(to), origin);
  return true;
}

bool DiskActions::ReplaceFile(const QString& from, const QString& to) {
  BeforeChange();
  if (!dry_run_) return zandrel::ReplaceFile(from, to);
  if (!PathEntryExists(from) || (FileSize(to) == kDirectorySize && !IsSymLink(to))) return false;
  const int64_t size = FileSize(from);
  Gone(from);
  Made(to, size);
  return true;
}

void DiskActions::PretendFile(const QString& path, int64_t size) { Made(path, size); }

int64_t DiskActions::FileSize(const QString& path) const {
  if (dry_run_) {
    const auto made = made_.constFind(Key(path));
    if (made != made_.constEnd()) return *made;
    if (gone_.contains(Key(path))) return kNoFile;
  }
  return zandrel::FileSize(path);
}

bool DiskActions::PathEntryExists(const QString& path) const {
  if (dry_run_) {
    if (made_.contains(Key(path))) return true;
    if (gone_.contains(Key(path))) return false;
  }
  return zandrel::PathEntryExists(path);
}

std::optional<std::vector<DirEntry>> DiskActions::ListDirectory(const QString& dir, QString* why) const {
  if (!dry_run_) return zandrel::ListDirectory(dir, why);
  const QString base = Key(dir);
  if (gone_.contains(base)) return std::nullopt;
  auto entries = zandrel::ListDirectory(dir, why);
  if (!entries) {
    if (!made_.contains(base)) return std::nullopt;
    if (why) why->clear();
    entries.emplace();
  }
  const QString prefix = base + QChar(kSeparator);
  std::erase_if(*entries, [&](const DirEntry& entry) { return gone_.contains(prefix + entry.name); });
  for (auto it = made_.constBegin(); it != made_.constEnd(); ++it) {
    const QString name = it.key().mid(prefix.size());
    if (!it.key().startsWith(prefix) || name.isEmpty() || name.contains(QChar(kSeparator))) continue;
    const bool listed = std::any_of(entries->begin(), entries->end(), [&](const DirEntry& e) { return e.name == name; });
    if (!listed) entries->push_back({name, *it == kDirectorySize ? EntryKind::kDirectory : EntryKind::kFile});
  }
  return entries;
}

StepResult DiskActions::Walk(const QString& top, WalkVisitor& visitor) const {
  return WalkDirectory(top, visitor, [this](const QString& dir, QString* why) { return ListDirectory(dir, why); });
}

bool DiskActions::CreateEmptyFile(const QString& path) {
  if (PathEntryExists(path)) return false;
  if (dry_run_) {
    Made(path, 0);
    return true;
  }
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

QString DiskActions::ReadablePath(const QString& path) const {
  if (!dry_run_ || !made_.contains(Key(path))) return path;
  return origin_.value(Key(path), path);
}

void DiskActions::Use(const QString& path, int64_t bytes) {
  used_bytes_[DriveText(FullPathName(path))] += bytes;
}

int64_t DiskActions::DriveFreeSpace(const QString& drive) const {
  const int64_t free = zandrel::DriveFreeSpace(drive);
  if (!dry_run_ || free < 0) return free;
  return std::max<int64_t>(0, free - used_bytes_.value(drive, 0));
}

void DiskActions::PretendCopy(const QString& source, const QString& path, int64_t size) {
  Use(path, std::max<int64_t>(0, size));
  Made(path, size);
  origin_.insert(Key(path), ReadablePath(source));
}

}  // namespace zandrel
