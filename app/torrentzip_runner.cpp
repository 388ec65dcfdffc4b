#include "app/torrentzip_runner.h"

#include <QSet>
#include <QStandardPaths>
#include <optional>

#include "app/torrentzip_logs.h"
#include "platform/directory_walk.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace zandrel {
namespace {

const QString kErrorLogName = QStringLiteral("error.log");

bool IsSeparator(QChar c) {
#ifdef _WIN32
  return c == u'\\' || c == u'/';
#else
  return c == QChar(kSeparator);
#endif
}

std::optional<QSet<QString>> SnapshotNames(const QString& logs_folder) {
  const auto listing = ListDirectory(logs_folder);
  if (!listing) return std::nullopt;
  QSet<QString> names;
  for (const DirEntry& entry : *listing) names.insert(entry.name);
  return names;
}

}  // namespace

QString ResolveTorrentZip(const QString& torrent_zip_exe) {
  if (torrent_zip_exe.isEmpty()) return {};
  bool has_separator = false;
  for (const QChar c : torrent_zip_exe) has_separator = has_separator || IsSeparator(c);
  if (!has_separator) return QStandardPaths::findExecutable(torrent_zip_exe);
  // By the name's own bytes: QFileInfo would not find a file whose name is not UTF-8.
  const QString absolute = FullPathName(torrent_zip_exe);
  return IsRunnableFile(absolute) ? absolute : QString();
}

namespace {

class ZipCollector : public WalkVisitor {
 public:
  ZipCollector(QStringList& zip_files, const std::atomic<bool>* stop) : zip_files_(zip_files), stop_(stop) {}
  bool File(const WalkEntry& entry) override {
    // (A link named like a zip that leads to a folder is no zip.)
    if (entry.kind == EntryKind::kFile && entry.name.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive) &&
        FileSize(entry.path) != kDirectorySize) {
      zip_files_.push_back(entry.path);
    }
    return true;
  }
  // Once stopped, no further folder is listed.
  bool Enter(const WalkEntry&) override { return !Stopped(); }

 private:
  bool Stopped() const { return stop_ != nullptr && stop_->load(); }

  QStringList& zip_files_;
  const std::atomic<bool>* stop_;
};

}  // namespace

void CollectZipFiles(const QString& dir, QStringList& zip_files, const std::atomic<bool>* stop) {
  if (stop != nullptr && stop->load()) return;
  ZipCollector collector(zip_files, stop);
  WalkDirectory(dir, collector);
}

QString TorrentZipDirectoryName(const QString& zip_path) {
  qsizetype end = zip_path.size() - 1;
  while (end >= 0 && !IsSeparator(zip_path[end])) --end;
  if (end < 0) return {};
  // zip_path[end] is the separator that ends the directory part; find the one before it.
  qsizetype start = end - 1;
  while (start >= 0 && !IsSeparator(zip_path[start])) --start;
  if (start < 0) return zip_path.left(1);
  return zip_path.mid(start + 1, end - start - 1);
}

TorrentZipOutcome RunTorrentZip(const TorrentZipJob& job, TorrentZipFlags& flags,
                                TorrentZipProgress& progress) {
  TorrentZipOutcome outcome;
  if (FileSize(job.logs_folder) != kDirectorySize) CreateDirectory(job.logs_folder);
  // Without a snapshot every older log would count as new and be merged away: do nothing instead.
  const std::optional<QSet<QString>> snapshot = SnapshotNames(job.logs_folder);
  if (!snapshot) {
    outcome.skipped = static_cast<int>(job.zip_files.size());
    return outcome;
  }
  outcome.logs_folder_usable = true;
  LogMerger merger(job.logs_folder, *snapshot);
  const QString error_log = job.logs_folder + QChar(kSeparator) + kErrorLogName;
  for (const QString& zip : job.zip_files) {
    const ProgramEnd end = RunProgramAndWait(job.program, {zip}, job.logs_folder, flags.abandon);
    if (end == ProgramEnd::kEnded) {
      outcome.tool_ended = true;
      break;
    }
    // A zip the tool cannot be started for stays as it was; the end of the run tells how many.
    if (end == ProgramEnd::kNotStarted) ++outcome.skipped;
    if (flags.abandon.load()) break;
    progress.SetPosition(++outcome.processed);
    if (FileSize(error_log) > 0) {
      progress.OpenErrorLog(error_log);
      flags.stop = true;
      outcome.error_log = true;
      break;
    }
    merger.MergeNewLogs(TorrentZipDirectoryName(zip));
    if (flags.stop.load()) break;
  }
  outcome.combined_log = merger.Finish();
  progress.SetPosition(static_cast<int>(job.zip_files.size()));
  return outcome;
}

}  // namespace zandrel
