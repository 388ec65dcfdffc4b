#include "check/run_report.h"

#include "check/disk_actions.h"
#include "check/run_context.h"
#include "messages/text.h"

namespace zandrel {

// The message table has no text for these lines, so they are fixed.
constexpr char16_t kUnableToFixText[] = u"Unable to fix missing file: %file% to destination: %fixedfile%";
constexpr char16_t kPiecesDifferText[] =
    u"Not used to fix missing file (its pieces do not match): %file% for destination: %fixedfile%";

// One event's lines; `lines` is what it adds to the report.
struct ReportLines {
  RunReport& report;
  const RunContext& run;
  std::vector<QString>& lines;

  QString Text(QStringView key) const { return run.Text(key); }
  // A line that tells of a change; a dry run marks it as not done.
  QString Done(const QString& line) const { return run.DryRun() ? line + kNotDoneMark : line; }
  QString Fill(QStringView key, std::initializer_list<std::pair<QStringView, QString>> fields) const;
  void Add(const QString& line) { lines.push_back(line); }
  QString EntryPath(size_t index) const { return run.FullPath(run.Files()[index]); }

  void operator()(const RunStarted&);
  void operator()(const EntryChecked& e);
  QString EntryLine(const EntryChecked& e) const;
  void operator()(const OldFileMoved& e);
  void operator()(const FolderCreated& e);
  void operator()(const PartialFileFound& e);
  void operator()(const FileCheckEnded&);
  void operator()(const HashCheckStarted& e);

  // A failed piece with the files it names; a piece that fails only because a file could not be
  // read says so.
  void operator()(const PieceFailed& e);
  void NameFile(size_t index);
  void operator()(const HashCheckEnded& e);
  void operator()(const RepairStarted&) { lines = {QString(), Text(u"Log_FixMissing"), QString()}; }
  void operator()(const FileRepaired& e);
  void operator()(const EmptyFileCreated& e);
  void operator()(const CandidateRejected& e);
  void operator()(const RepairEnded&);
  void operator()(const UnneededStarted& e);
  void operator()(const UnneededHandled& e);
  void UnneededDirectory(const UnneededHandled& e);
  void operator()(const UnneededEnded&);
  void operator()(const RunCancelled&) { Add(Text(u"Log_ZandrelCancelled")); }
};

QString ReportLines::Fill(QStringView key, std::initializer_list<std::pair<QStringView, QString>> fields) const {
  return FillPlaceholders(Text(key), fields);
}

void ReportLines::operator()(const RunStarted&) {
  const QString header = Fill(u"Log_Header", {{u"%ver%", run.inputs.version}});
  lines = {header, QString(header.size(), u'-'), QString(), Text(u"Log_FileCheck"), QString()};
}

void ReportLines::operator()(const EntryChecked& e) {
  if (e.state == EntryState::kUnreadable) report.unreadable_[e.index] = e.reason;
  if (e.cancelled || (e.state == EntryState::kOk && run.options.LogFoundFiles != 1)) return;
  Add(EntryLine(e));
  report.file_lines_written_ = true;
}

QString ReportLines::EntryLine(const EntryChecked& e) const {
  const QString quoted = Quoted(EntryPath(e.index));
  switch (e.state) {
    case EntryState::kOk: return Fill(u"Log_FileFound", {{u"%file%", quoted}});
    case EntryState::kMissing: return Fill(u"Log_FileNotFound", {{u"%file%", quoted}});
    case EntryState::kUnreadable:
      return Fill(u"Log_FileUnreadable", {{u"%file%", Quoted(EntryPath(e.index))}, {u"%reason%", e.reason}});
    default: break;
  }
  const QString size_line = Fill(u"Log_WrongFileSize", {{u"%file%", quoted},
                                                       {u"%size1%", QString::number(e.size_on_disk)},
                                                       {u"%size2%", QString::number(run.Files()[e.index].Length)}});
  const auto wrap = [&size_line](const QString& wrapper) { return FillPlaceholders(wrapper, {{u"%s%", size_line}}); };
  switch (e.action) {
    case EntryAction::kSmaller: return wrap(Text(u"Log_FileIsSmaller"));
    case EntryAction::kUnableToFix: return wrap(Text(u"Log_UnableToFix"));
    case EntryAction::kNoSpace: return Fill(u"Log_NoSpace", {{u"%s%", size_line}, {u"%drive%", e.drive}});
    case EntryAction::kTrimmed: return Done(wrap(Text(u"Log_Fixed")));
    case EntryAction::kDeleted: return Done(wrap(run.texts.DeletedText()));
    case EntryAction::kNone: break;
  }
  return size_line;
}

void ReportLines::operator()(const OldFileMoved& e) {
  if (e.done) {
    Add(Done(Fill(u"Log_MovedOldFile", {{u"%file%", Quoted(e.path)}, {u"%backupdir%", Quoted(e.folder)}})));
    return;
  }
  Add(Fill(u"Log_UnableToMoveOldFile", {{u"%file%", Quoted(e.path)}}));
  if (e.source_changed) Add(Fill(u"Log_SourceChanged", {{u"%file%", Quoted(e.path)}}));
}

void ReportLines::operator()(const FolderCreated& e) {
  Add(e.done ? Done(Fill(u"Log_CreatedDirectory", {{u"%dir%", Quoted(e.path)}}))
             : Fill(u"Log_UnableToCreateDirectory", {{u"%dir%", Quoted(e.path)}}));
}

void ReportLines::operator()(const PartialFileFound& e) {
  Add(Fill(u"Log_PartialDownload", {{u"%file%", Quoted(e.path)},
                                    {u"%size%", QString::number(e.size)},
                                    {u"%length%", QString::number(run.Files()[e.index].Length)}}));
}

void ReportLines::operator()(const FileCheckEnded&) {
  const RunCounters& c = report.counters_;
  const int64_t entries = static_cast<int64_t>(run.Files().size());
  if (report.file_lines_written_) Add(QString());
  const QString summary = Fill(u"Log_CorrectFiles", {{u"%okfiles%", CountOfTotal(c.CorrectFiles, entries)},
                                                     {u"%missingfiles%", CountOfTotal(c.MissingFiles, entries)},
                                                     {u"%wrongsizedfiles%", QString::number(c.WrongSizedFiles)},
                                                     {u"%trimmedfiles%", CountOfTotal(c.TrimmedFiles, c.PaddedFiles)},
                                                     {u"%deletedfiles%", CountOfTotal(c.DeletedWrongSized, c.WrongSizedFiles)}});
  // A dry run trimmed and deleted nothing: counts of such changes carry the lines' mark.
  Add(c.TrimmedFiles > 0 || c.DeletedWrongSized > 0 ? Done(summary) : summary);
  // Files that could not be read are neither correct nor missing nor of a wrong size.
  if (c.UnreadableFiles > 0) {
    Add(Fill(u"Log_UnreadableFiles", {{u"%unreadablefiles%", CountOfTotal(c.UnreadableFiles, entries)}}));
  }
}

void ReportLines::operator()(const HashCheckStarted& e) {
  lines = {QString(), Text(u"Log_FileIntegrityCheck"), QString(),
           Fill(u"Log_Pieces", {{u"%pieces%", QString::number(e.pieces)}, {u"%piecesize%", QString::number(e.piece_length)}}),
           QString()};
}

void ReportLines::operator()(const PieceFailed& e) {
  if (e.v2) {
    Add(Fill(u"Log_SHA256Failed", {{u"%piece%", QString::number(e.piece + 1)},
                                  {u"%filepiece%", QString::number(e.file_piece + 1)},
                                  {u"%first%", QString::number(e.first_byte)},
                                  {u"%last%", QString::number(e.last_byte)}}));
    NameFile(static_cast<size_t>(e.first));
  } else {
    Add(Fill(u"Log_SHA1Failed", {{u"%piece%", QString::number(e.piece + 1)}}));
    for (int j = e.first; j <= e.last; ++j) {
      const TorrentFileEntry& entry = run.Files()[static_cast<size_t>(j)];
      // Neither a link nor an empty file holds a byte of any piece, so neither can be bad.
      if (!entry.IsSymlink && entry.Length != 0) NameFile(static_cast<size_t>(j));
    }
  }
  Add(QString());
}

void ReportLines::NameFile(size_t index) {
  const QString path = EntryPath(index);
  Add(Quoted(path));
  const QString& why = report.unreadable_[index];
  if (!why.isEmpty()) Add(Fill(u"Log_FileUnreadable", {{u"%file%", Quoted(path)}, {u"%reason%", why}}));
}

void ReportLines::operator()(const HashCheckEnded& e) {
  const RunCounters& c = report.counters_;
  if (!c.PieceFailed) {
    Add(Text(u"Log_IntegrityCheckPassed"));
    return;
  }
  const QString percent = QString::number(double(c.PercentComplete), 'f', 1) + u'%';
  Add(Fill(u"Log_PotentiallyBad", {{u"%badfiles%", CountOfTotal(e.bad_files, e.entries)}, {u"%percent%", percent}}));
}

void ReportLines::operator()(const FileRepaired& e) {
  const auto fill = [&](const QString& text) {
    return FillPlaceholders(text, {{u"%file%", Quoted(e.source)}, {u"%fixedfile%", Quoted(e.target)}});
  };
  switch (e.result) {
    case RepairResult::kNoSpace:
      Add(Fill(u"Log_NoSpaceCopy", {{u"%s%", ShownText(e.source)}, {u"%drive%", e.drive}}));
      break;
    case RepairResult::kOtherSizeStands:
      Add(fill(QString::fromUtf16(kUnableToFixText)));
      Add(Fill(u"Log_OtherSizeStands", {{u"%file%", Quoted(e.target)}}));
      break;
    case RepairResult::kDone:
      Add(Done(fill(Text(e.verified ? u"Log_FixMissingFile" : u"Log_FixMissingFileBySize"))));
      break;
    case RepairResult::kFailed: Add(fill(QString::fromUtf16(kUnableToFixText))); break;
  }
}

void ReportLines::operator()(const EmptyFileCreated& e) {
  const QString line = Fill(e.done ? u"Log_CreatedEmptyFile" : u"Log_UnableToFix",
                            {{u"%file%", Quoted(e.path)}, {u"%s%", Quoted(e.path)}});
  Add(e.done ? Done(line) : line);
}

void ReportLines::operator()(const CandidateRejected& e) {
  const QString candidate = Quoted(e.candidate);
  switch (e.why) {
    case Rejection::kUnreadable:
      Add(Fill(u"Log_CandidateUnreadable", {{u"%file%", candidate}, {u"%reason%", e.reason}}));
      break;
    case Rejection::kRootDiffers:
      Add(Fill(u"Log_RootDiffers", {{u"%file%", candidate}, {u"%fixedfile%", Quoted(e.target)}}));
      break;
    case Rejection::kPiecesDiffer:
      Add(FillPlaceholders(QString::fromUtf16(kPiecesDifferText),
                           {{u"%file%", candidate}, {u"%fixedfile%", Quoted(e.target)}}));
      break;
  }
}

void ReportLines::operator()(const RepairEnded&) {
  const RunCounters& c = report.counters_;
  if (c.FixedFiles > 0) Add(QString());
  const QString count = CountOfTotal(c.FixedFiles, c.MissingFiles + c.WrongSizedFiles);
  const QString summary = Fill(u"Log_FixedFiles", {{u"%fixedfiles%", count}});
  // A dry run fixed nothing: its count carries the lines' mark.
  Add(c.FixedFiles > 0 ? Done(summary) : summary);
}

void ReportLines::operator()(const UnneededStarted& e) {
  lines = {QString(), Text(u"Log_UnneededFilesCheck"), QString()};
  if (e.note == KeptNote::kSingleFile) Add(Text(u"Log_SingleFileKept"));
  if (e.note == KeptNote::kNothingFound) Add(Text(u"Log_NothingFoundKept"));
}

void ReportLines::operator()(const UnneededHandled& e) {
  if (e.directory) return UnneededDirectory(e);
  const QString file = Quoted(e.path);
  switch (e.action) {
    case UnneededAction::kReported: Add(Fill(u"Log_UnneededFile", {{u"%file%", file}})); break;
    case UnneededAction::kMoved:
      Add(Done(Fill(u"Log_MovedUnneededFile", {{u"%file%", file}, {u"%backupdir%", Quoted(e.moved_to)}})));
      break;
    case UnneededAction::kMoveFailed:
      Add(Fill(u"Log_UnableToMoveFile", {{u"%file%", file}}));
      if (e.source_changed) Add(Fill(u"Log_SourceChanged", {{u"%file%", file}}));
      break;
    case UnneededAction::kDeleted: Add(Done(Fill(u"Log_DeletedFile", {{u"%file%", file}}))); break;
    case UnneededAction::kDeleteFailed: Add(Fill(u"Log_UnableToDeleteFile", {{u"%file%", file}})); break;
    case UnneededAction::kKept: break;
  }
}

void ReportLines::UnneededDirectory(const UnneededHandled& e) {
  const QString dir = Quoted(e.path);
  switch (e.action) {
    case UnneededAction::kReported: Add(Fill(u"Log_UnneededDirectory", {{u"%dir%", dir}})); break;
    case UnneededAction::kDeleted: Add(Done(Fill(u"Log_DeletedDirectory", {{u"%dir%", dir}}))); break;
    case UnneededAction::kDeleteFailed: Add(Fill(u"Log_UnableToDeleteDirectory", {{u"%dir%", dir}})); break;
    case UnneededAction::kKept:
      if (e.kept == KeptBecause::kOtherFileSystem) Add(Fill(u"Log_OtherFileSystem", {{u"%dir%", dir}}));
      if (e.kept == KeptBecause::kUnreadable) Add(Fill(u"Log_DirectoryUnreadable", {{u"%dir%", dir}, {u"%reason%", e.reason}}));
      break;
    default: break;
  }
}

void ReportLines::operator()(const UnneededEnded&) {
  const RunCounters& c = report.counters_;
  if (c.UnneededFiles > 0 || c.UnneededDirs > 0) Add(QString());
  const QString summary = Fill(u"Log_UnneededFiles", {{u"%unneededfiles%", QString::number(c.UnneededFiles)},
                                                      {u"%unneededdirs%", QString::number(c.UnneededDirs)},
                                                      {u"%deletedfiles%", CountOfTotal(c.DeletedFiles, c.UnneededFiles)},
                                                      {u"%deleteddirs%", CountOfTotal(c.DeletedDirs, c.UnneededDirs)}});
  // A dry run deleted nothing: its counts carry the lines' mark.
  Add(c.DeletedFiles > 0 || c.DeletedDirs > 0 ? Done(summary) : summary);
}

RunReport::RunReport(const RunContext& context, ReportWriter& writer)
    : context_(context), writer_(writer), unreadable_(context.Files().size()) {}

std::vector<QString> RunReport::LinesOf(const RunEvent& event) {
  counters_.Count(event);
  std::vector<QString> lines;
  std::visit(ReportLines{*this, context_, lines}, event);
  return lines;
}

void RunReport::Emit(const RunEvent& event) {
  for (const QString& line : LinesOf(event)) writer_.WriteLine(line);
}

}  // namespace zandrel
