#include "check/stage_paths.h"
#include "check/stages.h"
#include "messages/text.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

QString Wrap(const QString& wrapper, const QString& line) { return FillPlaceholders(wrapper, {{u"%s%", line}}); }

// Why the entry's file cannot be read; none when it can, or when nothing stands there. A file a
// dry run has taken away reads as missing.
std::optional<QString> WhyUnreadable(const CheckRun& run, const QString& full_path) {
  if (run.disk.Vanished(full_path)) return std::nullopt;
  QString why = ReadError(full_path);
  if (why.isEmpty()) return std::nullopt;
  return why;
}

// Copies the first `amount` bytes of source (0 allowed) through the one synced copy; a dry run
// only takes the copy as made.
StepResult CopyFirstBytes(CheckRun& run, const QString& source, const QString& destination, int64_t amount) {
  run.disk.BeforeChange();
  if (run.disk.dry_run()) {
    run.disk.PretendCopy(source, destination, amount);
    return StepResult::kDone;
  }
  return SyncedCopy(source, destination, amount, run.engine.cancel_flag);
}

}  // namespace

StepOutcome MoveEntryToBackup(CheckRun& run, const TorrentFileEntry& entry, const QString& full_path) {
  const bool location_made = PrepareBackupLocation(run, run.options.TorrentDir) == StepResult::kDone;
  const QChar sep(kSeparator);
  QString folder = BackupFolder(run);
  // Folders are neither created nor used through a link among the backup folders. A folder that
  // cannot be made fails the move below.
  const bool real = location_made && BackupFoldersAreReal(run, entry.Dir);
  for (const QString& component : entry.Dir.split(sep, Qt::SkipEmptyParts)) {
    folder += component + sep;
    if (real && run.disk.FileSize(folder) == kNoFile) run.disk.CreateDirectory(folder);
  }
  // An earlier backup at the same path stays: the new one takes a free name beside it. A backup
  // path that is a file of this torrent (a download once checked here and shared again lists the
  // backup folder), or the file itself, takes none.
  const QString wanted = folder + entry.Name;
  const bool usable = real && !IsNeededPath(run, wanted) && !SamePlace(wanted, full_path);
  if (usable && run.disk.MoveFile(full_path, FreeNameBeside(run.disk, wanted))) {
    return {StepResult::kDone, run.Done(FillPlaceholders(run.Text(u"Log_MovedOldFile"),
                                                         {{u"%file%", Quoted(full_path)}, {u"%backupdir%", Quoted(folder)}}))};
  }
  QString lines = FillPlaceholders(run.Text(u"Log_UnableToMoveOldFile"), {{u"%file%", Quoted(full_path)}});
  if (run.disk.SourceChanged()) lines += QChar(u'\n') + SourceChangedLine(run, full_path);
  return {StepResult::kFailed, lines};
}

namespace {

// The folder the old file went to; empty with backups off.
QString BackupFolderOf(const CheckRun& run, const TorrentFileEntry& entry) {
  if (run.options.CreateBackups != 1) return QString();
  return BackupFolder(run, entry.Dir);
}

// Puts the trimmed copy (or nothing, when deleting) where the old file was. When the old file
// could not be moved or deleted it is still whole, and the copy made for it would only turn up as
// an unneeded file of our own making: it goes. Once the old file is gone the copy is kept, whatever
// follows, since it may be the only one left in the download.
StepOutcome ReplaceOldFile(CheckRun& run, const TorrentFileEntry& entry, const QString& full_path,
                           const QString& temp_path, bool deleting) {
  // Without a backup one rename puts the copy over the old file: the torrent's file always stands whole under its
  // own name, whenever the run is stopped.
  if (run.options.CreateBackups != 1 && !deleting) {
    if (run.disk.ReplaceFile(temp_path, full_path)) return {};
    run.disk.DeleteFile(temp_path);
    return {StepResult::kFailed, QString()};
  }
  StepOutcome old_file = run.options.CreateBackups == 1 ? MoveEntryToBackup(run, entry, full_path)
                                                        : StepOutcome{DoneOrFailed(run.disk.DeleteFile(full_path)), {}};
  if (deleting) return old_file;
  if (old_file.result != StepResult::kDone) {
    run.disk.DeleteFile(temp_path);
    return old_file;
  }
  old_file.result = DoneOrFailed(run.disk.MoveFile(temp_path, full_path));
  return old_file;
}

// The drive where the old file would go, when it lacks the free space for it.
std::optional<QString> DriveShortOfSpace(const CheckRun& run, int64_t size) {
  if (run.options.CreateBackups != 1) return std::nullopt;
  const QString drive = DriveText(FullPathName(run.backup_marker_folder));
  if (run.disk.DriveFreeSpace(drive) >= size) return std::nullopt;
  return drive;
}

}  // namespace

StepResult CopyFileBlocks(CheckRun& run, const QString& source, const QString& destination, int64_t limit) {
  const int64_t amount = limit > 0 ? limit : FileSize(source);
  if (amount < 0) return StepResult::kFailed;
  return CopyFirstBytes(run, source, destination, amount);
}

EntryLines ReplaceWrongSizedFile(CheckRun& run, size_t index, const QString& size_line) {
  QString main_line = size_line;
  QString secondary;
  const TorrentFileEntry& entry = run.Files()[index];
  const bool deleting = run.options.DeleteWrongSizedFiles == 1;
  const QString full_path = run.download_dir + entry.Dir + entry.Name;
  const int64_t size = FileSize(full_path);
  if (size > entry.Length && !deleting) {
    run.counters.PaddedFiles++;
  } else if (!deleting) {
    run.counters.SmallerSeen = true;
    main_line = Wrap(run.Text(u"Log_FileIsSmaller"), main_line);
    run.record.Action(index, EntryAction::kSmaller);
  }
  if (!(size > entry.Length || deleting)) return {StepResult::kDone, main_line, secondary};
  // A folder of the entry that is a link leads out of the download directory: what lies there is
  // not ours to trim, move or delete.
  if (ThroughLinkedDirectory(run.download_dir, entry.Dir)) {
    main_line = Wrap(run.Text(u"Log_UnableToFix"), main_line);
    run.counters.TrimFailed = true;
    run.record.Action(index, EntryAction::kUnableToFix);
    return {StepResult::kFailed, main_line, secondary};
  }
  if (const std::optional<QString> drive = DriveShortOfSpace(run, size)) {
    main_line = FillPlaceholders(run.Text(u"Log_NoSpace"), {{u"%s%", main_line}, {u"%drive%", *drive}});
    run.counters.TrimFailed = true;
    run.record.Action(index, EntryAction::kNoSpace);
    return {StepResult::kFailed, main_line, secondary};
  }

  const QString quoted_name = Quoted(entry.Name);
  run.window.SetStatusText(FillPlaceholders(run.Text(deleting ? u"Status_DeletingFile" : u"Status_Trimming"),
                                            {{u"%file%", quoted_name}}));
  run.window.ShowProgressBar(false);
  run.window.ShowStatusLine(true);
  auto restore_window = [&run] {
    run.window.ShowStatusLine(false);
    run.window.ShowProgressBar(true);
  };

  // The temporary copy never takes the place of what already stands at its name (a file of the
  // torrent, the user's own file, a link leading out of the download): it then gets a name of its own.
  QString temp_path = WithNameSuffix(full_path, QStringLiteral(".tmp"));
  if (run.disk.PathEntryExists(temp_path)) temp_path = UnusedSiblingName(run.disk, temp_path);
  // A torrent length of 0 is a real target size: copy nothing rather than the whole file.
  // The copy is on the disk before the original goes, so no power failure can lose both.
  const StepResult copied =
      deleting ? StepResult::kDone : CopyFirstBytes(run, full_path, temp_path, entry.Length);
  if (copied == StepResult::kCancelled) {
    restore_window();
    return {copied, main_line, secondary};
  }
  if (copied == StepResult::kFailed || (!deleting && run.disk.FileSize(temp_path) != entry.Length)) {
    // The trim the user asked for did not happen (a full disk, an unreadable file): the line and
    // the final status say so instead of passing it over.
    main_line = Wrap(run.Text(u"Log_UnableToFix"), main_line);
    run.counters.TrimFailed = true;
    run.record.Action(index, EntryAction::kUnableToFix);
    restore_window();
    return {StepResult::kFailed, main_line, secondary};
  }
  const StepOutcome replaced = ReplaceOldFile(run, entry, full_path, temp_path, deleting);
  secondary = replaced.lines;
  if (replaced.result == StepResult::kDone) {
    run.counters.TrimDone = true;
    run.record.Action(index, deleting ? EntryAction::kDeleted : EntryAction::kTrimmed, BackupFolderOf(run, entry));
    if (deleting) {
      run.counters.DeletedWrongSized++;
      main_line = run.Done(Wrap(run.texts.DeletedText(), main_line));
    } else {
      run.counters.TrimmedFiles++;
      main_line = run.Done(Wrap(run.Text(u"Log_Fixed"), main_line));
      // It has the torrent's length now: no repair may replace it.
      run.found[index] = 1;
    }
  } else {
    main_line = Wrap(run.Text(u"Log_UnableToFix"), main_line);
    run.counters.TrimFailed = true;
    run.record.Action(index, EntryAction::kUnableToFix);
  }
  restore_window();
  return {StepResult::kDone, main_line, secondary};
}

namespace {

// An entry whose file stands there but cannot be read: neither missing nor of any known size, and
// nothing may trim, delete or repair over it.
QString ReportUnreadable(CheckRun& run, size_t index, const QString& full_path, const QString& why) {
  const QString line =
      FillPlaceholders(run.Text(u"Log_FileUnreadable"), {{u"%file%", Quoted(full_path)}, {u"%reason%", why}});
  run.counters.UnreadableSeen = true;
  run.counters.UnreadableFiles++;
  run.unreadable[index] = why;
  run.record.Entry(index, EntryState::kUnreadable, FileSize(full_path));
  return line;
}

}  // namespace

StepResult CheckEntry(CheckRun& run, size_t index) {
  const TorrentFileEntry& entry = run.Files()[index];
  run.found[index] = 0;
  if (entry.IsSymlink) return CheckSymlinkEntry(run, index);
  bool correct = false;
  QString main_line, secondary;
  const QString full_path = run.download_dir + entry.Dir + entry.Name;
  const QString quoted = Quoted(full_path);
  RunCounters& c = run.counters;
  const int64_t size = FileSize(full_path);
  if (const std::optional<QString> why = WhyUnreadable(run, full_path)) {
    main_line = ReportUnreadable(run, index, full_path, *why);
  } else if (size == entry.Length) {
    main_line = FillPlaceholders(run.Text(u"Log_FileFound"), {{u"%file%", quoted}});
    c.CorrectFiles++;
    run.found[index] = 1;
    run.record.Entry(index, EntryState::kOk, entry.Length);
    correct = true;
  } else if (size == kNoFile) {
    main_line = FillPlaceholders(run.Text(u"Log_FileNotFound"), {{u"%file%", quoted}});
    c.MissingFilesFlag = true;
    c.MissingFiles++;
    run.record.Entry(index, EntryState::kMissing, -1);
  } else {
    c.WrongSizedFiles++;
    c.WrongSizeSeen = true;
    run.record.Entry(index, EntryState::kWrongSize, size);
    main_line = FillPlaceholders(run.Text(u"Log_WrongFileSize"),
                                 {{u"%file%", quoted},
                                  {u"%size1%", QString::number(size)},
                                  {u"%size2%", QString::number(entry.Length)}});
    if (run.options.TrimPaddedFiles == 1 || run.options.DeleteWrongSizedFiles == 1) {
      EntryLines replaced = ReplaceWrongSizedFile(run, index, main_line);
      if (replaced.result == StepResult::kCancelled) return StepResult::kCancelled;
      main_line = std::move(replaced.main_line);
      secondary = std::move(replaced.secondary);
    }
  }
  if (correct && run.options.LogFoundFiles != 1) return StepResult::kDone;
  run.WriteReportLine(main_line);
  if (!secondary.isEmpty()) WriteLines(run, secondary);
  c.FileLinesWritten = true;
  return StepResult::kDone;
}

}  // namespace zandrel
