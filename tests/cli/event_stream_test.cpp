// The report, the counters and the --json outcome are three readings of one stream of events: a
// run whose events are checked once, and each reading compared with them.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <map>

#include "check/check_run.h"
#include "check/run_record.h"
#include "cli/check_args.h"
#include "cli/check_json.h"
#include "tests/cli/cli_support.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

constexpr int64_t kPiece = 16384;

template <typename Event>
std::vector<Event> All(const EventLog& log) {
  std::vector<Event> found;
  for (const RunEvent& event : log.events()) {
    if (const auto* e = std::get_if<Event>(&event)) found.push_back(*e);
  }
  return found;
}

class EventStreamTest : public ::testing::Test {
 protected:
  // One file per piece, each damaged its own way; a renamed copy stands in the download and a
  // stray file beside the torrent's.
  void SetUp() override {
    test::FileMap bytes = test::WriteRandomTorrent(
        torrent_, "Set",
        {{"ok.bin", kPiece}, {"gone.bin", kPiece}, {"padded.bin", kPiece}, {"corrupt.bin", kPiece},
         {"lost.bin", kPiece}},
        kPiece, 7);
    WriteFile(Join(dl_, "ok.bin"), bytes["ok.bin"]);
    WriteFile(Join(dl_, "moved/renamed.bin"), bytes["gone.bin"]);
    WriteFile(Join(dl_, "padded.bin"), bytes["padded.bin"] + "tail");
    WriteFile(Join(dl_, "corrupt.bin"), test::RandomBytes(kPiece, 99));
    WriteFile(Join(dl_, "stray.txt"), "x");
  }

  QTemporaryDir root_;
  QString dl_ = Join(root_.path(), "Set");
  QString torrent_ = Join(root_.path(), "Set.torrent");
  QString report_ = Join(root_.path(), "report.log");
};

TEST_F(EventStreamTest, ReportCountersAndJsonAreReadingsOfTheSameEvents) {
  CheckCommandLine line;
  ASSERT_TRUE(ParseCheckArgs({torrent_, dl_, "--hash-check", "--trim-padded-files", "--fix-missing", "--delete-unneeded",
                              "--delete-when-incomplete", "--report", report_},
                             line)
                  .isEmpty());
  MessageTable messages;
  EngineState engine(messages);
  ASSERT_TRUE(PrepareEngine(line, engine).Ok());
  const CheckInputs inputs = MakeInputs(line, root_.path());
  test::RecordingWindow window;
  EventLog log;
  const CheckResult result = RunCheck(engine, inputs, window, &log);

  // The events, checked once: each entry judged in torrent order, the corrupt piece, the renamed
  // copy put in place, the stray file deleted.
  const std::vector<EntryChecked> entries = All<EntryChecked>(log);
  ASSERT_EQ(entries.size(), 5u);
  const std::vector<std::pair<EntryState, EntryAction>> judged = {
      {EntryState::kOk, EntryAction::kNone}, {EntryState::kMissing, EntryAction::kNone},
      {EntryState::kWrongSize, EntryAction::kTrimmed}, {EntryState::kOk, EntryAction::kNone},
      {EntryState::kMissing, EntryAction::kNone}};
  for (size_t i = 0; i < judged.size(); ++i) {
    EXPECT_EQ(entries[i].index, i);
    EXPECT_EQ(std::pair(entries[i].state, entries[i].action), judged[i]) << i;
  }
  const std::vector<PieceFailed> pieces = All<PieceFailed>(log);
  ASSERT_EQ(pieces.size(), 3u);  // the corrupt file's piece, and the two missing ones
  EXPECT_EQ(pieces[1].piece, 3);
  const std::vector<FileRepaired> repaired = All<FileRepaired>(log);
  ASSERT_EQ(repaired.size(), 1u);
  EXPECT_EQ(repaired[0].index, 1u);
  EXPECT_EQ(repaired[0].result, RepairResult::kDone);
  EXPECT_TRUE(repaired[0].verified);
  // The stray file goes into the backup folder, and the folder the copy left goes too.
  std::vector<UnneededHandled> unneeded = All<UnneededHandled>(log);
  ASSERT_EQ(unneeded.size(), 2u);
  const auto stray = std::find_if(unneeded.begin(), unneeded.end(), [](const auto& u) { return !u.directory; });
  ASSERT_NE(stray, unneeded.end());
  EXPECT_EQ(std::tuple(stray->path, stray->action), std::tuple(Join(dl_, "stray.txt"), UnneededAction::kMoved));
  EXPECT_EQ(std::count_if(unneeded.begin(), unneeded.end(), [](const auto& u) { return u.directory; }), 1);

  // The counters: what the run handed back is what the events add up to.
  CounterSink counted;
  log.ReplayInto(counted);
  const RunCounters& c = result.counters;
  const RunCounters& e = counted.counters;
  EXPECT_EQ(std::tuple(c.CorrectFiles, c.MissingFiles, c.WrongSizedFiles, c.TrimmedFiles, c.FixedFiles, c.PieceFailed,
                       c.UnneededFiles, c.UnneededDirs, c.DeletedFiles, c.DeletedDirs),
            std::tuple(e.CorrectFiles, e.MissingFiles, e.WrongSizedFiles, e.TrimmedFiles, e.FixedFiles, e.PieceFailed,
                       e.UnneededFiles, e.UnneededDirs, e.DeletedFiles, e.DeletedDirs));
  EXPECT_EQ(std::tuple(c.CorrectFiles, c.MissingFiles, c.TrimmedFiles, c.FixedFiles), std::tuple(2, 2, 1, 1));
  EXPECT_EQ(c.PercentComplete, e.PercentComplete);

  // The report: the same events told again make the same lines, and every decision has its line.
  const RunContext context(engine, inputs, QString());
  const QString again = Join(root_.path(), "again.log");
  ReportWriter writer;
  ASSERT_TRUE(writer.Create(again));
  RunReport report(context, writer);
  log.ReplayInto(report);
  writer.Close();
  const QStringList lines = test::ReadReportLines(report_);
  EXPECT_EQ(test::ReadReportLines(again), lines);
  EXPECT_TRUE(lines.contains("Piece #4 - SHA1 hash failed. This affects the following files:"));
  EXPECT_TRUE(lines.contains("File not found: \"" + Join(dl_, "gone.bin") + "\""));
  EXPECT_EQ(lines.filter("Fixed missing file: ").size(), 1);
  EXPECT_EQ(lines.filter(Join(dl_, "stray.txt")).size(), 1);

  // The JSON: built from the record the events fill, it names what the events name.
  RunRecord record;
  log.ReplayInto(record);
  const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(
                                                       CheckJson({line, inputs, engine.model, record, result, "s", 1})))
                               .object();
  const QJsonArray json_entries = json["entries"].toArray();
  const std::map<EntryState, QString> names = {
      {EntryState::kOk, "ok"}, {EntryState::kMissing, "missing"}, {EntryState::kWrongSize, "wrong_size"}};
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(json_entries[int(i)].toObject()["status"].toString(), names.at(entries[i].state)) << i;
  }
  EXPECT_EQ(json_entries[1].toObject()["repair"].toObject()["done"].toBool(), true);
  const QJsonArray json_pieces = json["failed_pieces"].toArray();
  ASSERT_EQ(json_pieces.size(), int(pieces.size()));
  for (size_t i = 0; i < pieces.size(); ++i) EXPECT_EQ(json_pieces[int(i)].toObject()["index"].toInt(), pieces[i].piece);
  const QJsonArray json_unneeded = json["unneeded"].toArray();
  ASSERT_EQ(json_unneeded.size(), int(unneeded.size()));
  for (size_t i = 0; i < unneeded.size(); ++i) {
    const QJsonObject item = json_unneeded[int(i)].toObject();
    EXPECT_EQ(item["type"].toString(), unneeded[i].directory ? "directory" : "file");
    EXPECT_EQ(item["action"].toString(), unneeded[i].directory ? "deleted" : "moved_to_backup");
  }
  EXPECT_EQ(json["counters"].toObject()["fixed_files"].toInt(), e.FixedFiles);
  EXPECT_EQ(json["counters"].toObject()["deleted_unneeded_files"].toInt(), e.DeletedFiles);
}

}  // namespace
}  // namespace zandrel
