// A download directory, a torrent model built from entries and their intended bytes, and the
// piece stage run over them with its report captured.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>
#include <string>
#include <vector>

#include "check/check_run.h"
#include "check/piece_verifier.h"
#include "messages/message_table.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel::test {

// Records every progress value and presses Cancel when a chosen value is reached.
class ProgressWindow : public RecordingWindow {
 public:
  explicit ProgressWindow(std::atomic<int>& cancel_flag) : cancel_flag_(cancel_flag) {}
  void SetProgressValue(int64_t value) override {
    RecordingWindow::SetProgressValue(value);
    values.push_back(value);
    if (value == cancel_at) cancel_flag_ = 1;
    if (on_progress) on_progress(value);
  }

  std::vector<int64_t> values;
  int64_t cancel_at = -1;
  std::function<void(int64_t)> on_progress;

 private:
  std::atomic<int>& cancel_flag_;
};

// One stage's surroundings without the rest of a run: the context, the report it tells its events
// to, the counters they add up to, and a file check that found every file readable.
struct StageHarness {
  StageHarness(EngineState& engine, const CheckInputs& inputs, WindowOperations& window)
      : context(engine, inputs, QString()), report(context, writer), disk(inputs.dry_run),
        run(context, disk, window, events) {
    events.Add(counters);
    events.Add(report);
    found.found.assign(context.Files().size(), 0);
    found.unreadable.resize(context.Files().size());
  }

  const RunContext context;
  ReportWriter writer;
  RunReport report;
  CounterSink counters;
  EventFanOut events;
  DiskActions disk;
  StageRun run;
  FileCheckOutcome found;
};

// Report lines as one text, so that a mismatch prints readably.
inline std::string Text(const QStringList& lines) { return lines.join('\n').toStdString(); }

struct StageOutcome {
  StepResult result = StepResult::kDone;
  QStringList lines;
  std::vector<int64_t> progress;
  bool piece_failed = false;
  float percent = 100.0f;
};

class PieceFixture : public ::testing::Test {
 protected:
  PieceFixture() {
    inputs_ = PlainInputs(root_.path(), dl_);
    inputs_.options.HashCheck = 1;
  }

  // Adds an entry ("dir/name") whose intended bytes are `bytes`; the file on disk is written
  // separately, so a test can leave it out or damage it.
  void AddEntry(const QString& relative, const std::string& bytes, int64_t pad_after = 0) {
    TorrentFileEntry entry = EntryFor(relative, static_cast<int64_t>(bytes.size()));
    entry.PadAfter = pad_after;
    engine_.model.TorrentFiles.push_back(entry);
    stream_ += bytes + std::string(static_cast<size_t>(pad_after), '\0');
  }
  // Adds the entry and writes its file.
  void AddFile(const QString& relative, const std::string& bytes, int64_t pad_after = 0) {
    AddEntry(relative, bytes, pad_after);
    WriteFile(Path(relative), bytes);
  }
  // Piece hashes of the intended stream.
  void SetPieceLength(int64_t piece_length) {
    engine_.model.PieceLength = piece_length;
    SetPieces(PiecesFor(std::string(static_cast<size_t>(engine_.model.PadBefore), '\0') + stream_, piece_length));
  }
  void SetPieces(const std::string& pieces) {
    engine_.model.PieceHashes.clear();
    for (size_t i = 0; i + 20 <= pieces.size(); i += 20) {
      Sha1Digest digest;
      std::copy(pieces.begin() + i, pieces.begin() + i + 20, digest.begin());
      engine_.model.PieceHashes.push_back(digest);
    }
    engine_.model.PiecesSize = static_cast<int64_t>(pieces.size());
  }

  // The stage alone, its report lines being what it wrote.
  StageOutcome Verify(const PieceCheckTuning& tuning = {}, int64_t cancel_at = -1) {
    ProgressWindow window(engine_.cancel_flag);
    window.cancel_at = cancel_at;
    if (on_progress_) window.on_progress = on_progress_;
    StageHarness stage(engine_, inputs_, window);
    stage.writer.Create(inputs_.report_path);
    StageOutcome outcome;
    outcome.result = VerifyPieces(stage.run, stage.found, tuning);
    stage.writer.Close();
    outcome.lines = ReadReportLines(inputs_.report_path);
    outcome.progress = window.values;
    outcome.piece_failed = stage.counters.counters.PieceFailed;
    outcome.percent = stage.counters.counters.PercentComplete;
    return outcome;
  }

  QString Path(const QString& relative) const { return Join(dl_, relative); }
  QString Q(const QString& relative) const { return '"' + Path(relative) + '"'; }
  QString Dl() const { return dl_ + '/'; }

  QTemporaryDir root_;
  QString dl_ = Join(root_.path(), "Show");
  MessageTable messages_{Join(root_.path(), "lang")};
  EngineState engine_{messages_};
  CheckInputs inputs_;
  std::string stream_;  // intended bytes of every entry and padding, in order
  std::function<void(int64_t)> on_progress_;
};

}  // namespace zandrel::test
