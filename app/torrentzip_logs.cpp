#include "app/torrentzip_logs.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "platform/file_system.h"

namespace zandrel {
namespace {

#ifdef _WIN32
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseSensitive;
#endif

const QString kLogSuffix = QStringLiteral(".log");
constexpr qint64 kChunkSize = 65536;

QString InFolder(const QString& folder, const QString& name) { return folder + QChar(kSeparator) + name; }

// Copies the lines of `in` to `out`, each ended by CR LF whatever ended it before (CR, LF or
// CR LF; a last line without an end gets one). Works on bytes: line ends never occur inside a
// UTF-8 sequence, and bytes that are not UTF-8 pass unchanged instead of being replaced.
bool CopyLinesWithCrLf(QFile& in, QFile& out) {
  bool after_cr = false, line_open = false;
  QByteArray converted;
  while (true) {
    const QByteArray chunk = in.read(kChunkSize);
    if (chunk.isEmpty()) {
      if (in.error() != QFile::NoError) return false;
      break;
    }
    converted.clear();
    for (const char c : chunk) {
      if (c == '\n' && after_cr) {
        after_cr = false;
        continue;
      }
      after_cr = c == '\r';
      if (c == '\r' || c == '\n') {
        converted.append("\r\n");
        line_open = false;
      } else {
        converted.append(c);
        line_open = true;
      }
    }
    if (out.write(converted) != converted.size()) return false;
  }
  return !line_open || out.write("\r\n") == 2;
}

}  // namespace

QString FreeName(const QString& path) {
  if (!PathEntryExists(path)) return path;
  const qsizetype name_start = path.lastIndexOf(QChar(kSeparator)) + 1;
  qsizetype dot = path.lastIndexOf(u'.');
  if (dot <= name_start) dot = path.size();
  for (int n = 1;; ++n) {
    const QString candidate = path.left(dot) + QStringLiteral(" (%1)").arg(n) + path.mid(dot);
    if (!PathEntryExists(candidate)) return candidate;
  }
}

LogMerger::LogMerger(QString logs_folder, QSet<QString> snapshot_names)
    : logs_folder_(std::move(logs_folder)), snapshot_names_(std::move(snapshot_names)) {}

void LogMerger::MergeNewLogs(const QString& directory_name) {
  const auto listing = ListDirectory(logs_folder_);
  if (!listing) return;
  const QString prefix = QChar(u'[') + directory_name + QChar(u']');
  QStringList names;
  for (const DirEntry& entry : *listing) {
    if (entry.kind == EntryKind::kFile && entry.name.startsWith(prefix, kNameCase) &&
        entry.name.endsWith(kLogSuffix, kNameCase) && !snapshot_names_.contains(entry.name)) {
      names.push_back(entry.name);
    }
  }
  // One call of the tool may leave several logs; name order keeps the combined log reproducible.
  std::sort(names.begin(), names.end());
  for (const QString& name : names) {
    const QString path = InFolder(logs_folder_, name);
    if (AppendLog(path)) DeleteFile(path);
  }
}

bool LogMerger::AppendLog(const QString& log_path) {
  QFile log(log_path);
  if (!log.open(QIODevice::ReadOnly)) return false;
  if (combined_log_.isEmpty()) {
    combined_log_ = log_path;
    // A fresh file of our own, so that a ".tmp" left by someone else is neither appended to nor
    // renamed away.
    combined_temp_ = FreeName(log_path + QStringLiteral(".tmp"));
  }
  QFile combined(combined_temp_);
  if (!combined.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
  const qint64 size_before = combined.size();
  if (CopyLinesWithCrLf(log, combined) && combined.write("\r\n") == 2 && combined.flush()) return true;
  // Take back the part that did get in: the log is kept whole and will not appear twice.
  combined.resize(size_before);
  return false;
}

QString LogMerger::Finish() {
  if (combined_temp_.isEmpty() || FileSize(combined_temp_) < 0) return {};
  if (MoveFile(combined_temp_, combined_log_)) return combined_log_;
  const QString beside = FreeName(combined_log_);
  return MoveFile(combined_temp_, beside) ? beside : combined_temp_;
}

int DeleteLogFiles(const QString& logs_folder) {
  const auto listing = ListDirectory(logs_folder);
  if (!listing) return 0;
  int deleted = 0;
  for (const DirEntry& entry : *listing) {
    if (entry.kind == EntryKind::kFile && entry.name.endsWith(kLogSuffix, kNameCase) &&
        DeleteFile(InFolder(logs_folder, entry.name))) {
      ++deleted;
    }
  }
  return deleted;
}

}  // namespace zandrel
