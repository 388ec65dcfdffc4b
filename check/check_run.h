// One check run: its inputs, counters, report and the helpers every stage shares.
#pragma once

#include <QFile>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "check/disk_actions.h"
#include "check/engine_state.h"
#include "check/piece_layout.h"
#include "check/repair_list.h"
#include "check/run_option_table.h"
#include "check/run_record.h"
#include "check/window_operations.h"
#include "platform/file_system.h"
#include "platform/step_result.h"

namespace zandrel {

// What a client appends to a file's name until its download is complete.
inline const QString kPartialSuffix = QStringLiteral(".part");

// The option values a run reads, copied when it starts.
struct RunOptions : RunFlags {
  QString TorrentDir;  // the download directory as the user gave it
  QString BackupDir;   // backup / rebuild source directory
};

struct CheckInputs {
  QString torrent_path;  // used only for the report name
  QString download_dir;  // run download directory
  RunOptions options;
  QString logs_folder;
  QString report_path;   // when set, the report goes here instead of the logs folder
  QString version;
  // Torrents this run reads besides its own (their files are left alone): like the report and the
  // torrent, they are never unneeded and never a repair source, wherever they lie.
  QStringList kept_files;
  RunRecord* record = nullptr;  // when set, fed with what each stage decided and did
  bool dry_run = false;         // decide and report everything, change nothing
  // Verify a hybrid torrent by its v2 hash trees rather than its v1 pieces (a v2-only torrent
  // always is).
  bool verify_v2 = false;
  // The ignore list as it stood when the run was started, copied on the starting thread so that
  // the front end may go on editing its own list; without it the run copies the engine's.
  std::optional<PathMap> ignore_list;
  // Called before every change on disk (tests stop a run between the steps of a change there).
  std::function<void()> before_each_change;
  // The window as it stood at the start: a ticked "open report" box spares the status line its
  // pointer to the report, and the backup folder field's text is handed back in the result.
  bool open_report_ticked = false;
  QString backup_field_text;
};

struct RunCounters {
  int64_t CorrectFiles = 0, MissingFiles = 0, WrongSizedFiles = 0, PaddedFiles = 0;
  int64_t TrimmedFiles = 0, DeletedWrongSized = 0, FixedFiles = 0;
  int64_t UnneededFiles = 0, UnneededDirs = 0, DeletedFiles = 0, DeletedDirs = 0;
  bool MissingFilesFlag = false, WrongSizeSeen = false, SmallerSeen = false, TrimDone = false;
  bool TrimFailed = false, FileLinesWritten = false, PieceFailed = false, Cancelled = false;
  bool UnreadableSeen = false;  // a file or folder of the download could not be read
  int64_t UnreadableFiles = 0;  // files of the torrent that stand there and could not be read
  // A failed piece none of whose files was unreadable: its bytes were read (or are missing) and
  // do not hash to the torrent's. A piece that fails only because a file could not be read tells
  // nothing about the bytes.
  bool ReadPieceFailed = false;
  bool PiecesVerified = false;  // the hash check went through every piece to its result
  bool UnneededFailed = false;  // an unneeded item that was to go could not be deleted or moved
  // Not one file of the torrent stood in the download folder when the run began: it may well be
  // another folder altogether, whose contents are the user's and not the download's leftovers.
  bool NothingFound = false;
  float PercentComplete = 100.0f;
};

struct CheckResult {
  QString status_text;  // the final status line; empty when the line keeps its text
  QString report_path;
  bool report_written = false;
  bool report_complete = false;  // every line reached the disk, the close included
  RunCounters counters;
  QString backup_dir;   // "BackupDir" handed back (the backup directory field's text)
  // Per torrent entry, in torrent order: 1 when the file check found it with the right size.
  std::vector<uint8_t> found;
};

class ReportWriter {
 public:
  bool Create(const QString& path);
  // Creates a report that no other run writes: at path, or when that name is taken at the first
  // free one of "name_2.log", "name_3.log", ... beside it. The name it took; none when it failed.
  std::optional<QString> CreateNew(const QString& path);
  void WriteLine(const QString& line);  // UTF-8, CR LF, no byte-order mark; no-op when closed
  void Close();
  bool IsOpen() const { return file_ && file_->isOpen(); }
  // False once a write, a flush or the close has failed (a full disk): the report is incomplete.
  bool Complete() const { return complete_; }
  QString LastError() const { return last_error_; }

 private:
  void Fail(const QString& error);

  std::unique_ptr<QFile> file_;
  bool complete_ = true;
  QString last_error_;
};

// A run reads the model, its own copy of the texts and of the ignore list, and never writes any
// of them: the front end may switch languages or edit its ignore list while the run goes on. Only
// the cancel flag and the backup-folder state are shared with the engine.
struct CheckRun {
  CheckRun(EngineState& engine_state, const CheckInputs& run_inputs, WindowOperations& win);

  QString Text(QStringView key) const { return texts.Text(key); }
  bool CancelRequested() const { return engine.cancel_flag.load(std::memory_order_relaxed) != 0; }
  void WriteReportLine(const QString& line) { report.WriteLine(line); }
  // A report line that tells of a change; a dry run marks it as not done.
  QString Done(const QString& line) const { return disk.dry_run() ? line + kNotDoneMark : line; }
  // The model's entries, each under the name it has on disk: a name the reader shortened or
  // cleaned is taken as the torrent writes it when only that one is there.
  const std::vector<TorrentFileEntry>& Files() const { return files; }
  // Empties needed_paths and fills it with every entry's path and its folder.
  void RebuildNeededPaths();
  // True when a file of the torrent lies somewhere below this relative folder.
  bool HoldsNeededPath(const QString& relative_dir) const;
  // "Deletion permitted" for unneeded items. A torrent whose hash check failed a piece is not
  // complete either: a client pre-sizes every file long before it has the data.
  bool DeletionPermitted() const {
    return options.DelUnneededFiles == 1 &&
           (options.DelOnlyWhenComplete == 0 || (!counters.MissingFilesFlag && !counters.PieceFailed));
  }
  // The partial download "<entry>.part" that a client keeps beside a missing entry, found after the
  // file check: the entry's bytes are read from it, and it is never unneeded nor a repair candidate.
  void FindPartialFiles();
  bool IsPartialFile(const QString& relative) const { return partial_paths.IsPresent(relative); }

  EngineState& engine;
  const TorrentModel& model;
  const TextSnapshot texts;
  const CheckInputs inputs;
  const RunOptions& options;  // inputs.options
  // The backup location's marker folder: BackupDir ending with the marker and the separator.
  QString backup_marker_folder;
  QString download_dir;      // normalised to end with the separator
  WindowOperations& window;
  RunCounters counters;
  PathMap ignore_list;       // snapshot taken at run start, with the backup marker
  PathMap needed_paths;
  std::vector<QString> needed_sorted;  // every entry's path as needed_paths compares it, sorted
  std::vector<uint8_t> found;  // per entry: present with the right size
  std::vector<TorrentFileEntry> files;
  std::vector<QString> unreadable;  // per entry: why its file could not be read; empty when it could
  std::vector<QString> partial_files;  // per entry: full path of its partial download, or empty
  PathMap partial_paths;               // relative paths of those partial downloads
  RepairList repair_list;    // repair stage: entries still waiting for a file
  QSet<QString> judged_candidates;  // repair stage: files already offered, by full path
  // Repair stage, whenever the torrent has v1 pieces: where they lie, to judge candidates by.
  std::unique_ptr<const PieceLayout> piece_layout;
  ReportWriter report;
  QString report_path;
  // The torrent, the kept torrents and the report as the system knows them, so that a link, a
  // second name or another spelling of one of them is recognised too.
  std::vector<FileIdentity> kept_identities;
  void KeepFile(const QString& path);
  RunRecord own_record;      // kept empty: stands in when the front end keeps no record
  RunRecord& record;
  DiskActions disk;          // every change on disk goes through here
};

// The whole run on the calling thread (the front end starts it on a worker thread).
CheckResult RunCheck(EngineState& engine, const CheckInputs& inputs, WindowOperations& window);

// The final status line: the first of the ordered outcomes whose condition holds; empty when the
// status line keeps its text.
QString FinalStatusText(CheckRun& run, bool open_report_ticked);

// Report name: "ZandrelReport_" + base name + "_" + date + "_" + time + ".log".
QString ReportFileName(const QString& torrent_path, const QDate& date, const QTime& time);

}  // namespace zandrel
