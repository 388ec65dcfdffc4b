// Symbolic links a torrent lists (BEP 47 attribute "l"): the link itself is the entry. Its target
// may be a folder, another disk or nothing at all, so nothing is ever read, sized or changed
// through it: the entry is in order when a link, or the empty file a client without link support
// writes instead, stands at its path.
#include "check/stages.h"
#include "messages/text.h"
#include "platform/file_system.h"

namespace zandrel {

StepResult CheckSymlinkEntry(CheckRun& run, size_t index) {
  const TorrentFileEntry& entry = run.Files()[index];
  const QString quoted = Quoted(run.download_dir + entry.Dir + entry.Name);
  RunCounters& c = run.counters;
  const QString full_path = run.download_dir + entry.Dir + entry.Name;
  // A client without link support writes the link as an empty file: the entry is there.
  if (IsSymLink(full_path) || FileSize(full_path) == 0) {
    run.found[index] = 1;
    c.CorrectFiles++;
    run.record.Entry(index, EntryState::kOk, 0);
    if (run.options.LogFoundFiles != 1) return StepResult::kDone;
    run.WriteReportLine(FillPlaceholders(run.Text(u"Log_FileFound"), {{u"%file%", quoted}}));
  } else {
    c.MissingFilesFlag = true;
    c.MissingFiles++;
    run.record.Entry(index, EntryState::kMissing, -1);
    run.WriteReportLine(FillPlaceholders(run.Text(u"Log_FileNotFound"), {{u"%file%", quoted}}));
  }
  c.FileLinesWritten = true;
  return StepResult::kDone;
}

}  // namespace zandrel
