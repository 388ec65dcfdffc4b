#include <QDir>
#include <QFile>
#include <thread>

#include "check/stages.h"
#include "tests/check/piece_fixture.h"
#include "tests/support/report_lines.h"

namespace zandrel {
namespace {

using test::StageOutcome;
using test::Text;

constexpr char kPassed[] = "File integrity check passed - all files are OK.";

QString FailedLine(int piece) {
  return QString("Piece #%1 - SHA1 hash failed. This affects the following files:").arg(piece);
}
QString BadLine(int bad, int total, const char* percent) {
  return QString("Potentially bad files: (%1/%2) - torrent is %3 complete.").arg(bad).arg(total).arg(percent);
}
std::string Flipped(std::string bytes, size_t at) {
  bytes[at] ^= 0x20;
  return bytes;
}

class PieceVerifierTest : public test::PieceFixture {};

TEST_F(PieceVerifierTest, LastPieceOfAnExactMultipleSpansTwoFiles) {
  const std::string a = test::RandomBytes(6, 1), b = test::RandomBytes(2, 2);
  AddFile("a.bin", a);
  AddFile("d/b.bin", b);
  SetPieceLength(4);
  StageOutcome ok = Verify();
  EXPECT_EQ(Text(ok.lines), Text({kPassed}));
  EXPECT_EQ(ok.progress, (std::vector<int64_t>{3, 4}));

  test::WriteFile(Path("d/b.bin"), Flipped(b, 1));
  const StageOutcome bad = Verify();
  EXPECT_EQ(Text(bad.lines), Text({FailedLine(2), Q("a.bin"), Q("d/b.bin"), "", BadLine(2, 2, "0.0%")}));
  EXPECT_TRUE(bad.piece_failed);
  EXPECT_EQ(bad.percent, 0.0f);
}

TEST_F(PieceVerifierTest, ShortLastPieceIsHashedOverItsOwnBytes) {
  const std::string a = test::RandomBytes(10, 3);
  AddFile("a.bin", a);
  SetPieceLength(4);
  const StageOutcome ok = Verify();
  EXPECT_EQ(Text(ok.lines), Text({kPassed}));
  EXPECT_EQ(ok.progress, (std::vector<int64_t>{2, 3, 4}));
  test::WriteFile(Path("a.bin"), Flipped(a, 9));
  EXPECT_EQ(Text(Verify().lines), Text({FailedLine(3), Q("a.bin"), "", BadLine(1, 1, "0.0%")}));
}

TEST_F(PieceVerifierTest, ZeroLengthLastEntryTakesNoPartInTheVerdict) {
  const std::string a = test::RandomBytes(6, 4);
  AddFile("a.bin", a);
  AddEntry("empty.bin", "");  // missing on disk: the file check reports it, the pieces do not
  SetPieceLength(4);
  EXPECT_EQ(Text(Verify().lines), Text({kPassed}));
  // The short last piece is completed with the last entry, but an empty file holds no byte of it:
  // a failure names only the file with data there, and the empty one is not counted as bad.
  test::WriteFile(Path("a.bin"), Flipped(a, 5));
  EXPECT_EQ(Text(Verify().lines), Text({FailedLine(2), Q("a.bin"), "", BadLine(1, 2, "50.0%")}));
}

TEST_F(PieceVerifierTest, MissingFirstFileFailsItsPiecesAndTheOneItSharesWithTheNext) {
  AddEntry("a.bin", test::RandomBytes(6, 5));
  AddFile("b.bin", test::RandomBytes(6, 6));
  SetPieceLength(4);
  EXPECT_EQ(Text(Verify().lines),
            Text({FailedLine(1), Q("a.bin"), "", FailedLine(2), Q("a.bin"), Q("b.bin"), "", BadLine(2, 2, "0.0%")}));
}

TEST_F(PieceVerifierTest, FileSharedByTwoFailedPiecesIsNamedTwiceAndCountedOnce) {
  // Pieces of 4: a | b[0,4) | b[4,6) c[0,2) | c[2,4)
  const std::string a = test::RandomBytes(4, 7), b = test::RandomBytes(6, 8), c = test::RandomBytes(4, 9);
  AddFile("a.bin", a);
  AddFile("b.bin", Flipped(b, 5));
  AddFile("c.bin", Flipped(c, 3));
  stream_ = a + b + c;
  SetPieceLength(4);
  const StageOutcome out = Verify();
  EXPECT_EQ(Text(out.lines), Text({FailedLine(3), Q("b.bin"), Q("c.bin"), "", FailedLine(4), Q("c.bin"), "",
                                   BadLine(2, 3, "33.3%")}));
  EXPECT_EQ(out.percent, 100.0f - (100.0f - (1.0f / 3.0f) * 100.0f));
}

TEST_F(PieceVerifierTest, PieceThatStartsWithAFileDoesNotNameTheFileBefore) {
  const std::string a = test::RandomBytes(4, 10), b = test::RandomBytes(6, 11);
  AddFile("a.bin", a);
  AddFile("b.bin", Flipped(b, 0));
  stream_ = a + b;
  SetPieceLength(4);
  EXPECT_EQ(Text(Verify().lines), Text({FailedLine(2), Q("b.bin"), "", BadLine(1, 2, "50.0%")}));
}

TEST_F(PieceVerifierTest, FileLongerOnDiskVerifiesByItsFirstBytes) {
  const std::string a = test::RandomBytes(6, 12);
  AddEntry("a.bin", a);
  test::WriteFile(Path("a.bin"), a + "trailing bytes");
  AddFile("b.bin", test::RandomBytes(5, 13));
  SetPieceLength(4);
  EXPECT_EQ(Text(Verify().lines), Text({kPassed}));
}

TEST_F(PieceVerifierTest, ShortFileFailsEvenWhereLeftoverBytesWouldMatch) {
  // Both pieces are the same bytes; the second is missing on disk and must not pass on what the
  // first one left behind.
  AddEntry("a.bin", "ABCDABCD");
  test::WriteFile(Path("a.bin"), "ABCD");
  SetPieceLength(4);
  EXPECT_EQ(Text(Verify().lines), Text({FailedLine(2), Q("a.bin"), "", BadLine(1, 1, "0.0%")}));
}

TEST_F(PieceVerifierTest, UnreadableFileFailsItsPieces) {
  AddEntry("a.bin", test::RandomBytes(4, 14));
  QDir().mkpath(Path("a.bin"));
  AddFile("b.bin", test::RandomBytes(4, 15));
  SetPieceLength(4);
  EXPECT_EQ(Text(Verify().lines), Text({FailedLine(1), Q("a.bin"), "", BadLine(1, 2, "50.0%")}));
}

TEST_F(PieceVerifierTest, PaddingIsHashedAsZerosAndNeverNamed) {
  // Pieces of 8: [pad 2][a 3][pad 3] | [b 5][pad 3] | [c 2]
  engine_.model.PadBefore = 2;
  const std::string b = test::RandomBytes(5, 17);
  AddFile("a.bin", test::RandomBytes(3, 16), 3);
  AddFile("b.bin", Flipped(b, 4), 3);
  AddFile("c.bin", test::RandomBytes(2, 18));
  stream_.replace(3 + 3, 5, b);
  SetPieceLength(8);
  EXPECT_EQ(Text(Verify().lines), Text({FailedLine(2), Q("b.bin"), "", BadLine(1, 3, "66.7%")}));
  // Bytes that are padding in the torrent are never looked at on disk.
  test::WriteFile(Path("a.bin"), test::RandomBytes(3, 16) + "xyz");
  test::WriteFile(Path("b.bin"), b);
  EXPECT_EQ(Text(Verify().lines), Text({kPassed}));
}

TEST_F(PieceVerifierTest, PiecesBeyondTheHashesAreNotComparedAndExtraHashesUnused) {
  const std::string a = test::RandomBytes(12, 19);
  AddFile("a.bin", Flipped(a, 10));
  stream_ = a;
  SetPieceLength(4);
  engine_.model.PieceHashes.resize(2);
  StageOutcome out = Verify();
  EXPECT_EQ(Text(out.lines), Text({kPassed}));
  EXPECT_EQ(out.progress, (std::vector<int64_t>{2, 3, 4}));
  SetPieceLength(4);
  engine_.model.PieceHashes.push_back(Sha1Digest{});
  EXPECT_EQ(Text(Verify().lines), Text({FailedLine(3), Q("a.bin"), "", BadLine(1, 1, "0.0%")}));
}

TEST_F(PieceVerifierTest, WithoutPieceLengthEveryPieceFailsUnread) {
  AddFile("a.bin", "abcd");
  AddFile("d/b.bin", "efgh");
  SetPieceLength(4);
  engine_.model.PieceHashes.push_back(Sha1Digest{});
  for (int64_t length : {0, -4}) {
    engine_.model.PieceLength = length;
    const StageOutcome out = Verify();
    EXPECT_EQ(Text(out.lines), Text({FailedLine(1), Q("a.bin"), Q("d/b.bin"), "", FailedLine(2), "", FailedLine(3), "",
                                     BadLine(2, 2, "0.0%")}));
    EXPECT_EQ(out.progress, (std::vector<int64_t>{3, 4, 5}));
    EXPECT_EQ(out.result, StepResult::kDone);
  }
  engine_.model.PieceHashes.clear();
  EXPECT_EQ(Text(Verify().lines), Text({kPassed}));
}

TEST(PercentCompleteTest, RoundsEachStepToSinglePrecision) {
  EXPECT_EQ(PercentComplete(40, 2), 95.0f);
  EXPECT_EQ(PercentComplete(40, 1), 97.5f);
  EXPECT_EQ(PercentComplete(3, 3), 0.0f);
  for (int64_t n : {3, 7, 49, 1000, 999983}) {
    for (int64_t b : {int64_t{1}, n / 2, n - 1}) {
      const float quotient = static_cast<float>(n - b) / static_cast<float>(n);
      const float product = quotient * 100.0f;
      const float lost = 100.0f - product;
      EXPECT_EQ(PercentComplete(n, b), 100.0f - lost) << n << " " << b;
    }
  }
}

// The whole run: forty entries of one piece each, except that the first piece covers the
// first entry and half of the second.
class PieceRunTest : public test::PieceFixture {
 protected:
  void AddForty(const std::vector<int>& damaged) {
    for (int i = 0; i < 40; ++i) {
      const int64_t length = i == 0 ? 2 : (i == 1 ? 6 : 4);
      const std::string bytes = test::RandomBytes(static_cast<size_t>(length), 100 + i);
      AddEntry(QString("f%1.bin").arg(i, 2, 10, QChar('0')), bytes);
      std::string on_disk = bytes;
      for (int at : damaged) {
        if (at / 10 == i) on_disk = Flipped(on_disk, at % 10);
      }
      test::WriteFile(Path(QString("f%1.bin").arg(i, 2, 10, QChar('0'))), on_disk);
    }
    SetPieceLength(4);
  }
  QStringList RunLines() {
    result_ = RunCheck(engine_, inputs_, window_);
    return test::ReadReportLines(inputs_.report_path);
  }
  QStringList Expected(const QStringList& piece_lines) {
    return test::ReportHeader() +
           QStringList{test::FileCheckSummary(40, 0, 40), "", "File integrity check:", "",
                       "Pieces: (40) - Piece size: (4)", ""} +
           piece_lines;
  }

  test::RecordingWindow window_;
  CheckResult result_;
};

TEST_F(PieceRunTest, TwoFailedPiecesSharingAFileGive95Percent) {
  AddForty({10, 15});  // f01 offsets 0 and 5: pieces 1 (f00, f01) and 2 (f01)
  EXPECT_EQ(Text(RunLines()), Text(Expected({FailedLine(1), Q("f00.bin"), Q("f01.bin"), "", FailedLine(2),
                                             Q("f01.bin"), "", BadLine(2, 40, "95.0%")})));
  EXPECT_EQ(result_.status_text, "Error. SHA1 hash check failed: Torrent is 95.0% complete.");
  EXPECT_EQ(window_.progress_maximum, 80);
  EXPECT_EQ(window_.progress_value, 80);
}

TEST_F(PieceRunTest, OneBadFileOfFortyGives97Point5Percent) {
  AddForty({392});
  EXPECT_EQ(Text(RunLines()), Text(Expected({FailedLine(40), Q("f39.bin"), "", BadLine(1, 40, "97.5%")})));
  EXPECT_EQ(result_.status_text, "Error. SHA1 hash check failed: Torrent is 97.5% complete.");
}

TEST_F(PieceRunTest, NoFailureWritesThePassedLineRightAfterTheHeading) {
  AddForty({});
  EXPECT_EQ(Text(RunLines()), Text(Expected({kPassed})));
  EXPECT_EQ(result_.status_text, "Torrent check was successful! No errors found.");
}

// Progress as another thread sees it.
class WatchedWindow : public test::RecordingWindow {
 public:
  void SetProgressValue(int64_t value) override { progress = value; }
  std::atomic<int64_t> progress{0};
};

// A sparse file reads as zeros without taking disk space.
std::string ZeroPieces(int64_t piece_length, int64_t count) {
  const std::string digest = test::Sha1(std::string(static_cast<size_t>(piece_length), '\0'));
  std::string pieces;
  for (int64_t i = 0; i < count; ++i) pieces += digest;
  return pieces;
}

TEST_F(PieceRunTest, CancelFromAnotherThreadWhileHashingEndsWithoutResult) {
  const int64_t size = int64_t{512} << 20, piece = int64_t{1} << 20;
  AddEntry("big.bin", "");
  engine_.model.TorrentFiles[0].Length = size;
  QFile file(Path("big.bin"));
  QDir().mkpath(dl_);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(size));
  file.close();
  engine_.model.PieceLength = piece;
  SetPieces(ZeroPieces(piece, size / piece));
  WatchedWindow window;
  std::thread canceller([&] {
    while (window.progress < 2) std::this_thread::yield();  // the first piece is out
    engine_.cancel_flag = 1;
  });
  const CheckResult result = RunCheck(engine_, inputs_, window);
  canceller.join();
  const QStringList lines = test::ReadReportLines(inputs_.report_path);
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines.mid(lines.size() - 3),
            QStringList({"Pieces: (512) - Piece size: (1048576)", "", "* Zandrel cancelled."}));
  EXPECT_EQ(result.status_text, "Cancelled.");
}

// A file cut short while it is being hashed (another program truncating it) must not end the
// process: what is still read passes, what is gone fails.
TEST_F(PieceVerifierTest, FileTruncatedWhileHashedFailsItsLostPieces) {
  const int64_t size = int64_t{64} << 20, piece = int64_t{64} << 10, kept = int64_t{1} << 20;
  AddEntry("big.bin", "");
  engine_.model.TorrentFiles[0].Length = size;
  engine_.model.PieceLength = piece;
  SetPieces(ZeroPieces(piece, size / piece));
  const PieceCheckTuning tunings[] = {{2, int64_t{4} << 20, 0}, {2, int64_t{4} << 20, int64_t{1} << 40}};
  for (const PieceCheckTuning& tuning : tunings) {
    QFile file(Path("big.bin"));
    QDir().mkpath(dl_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.resize(size));
    file.close();
    on_progress_ = [&](int64_t value) {
      if (value == 1 + 8) QFile::resize(Path("big.bin"), kept);
    };
    const StageOutcome out = Verify(tuning);
    // At most two units of 64 pieces per hashing thread exist while piece 8 is reported, so every
    // piece after the first 4 * 64 is read after the cut.
    const int64_t pieces = size / piece;
    ASSERT_EQ(out.result, StepResult::kDone);
    ASSERT_EQ(out.lines.last(), BadLine(1, 1, "0.0%"));
    QStringList tail;
    for (int64_t n = 4 * 64 + 1; n <= pieces; ++n) tail << FailedLine(static_cast<int>(n)) << Q("big.bin") << "";
    tail << BadLine(1, 1, "0.0%");
    EXPECT_EQ(Text(out.lines.mid(out.lines.size() - tail.size())), Text(tail));
    EXPECT_FALSE(out.lines.contains(FailedLine(kept / piece))) << "a piece the cut left whole failed";
  }
}

}  // namespace
}  // namespace zandrel
