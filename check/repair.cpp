// Missing-file repair: supplies missing or wrong-sized entries with files of the same size found
// elsewhere in the download directory (moved into place) or in the rebuild source (copied).
#include <cerrno>
#include <cstring>

#include <QSet>
#include <memory>

#include "check/candidate_pieces.h"
#include "check/piece_layout.h"
#include "check/repair_list.h"
#include "check/stage_paths.h"
#include "check/stages.h"
#include "check/v2_pieces.h"
#include "messages/text.h"
#include "platform/directory_walk.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

enum class RepairMode { kMove, kCopy };

// The stage's own state: the entries still waiting for a file, the files already judged, and
// where the pieces lie to judge candidates by.
struct RepairSearch {
  StageRun& run;
  const FileCheckOutcome& found;
  RepairList repair_list;
  QSet<QString> judged_candidates;  // files already offered, by full path
  // Whenever the torrent has v1 pieces: where they lie, to judge candidates by.
  std::unique_ptr<const PieceLayout> piece_layout;
};

QString SourceLocation(const RunContext& run) {
  return run.backup_marker_folder.chopped(kBackupMarker.size() + 1);
}

// Only files of the download directory are judged by path: anything from the rebuild source is a
// candidate unless its name is ignored. Files of the torrent in their right place, ignored files
// and the run's own report are never taken. Nor is a link: put in place of an entry it would make
// a file of the torrent point outside the download, where later runs would trim or delete it.
bool IsEligible(const RepairSearch& repair, const QString& candidate) {
  const RunContext& run = repair.run.context;
  if (IsKeptFile(run, candidate) || IsSymLink(candidate)) return false;
  const std::optional<QString> relative = RelativeToDownload(run, candidate);
  if (!relative) return !run.ignore_list.IsPresent(FileNamePart(candidate));
  // A client's partial download belongs to its own entry, never to another.
  return !run.needed.IsPresent(*relative) && !IgnoredFile(run, *relative) && !repair.found.IsPartialFile(*relative);
}

// Supplied files are put only into real directories of the download directory: a folder of the
// entry that is a link is never written through, so a link cannot lead a file out of the download.
bool TargetFolderIsSafe(const StageRun& run, const QString& dir) {
  QString folder = run.download_dir;
  for (const QString& component : dir.split(QChar(kSeparator), Qt::SkipEmptyParts)) {
    if (component == u"." || component == u"..") return false;
    folder += component;
    if (IsSymLink(folder)) return false;
    folder += QChar(kSeparator);
  }
  return true;
}

// A file of the wrong size still at the target (a partial download neither trimmed nor deleted)
// goes into the backup folder before anything takes its place, when backups are on.
bool SetAsideOldFile(StageRun& run, const TorrentFileEntry& entry, const QString& target) {
  const bool directory = run.disk.FileSize(target) == kDirectorySize && !IsSymLink(target);
  if (run.options.CreateBackups != 1 || !run.disk.PathEntryExists(target) || directory) return true;
  const OldFileMoved moved = MoveEntryToBackup(run, entry, target);
  run.Emit(moved);
  return moved.done;
}

StepResult PutIntoPlace(StageRun& run, const TorrentFileEntry& entry, const QString& candidate, int64_t size,
                        RepairMode mode) {
  const QString folder = run.download_dir + entry.Dir;
  const QString target = folder + entry.Name;
  // A torrent can name paths longer than the system allows: building folders towards one would
  // only litter the download with thousands of levels that lead nowhere.
  if (!PathFits(target) || !TargetFolderIsSafe(run, entry.Dir)) return StepResult::kFailed;
  if (run.disk.FileSize(folder) != kDirectorySize) CreateDirectoryPath(run, folder, kAbsolute);
  // The file to put in place first goes beside the target (a copy, complete, or the candidate
  // itself), so a failed or cancelled copy leaves whatever stood at the target as it was, and
  // setting the old file aside can never land on the candidate: a file from the backup folder
  // going back sits exactly where the old file's backup goes.
  const QString source = UnusedSiblingName(run.disk, target);
  if (mode == RepairMode::kCopy) {
    const StepResult copied = CopyFileBlocks(run, candidate, source, size);
    if (copied != StepResult::kDone) return copied;
  } else if (!run.disk.MoveFile(candidate, source)) {
    return StepResult::kFailed;
  }
  const bool placed = run.disk.FileSize(source) == size && SetAsideOldFile(run, entry, target) &&
                      MoveReplacing(run.disk, source, target);
  if (!placed && mode == RepairMode::kCopy) run.disk.DeleteFile(source);
  if (!placed && mode == RepairMode::kMove) run.disk.MoveFile(source, candidate);
  return placed ? StepResult::kDone : StepResult::kFailed;
}

// Something the file check left in place stands at the target, and no backup could keep it.
bool KeptFileStands(const StageRun& run, const QString& target) {
  return run.options.CreateBackups != 1 && run.disk.PathEntryExists(target);
}

// `verified`: the candidate's pieces (or its tree's root) vouch for it; otherwise its size alone did.
void SupplyEntry(StageRun& run, size_t index, const QString& candidate, int64_t size, RepairMode mode, bool verified) {
  const TorrentFileEntry& entry = run.Files()[index];
  const QString target = run.context.FullPath(entry);
  FileRepaired repaired{index, candidate, target, mode == RepairMode::kCopy, verified};
  const QString drive = DriveText(FullPathName(run.options.TorrentDir));
  if (run.disk.DriveFreeSpace(drive) < size) {
    repaired.result = RepairResult::kNoSpace;
    repaired.drive = drive;
  } else if (KeptFileStands(run, target)) {
    // Without backups, taking the place would remove a file the options keep (neither trimmed nor
    // deleted): it stays, and the entry stays unfixed.
    repaired.result = RepairResult::kOtherSizeStands;
  } else {
    const StepResult outcome = PutIntoPlace(run, entry, candidate, size, mode);
    if (outcome == StepResult::kCancelled) return;
    repaired.result = outcome == StepResult::kDone ? RepairResult::kDone : RepairResult::kFailed;
  }
  run.Emit(repaired);
}

bool ShouldSearch(const RunContext& run, const QString& path) {
  const std::optional<QString> relative = RelativeToDownload(run, path);
  if (!relative) return true;
  // The backup folder directly in the download directory is searched although ignored: files
  // moved there earlier can go back into place.
  return !run.ignore_list.IsPresent(*relative) || relative->compare(kBackupMarker, Qt::CaseInsensitive) == 0;
}

StepResult TryRepairCandidate(RepairSearch& repair, const QString& candidate, RepairMode mode);

// Every file of the searched tree is a candidate; the folders the search may take from are entered.
class MissingFileSearch : public WalkVisitor {
 public:
  MissingFileSearch(RepairSearch& repair, RepairMode mode) : repair_(repair), mode_(mode) {}
  bool File(const WalkEntry& entry) override {
    return entry.kind != EntryKind::kFile || TryRepairCandidate(repair_, entry.path, mode_) != StepResult::kCancelled;
  }
  bool Enter(const WalkEntry& folder) override { return ShouldSearch(repair_.run.context, folder.path); }
  bool Leave(const WalkEntry& folder, FolderOutcome, const QString&) override {
    repair_.run.window.SetStatusText(
        FillPlaceholders(repair_.run.Text(u"Status_CheckingDirectory"), {{u"%dir%", Quoted(folder.name)}}));
    return !repair_.run.CancelRequested();
  }

 private:
  RepairSearch& repair_;
  const RepairMode mode_;
};

// Where the hash check reads a neighbouring entry's bytes (see PieceReader::SourcePath): its own
// file, or the client's partial download of a missing entry, as the run's disk shows them (a dry
// run's file taken away holds nothing; one it took as moved or copied is read where it still is).
// What the file holds counts, however short: a piece needing bytes past its end is not checked.
NeighbourBytes NeighbourSource(const RepairSearch& repair, int entry) {
  const StageRun& run = repair.run;
  const size_t index = static_cast<size_t>(entry);
  const TorrentFileEntry& file = run.Files()[index];
  if (file.IsSymlink) return {};
  QString path = run.download_dir + file.RelativePath();
  // A file the repair has put in place since the file check is the entry's own.
  if (!run.disk.PathEntryExists(path) && !repair.found.PartialFile(index).isEmpty()) path = repair.found.PartialFile(index);
  if (run.disk.Vanished(path)) return {};
  const int64_t size = run.disk.FileSize(path);
  if (size < 0) return {};
  return {run.disk.ReadablePath(path), size};
}

// Why a candidate cannot be read: the system's reason, or a failed read's when opening it worked.
QString CandidateReadError(const QString& path) {
  const QString why = ReadError(path);
  return why.isEmpty() ? QString::fromLocal8Bit(std::strerror(EIO)) : why;
}

// A candidate that cannot be read is no source: whatever it holds, nothing can vouch for it.
void RejectUnreadable(StageRun& run, const QString& candidate, const QString& why) {
  run.Emit(CandidateRejected{candidate, QString(), Rejection::kUnreadable, why});
}

// The entry a candidate goes to, and whether its content vouches for it (false: its size alone).
struct Match {
  size_t position;
  bool verified;
};

// With v2 trees, a file's identity is its tree's root: the waiting entry of the candidate's size
// whose "pieces root" the candidate's bytes reduce to, whatever the hash check option says.
std::optional<Match> MatchingEntryByRoot(RepairSearch& repair, const QString& candidate, int64_t size, bool* cancelled) {
  StageRun& run = repair.run;
  std::optional<Sha256Digest> root;
  for (const size_t position : repair.repair_list.Waiting(size)) {
    const TorrentFileEntry& entry = run.Files()[position];
    if (!entry.HasPiecesRoot) continue;
    if (!root) {
      Sha256Digest read{};
      const QString readable = run.disk.ReadablePath(candidate);
      const RootOutcome outcome = FileTreeRoot(readable, read, run.context.cancel_flag);
      if (outcome == RootOutcome::kCancelled) {
        *cancelled = true;
        return std::nullopt;
      }
      // A candidate that cannot be read is no source; the copy would fail on it too.
      if (outcome == RootOutcome::kUnreadable) {
        RejectUnreadable(run, candidate, CandidateReadError(readable));
        return std::nullopt;
      }
      root = read;
    }
    if (*root == entry.PiecesRoot) {
      repair.repair_list.Take(size, position);
      return Match{position, true};
    }
    run.Emit(CandidateRejected{candidate, run.context.FullPath(entry), Rejection::kRootDiffers, QString()});
  }
  return std::nullopt;
}

// Every waiting entry of the candidate's size is judged by the candidate's pieces, whatever the
// hash check option says: the first whose pieces it holds is taken; failing that, the first none
// of whose pieces can be checked, by its size alone. An entry whose pieces it does not hold is
// never taken, and an event says so.
std::optional<Match> MatchingEntry(RepairSearch& repair, const QString& candidate, int64_t size, bool* cancelled) {
  StageRun& run = repair.run;
  if (run.model.HasV2 && size > 0) return MatchingEntryByRoot(repair, candidate, size, cancelled);
  const std::vector<size_t> waiting = repair.repair_list.Waiting(size);
  if (waiting.empty()) return std::nullopt;
  const QString readable = run.disk.ReadablePath(candidate);
  if (const QString why = ReadError(readable); !why.isEmpty()) {
    RejectUnreadable(run, candidate, why);
    return std::nullopt;
  }
  // An empty file's content is its size.
  if (!repair.piece_layout || size == 0) {
    repair.repair_list.Take(size, waiting.front());
    return Match{waiting.front(), size == 0};
  }
  const EntrySource neighbour = [&repair](int entry) { return NeighbourSource(repair, entry); };
  CandidateChecker checker(*repair.piece_layout, run.model.PieceHashes, readable, neighbour, run.context.cancel_flag);
  std::optional<size_t> by_size;
  for (const size_t position : waiting) {
    const CandidateVerdict verdict = checker.Check(static_cast<int>(position));
    if (verdict == CandidateVerdict::kCancelled) {
      *cancelled = true;
      return std::nullopt;
    }
    if (verdict == CandidateVerdict::kUnreadable) {
      RejectUnreadable(run, candidate, CandidateReadError(readable));
      return std::nullopt;
    }
    if (verdict == CandidateVerdict::kMatches) {
      repair.repair_list.Take(size, position);
      return Match{position, true};
    }
    if (verdict == CandidateVerdict::kUnchecked) {
      if (!by_size) by_size = position;
      continue;
    }
    run.Emit(CandidateRejected{candidate, run.context.FullPath(run.Files()[position]), Rejection::kPiecesDiffer, QString()});
  }
  if (!by_size) return std::nullopt;
  repair.repair_list.Take(size, *by_size);
  return Match{*by_size, false};
}

bool FirstLook(RepairSearch& repair, const QString& candidate) {
  const QString key = FullPathName(candidate);
  if (repair.judged_candidates.contains(key)) return false;
  repair.judged_candidates.insert(key);
  return true;
}

// An empty file needs no source: a missing entry of length 0 (which some clients never create)
// is made where it belongs.
void CreateEmptyEntries(RepairSearch& repair) {
  StageRun& run = repair.run;
  for (const size_t position : repair.repair_list.Waiting(0)) {
    const TorrentFileEntry& entry = run.Files()[position];
    const QString target = run.context.FullPath(entry);
    if (run.disk.FileSize(target) != kNoFile || !PathFits(target) || !TargetFolderIsSafe(run, entry.Dir)) continue;
    const QString folder = run.download_dir + entry.Dir;
    if (run.disk.FileSize(folder) != kDirectorySize) CreateDirectoryPath(run, folder, kAbsolute);
    repair.repair_list.Take(0, position);
    run.Emit(EmptyFileCreated{position, target, run.disk.CreateEmptyFile(target)});
  }
}

StepResult TryRepairCandidate(RepairSearch& repair, const QString& candidate, RepairMode mode) {
  StageRun& run = repair.run;
  const QString status =
      FillPlaceholders(run.Text(u"Status_FixingFile"), {{u"%file%", Quoted(FileNamePart(candidate))}});
  // A search that passes a folder twice (the rebuild source holds the download) judges each file
  // once: the second look could only repeat the first one's events and hashing.
  if (!repair.repair_list.Empty() && IsEligible(repair, candidate) && FirstLook(repair, candidate)) {
    // A link answers with the size of what it points to; a link to a directory or a dangling one
    // has no size and matches nothing.
    const int64_t size = run.disk.FileSize(candidate);
    bool cancelled = false;
    const std::optional<Match> match = size >= 0 ? MatchingEntry(repair, candidate, size, &cancelled) : std::nullopt;
    if (cancelled) return StepResult::kCancelled;
    if (match) SupplyEntry(run, match->position, candidate, size, mode, match->verified);
  }
  run.window.SetStatusText(status);
  return run.CancelRequested() ? StepResult::kCancelled : StepResult::kDone;
}

// Files are taken from the searched folder's own file system only: a folder mounted inside is
// not the download's to take from, nor one that the unneeded scan says it did not scan.
StepResult SearchMissingFiles(RepairSearch& repair, const QString& dir, RepairMode mode) {
  MissingFileSearch search(repair, mode);
  return repair.run.disk.Walk(dir, search) == StepResult::kCancelled ? StepResult::kCancelled : StepResult::kDone;
}

}  // namespace

RepairOutcome RunRepairStage(StageRun& run, const FileCheckOutcome& found) {
  run.window.StageChanged(RunStage::kRepair);
  run.Emit(RepairStarted{});
  run.window.ShowProgressBar(false);
  run.window.SetStatusText(QString());
  run.window.ShowStatusLine(true);
  RepairSearch repair{run, found, {}, {}, nullptr};
  // A file that could not be read is there: nothing may be put in its place.
  std::vector<uint8_t> present = found.found;
  for (size_t i = 0; i < present.size(); ++i) {
    if (!found.unreadable[i].isEmpty()) present[i] = 1;
  }
  repair.repair_list.Reset(run.Files(), present);
  CreateEmptyEntries(repair);
  // Candidates are judged by their pieces whatever the hash check option says.
  if (run.model.HasV1Pieces && run.model.PieceLength > 0 && !run.model.PieceHashes.empty()) {
    repair.piece_layout = std::make_unique<PieceLayout>(run.model, run.model.PieceLength);
  }
  StepResult result = SearchMissingFiles(repair, run.download_dir, RepairMode::kMove);
  // A cancelled run starts no new search.
  if (result != StepResult::kCancelled) result = SearchMissingFiles(repair, SourceLocation(run.context), RepairMode::kCopy);
  run.Emit(RepairEnded{});
  return {result};
}

}  // namespace zandrel
