// Files and folders that refuse every change (chattr +i), a download folder that vanishes while a
// run is under way, and files that grow and shrink while they are hashed.
#include <QDir>
#include <QFile>
#include <QProcess>

#include <atomic>
#include <thread>

#include "platform/file_system.h"
#include "tests/hardening/fault_fixture.h"
#include "tests/support/bencode.h"

namespace zandrel {
namespace {

using test::ImmutableGuard;
using test::RandomBytes;
using test::ReadFile;
using test::WriteFile;

constexpr char kNoChattr[] = "chattr +i is not available here (needs root and a file system that supports it)";

class ImmutableTest : public test::FaultFixture {
 protected:
  // locked/ is an immutable folder holding a padded file and an unneeded one; frozen.bin is an
  // immutable padded file; locked/m.bin is missing and spare.bin has its size; plain.bin is a
  // padded file nothing protects. Only what must survive every variant is kept as an original.
  void Fill(bool keep_expendables) {
    Put("locked/w.bin", 100, 1);
    Put("locked/junk.bin", 33, 2);
    Put("frozen.bin", 80, 3);
    const std::string spare = RandomBytes(40, 4), plain = RandomBytes(30, 5);
    if (keep_expendables) {
      PutBytes("spare.bin", spare);
      PutBytes("plain.bin", plain);
    } else {
      WriteFile(Dl("spare.bin"), spare);
      WriteFile(Dl("plain.bin"), plain);
    }
    AddEntry("locked/w.bin", 60);
    AddEntry("frozen.bin", 50);
    AddEntry("plain.bin", 20);
    AddEntry("locked/m.bin", 40);
  }
  bool Lock() {
    locks_.push_back(std::make_unique<ImmutableGuard>(Dl("locked")));
    locks_.push_back(std::make_unique<ImmutableGuard>(Dl("frozen.bin")));
    return locks_[0]->available() && locks_[1]->available();
  }
  // Runs with the locks in place and releases them; then each protected file's line says it could
  // not be fixed, and the missing file could not be put into the locked folder.
  QStringList RunLocked() {
    const QStringList lines = Run();
    locks_.clear();
    ExpectLockedLines(lines);
    return lines;
  }
  void ExpectLockedLines(const QStringList& lines) const {
    for (const QString& line :
         {"Wrong file size: " + Q("locked/w.bin") + " wrong: 100 right: 60 (Unable to fix)",
          "Wrong file size: " + Q("frozen.bin") + " wrong: 80 right: 50 (Unable to fix)",
          "Unable to fix missing file: " + Q("spare.bin") + " to destination: " + Q("locked/m.bin")}) {
      EXPECT_TRUE(lines.contains(line)) << line.toStdString() << "\n---\n" << Text(lines);
    }
    EXPECT_EQ(ReadFile(Dl("locked/w.bin")), originals_.at("locked/w.bin"));
    EXPECT_EQ(ReadFile(Dl("locked/junk.bin")), originals_.at("locked/junk.bin"));
    EXPECT_EQ(ReadFile(Dl("frozen.bin")), originals_.at("frozen.bin"));
    EXPECT_FALSE(PathEntryExists(Dl("locked/m.bin")));
  }

  std::vector<std::unique_ptr<ImmutableGuard>> locks_;  // released before the folders are removed
};

TEST_F(ImmutableTest, WithBackups) {
  Fill(true);
  if (!Lock()) GTEST_SKIP() << kNoChattr;
  const QStringList lines = RunLocked();
  EXPECT_TRUE(lines.contains("Unable to move old file: " + Q("frozen.bin"))) << Text(lines);
  EXPECT_TRUE(lines.contains("Unable to move file: " + Q("locked/junk.bin"))) << Text(lines);
  EXPECT_TRUE(lines.contains("(Fixed) Wrong file size: " + Q("plain.bin") + " wrong: 30 right: 20")) << Text(lines);
  ExpectNoByteLost();
  ExpectNeighboursUntouched();
}

TEST_F(ImmutableTest, WithoutBackups) {
  options_.CreateBackups = 0;
  Fill(false);
  if (!Lock()) GTEST_SKIP() << kNoChattr;
  const QStringList lines = RunLocked();
  EXPECT_TRUE(lines.contains("Unable to delete file: " + Q("locked/junk.bin"))) << Text(lines);
  ExpectNoByteLost();
  ExpectNeighboursUntouched();
}

// The backup folder itself refuses new entries: nothing can be backed up, so nothing is replaced,
// trimmed or removed.
TEST_F(ImmutableTest, ImmutableBackupFolder) {
  Fill(true);
  QDir().mkpath(bk_ + "/[ZandrelBackup]/dl");
  ImmutableGuard backup_lock(bk_ + "/[ZandrelBackup]/dl");
  if (!Lock() || !backup_lock.available()) GTEST_SKIP() << kNoChattr;
  const QStringList lines = RunLocked();
  EXPECT_TRUE(lines.contains("Wrong file size: " + Q("plain.bin") + " wrong: 30 right: 20 (Unable to fix)"))
      << Text(lines);
  EXPECT_TRUE(lines.contains("Unable to move old file: " + Q("plain.bin"))) << Text(lines);
  EXPECT_FALSE(PathEntryExists(Dl("plain.bin.tmp"))) << "no copy of ours is left to pass for an unneeded file";
  for (const char* name : {"spare.bin", "locked/junk.bin"}) {
    EXPECT_TRUE(lines.contains("Unable to move file: " + Q(name))) << name << "\n" << Text(lines);
  }
  EXPECT_EQ(ReadFile(Dl("plain.bin")), originals_.at("plain.bin"));
  ExpectNoByteLost();
  ExpectNeighboursUntouched();
}

// The download folder is moved away at the start of each stage in turn (and after the first
// entry of the file check). The run still ends normally, with the stage's lines, and every file is
// intact in the moved folder or in the backup folder.
class VanishingDownloadTest : public test::FaultFixture,
                              public ::testing::WithParamInterface<std::pair<const char*, RunStage>> {};

TEST_P(VanishingDownloadTest, RunEndsAndLosesNothing) {
  const std::string e1 = Put("e1.bin", 3000, 11);
  const std::string e2 = Put("sub/e2.bin", 2500, 12);
  const std::string m = Put("renamed.bin", 1000, 13);
  Put("junk.txt", 10, 14);
  AddEntry("e1.bin", 3000);
  AddEntry("sub/e2.bin", 2000);
  AddEntry("m.bin", 1000);
  engine_.model.PieceLength = 1024;
  const std::string pieces = test::PiecesFor(e1 + e2.substr(0, 2000) + m, 1024);
  engine_.model.PiecesSize = static_cast<int64_t>(pieces.size());
  for (size_t at = 0; at < pieces.size(); at += 20) {
    Sha1Digest digest;
    std::copy_n(pieces.begin() + static_cast<std::ptrdiff_t>(at), 20, digest.begin());
    engine_.model.PieceHashes.push_back(digest);
  }
  options_.HashCheck = 1;
  const QString moved = root_.path() + "/moved";
  const RunStage stage = GetParam().second;
  bool done = false;
  auto vanish = [&] {
    if (!done) done = QDir().rename(dl_, moved);
  };
  test::HookWindow window;
  window.on_stage = [&](RunStage now) {
    if (now == stage && stage != RunStage::kFileCheck) vanish();
  };
  window.on_progress = [&](int64_t value) {
    if (stage == RunStage::kFileCheck && value == 1) vanish();
  };
  const QStringList lines = Run(window);
  ASSERT_TRUE(done);
  EXPECT_FALSE(result_.counters.Cancelled);
  EXPECT_TRUE(lines.last().startsWith("Unneeded files: (")) << Text(lines);
  switch (stage) {
    case RunStage::kFileCheck: EXPECT_TRUE(lines.contains("File not found: " + Q("sub/e2.bin"))) << Text(lines); break;
    case RunStage::kHashCheck:
      EXPECT_TRUE(lines.contains("Potentially bad files: (3/3) - torrent is 0.0% complete.")) << Text(lines);
      break;
    case RunStage::kRepair: EXPECT_TRUE(lines.contains("Fixed missing files: (0/2)")) << Text(lines); break;
    default:
      EXPECT_EQ(lines.last(),
                "Unneeded files: (0) - Unneeded directories: (0) - Successfully deleted files: (0/0) - "
                "Successfully deleted directories: (0/0)");
  }
  ExpectNoByteLost({moved});
  EXPECT_EQ(
      test::TreeDiff(neighbours_before_, test::Snapshot(root_.path(), {dl_, moved, bk_ + "/[ZandrelBackup]", report_})),
      "");
}

INSTANTIATE_TEST_SUITE_P(AtEachStage, VanishingDownloadTest,
                         ::testing::Values(std::make_pair("FileCheck", RunStage::kFileCheck),
                                           std::make_pair("HashCheck", RunStage::kHashCheck),
                                           std::make_pair("Repair", RunStage::kRepair),
                                           std::make_pair("Unneeded", RunStage::kUnneeded)),
                         [](const auto& info) { return std::string(info.param.first); });

// Big files that a second thread truncates, regrows and rewrites for as long as the check runs:
// the hashing reads mapped pages that vanish under it (a bus error), and sizes change between the
// file check and the reading. The run, in process and as zandrel-cli, must end normally.
class ChangingFilesTest : public test::FaultFixture {
 protected:
  static constexpr int kFiles = 3;
  static constexpr int64_t kSize = int64_t{24} << 20;

  ChangingFilesTest() {
    const std::string block = RandomBytes(1 << 20, 21);
    std::string stream;
    for (int i = 0; i < kFiles; ++i) {
      std::string bytes;
      for (int64_t at = 0; at < kSize; at += block.size()) bytes += block;
      bytes[static_cast<size_t>(i)] = static_cast<char>('a' + i);
      WriteFile(Dl(Name(i)), bytes);
      AddEntry(Name(i), kSize);
      stream += bytes;
    }
    const std::string pieces = test::PiecesFor(stream, 1 << 20);
    WriteFile(torrent_, test::BuildMultiFileTorrent("dl", DownloadFiles(), 1 << 20, pieces));
    engine_.model.PieceLength = 1 << 20;
    engine_.model.PiecesSize = static_cast<int64_t>(pieces.size());
    engine_.model.PieceHashes.resize(pieces.size() / 20);
    for (size_t i = 0; i < engine_.model.PieceHashes.size(); ++i) {
      std::copy_n(pieces.begin() + static_cast<std::ptrdiff_t>(i * 20), 20, engine_.model.PieceHashes[i].begin());
    }
    options_.HashCheck = 1;
    options_.DelUnneededFiles = 0;
    options_.TrimPaddedFiles = 0;
    options_.FixMissing = 0;
  }
  static QString Name(int i) { return QString("big%1.bin").arg(i); }
  static std::vector<test::TorrentFileItem> DownloadFiles() {
    std::vector<test::TorrentFileItem> specs;
    for (int i = 0; i < kFiles; ++i) specs.push_back({{Name(i).toStdString()}, kSize, ""});
    return specs;
  }

  // Shrinks, regrows and rewrites the files until stop is set.
  void Mutate(const std::atomic<bool>& stop) {
    const std::string tail = RandomBytes(1 << 16, 22);
    for (int round = 0; !stop.load(); ++round) {
      QFile file(Dl(Name(round % kFiles)));
      if (!file.open(QIODevice::ReadWrite)) continue;
      file.resize(kSize / (2 + round % 5));     // shrink under the reader
      file.resize(kSize + (round % 3) * 4096);  // regrow with zeros, sometimes longer than before
      file.seek(kSize / 3);
      file.write(tail.data(), static_cast<qint64>(tail.size()));
      std::this_thread::yield();
    }
  }

  QString torrent_ = root_.path() + "/dl.torrent";
};

TEST_F(ChangingFilesTest, InProcessRunEndsNormally) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::atomic<bool> stop{false};
    std::thread mutator([&] { Mutate(stop); });
    const QStringList lines = Run();
    stop = true;
    mutator.join();
    EXPECT_FALSE(result_.counters.Cancelled);
    EXPECT_TRUE(lines.contains("File integrity check:")) << Text(lines);
    const bool verdict = lines.contains("File integrity check passed - all files are OK.") ||
                         std::any_of(lines.begin(), lines.end(),
                                     [](const QString& line) { return line.startsWith("Potentially bad files: ("); });
    EXPECT_TRUE(verdict) << Text(lines);
  }
}

TEST_F(ChangingFilesTest, CommandLineRunEndsNormally) {
  std::atomic<bool> stop{false};
  std::thread mutator([&] { Mutate(stop); });
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", root_.path() + "/config");
  cli.setProcessEnvironment(env);
  cli.start(ZANDREL_CLI_PATH, {"check", torrent_, dl_, "--quiet", "--hash-check", "--report", report_});
  const bool finished = cli.waitForFinished(120000);
  stop = true;
  mutator.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
  // Changed files make an unsuccessful check; an untouched round may pass.
  EXPECT_TRUE(cli.exitCode() == 0 || cli.exitCode() == 1) << cli.exitCode();
  EXPECT_TRUE(test::ReadReportLines(report_).contains("File integrity check:"));
}

}  // namespace
}  // namespace zandrel
