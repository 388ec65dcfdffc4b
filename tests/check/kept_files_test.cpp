// Files a run must keep whatever it is asked to do: files it cannot read, names the reader shortens,
// files of another size standing where a repair would go, earlier backups, files linked from
// elsewhere, the neighbours of a single-file torrent, and a trim stopped between its steps.
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <functional>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "check/stages.h"
#include "platform/native_name.h"
#include "tests/check/unneeded_fixture.h"
#include "tests/support/bencode.h"
#include "torrent/torrent_reader.h"

namespace zandrel::test {
namespace {

constexpr uid_t kNobody = 65534;

// Runs the check in a child process; as root the child becomes an ordinary user first, so that
// permissions hold for it. Returns the child's exit status (0 when the run ended).
int RunInChild(const std::function<void()>& run, bool as_ordinary_user) {
  const pid_t child = fork();
  if (child == 0) {
    if (as_ordinary_user && geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(90);
    }
    run();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class KeptFilesTest : public StageFixture {
 protected:
  QStringList RunNow() { return RunWith(window_); }
  std::map<QString, std::string> Files() const { return ItemsBelow(dl_); }
  static bool HasLine(const QStringList& lines, const QString& line) { return lines.contains(line); }
  static int CountStarting(const QStringList& lines, const QString& start) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(start); }));
  }
  // An empty temporary folder and an empty torrent model.
  void Fresh() {
    QDir(root_.path()).removeRecursively();
    QDir().mkpath(root_.path());
    engine_.model = TorrentModel();
  }
  void LoadTorrent(const std::string& bytes) {
    const QString path = Join(root_.path(), "Show.torrent");
    WriteFile(path, bytes);
    Result<TorrentModel> read = ReadTorrent(path, messages_);
    ASSERT_TRUE(read.Ok());
    engine_.model = std::move(*read);
  }
};

// A file or folder the run cannot read is said to be so, with the system's reason, and is never
// called missing, trimmed, deleted, moved or repaired over, whatever the options.
TEST_F(KeptFilesTest, UnreadableFilesAndFoldersAreReportedAndKept) {
  const struct {
    const char* name;
    int hash_check, backups;
    bool dry_run;
  } cases[] = {{"plain", 0, 0, false}, {"hashed", 1, 0, false}, {"backups", 1, 1, false}, {"dry run", 1, 0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(dl_).removeRecursively();
    engine_.model = TorrentModel();
    AddEntry("ok.bin", 100, 100, 1);
    AddEntry("secret.bin", 100, 100, 2);
    AddEntry("padded.bin", 50, 80, 3);
    AddEntry("locked/in.bin", 100, 100, 4);
    WriteFile(Path("closed/extra.txt"), "someone else's");
    WriteFile(Path("stray.bin"), RandomBytes(100, 5));  // a size that would fit secret.bin
    engine_.model.PieceLength = 64;
    const std::string stream = ReadFile(Path("ok.bin")) + ReadFile(Path("secret.bin")) +
                               ReadFile(Path("padded.bin")).substr(0, 50) + ReadFile(Path("locked/in.bin"));
    const std::string pieces = PiecesFor(stream, 64);
    engine_.model.PieceHashes.assign(pieces.size() / 20, {});
    for (size_t i = 0; i < engine_.model.PieceHashes.size(); ++i) {
      std::memcpy(engine_.model.PieceHashes[i].data(), pieces.data() + i * 20, 20);
    }
    engine_.model.PiecesSize = static_cast<int64_t>(pieces.size());
    inputs_.options = EveryFixOption(dl_, dl_);
    inputs_.options.HashCheck = c.hash_check;
    inputs_.options.CreateBackups = c.backups;
    inputs_.dry_run = c.dry_run;
    const auto before = Files();
    chmod(QFile::encodeName(root_.path()).constData(), 0777);
    chmod(QFile::encodeName(dl_).constData(), 0777);
    for (const char* closed : {"secret.bin", "padded.bin", "locked", "closed"}) {
      chmod(QFile::encodeName(Path(closed)).constData(), 0);
    }
    QFile::remove(inputs_.report_path);
    ASSERT_EQ(RunInChild([&] { RunCheck(engine_, inputs_, window_); }, true), 0);
    for (const char* closed : {"secret.bin", "padded.bin", "locked", "closed"}) {
      chmod(QFile::encodeName(Path(closed)).constData(), 0755);
    }
    const QStringList lines = ReadReportLines(inputs_.report_path);
    const QString denied = " (Permission denied)";
    for (const char* file : {"secret.bin", "padded.bin", "locked/in.bin"}) {
      EXPECT_TRUE(HasLine(lines, "File could not be read: " + Q(file) + denied)) << file;
    }
    EXPECT_TRUE(HasLine(lines, "Directory could not be read: " + Quote(Path("closed/")) + denied));
    EXPECT_EQ(CountStarting(lines, "File not found"), 0);
    EXPECT_EQ(CountStarting(lines, "Fixed missing file"), 0);
    // The failed pieces say so too.
    if (c.hash_check) {
      EXPECT_GE(CountStarting(lines, "File could not be read: " + Q("secret.bin")), 2);
    }
    // Nothing of the torrent was touched; only the stray file may have gone, as unneeded.
    auto after = Files();
    auto expected = before;
    if (!c.dry_run && !after.count("stray.bin")) expected.erase("stray.bin");
    std::erase_if(after, [](const auto& item) { return item.first.startsWith("[ZandrelBackup]"); });
    EXPECT_EQ(after, expected);
    EXPECT_NE(lines.back(), "Torrent check was successful! No errors found.");
    EXPECT_TRUE(HasLine(lines, FileCheckSummary(1, 0, 4))) << lines.join('\n').toStdString();
  }
}

// The reader cuts a 253-byte name to 240 bytes and cleans control characters, direction marks and
// bytes that are not UTF-8; a client that kept the name as the torrent writes it put the file
// there. That file is the entry: found, trimmed (its temporary names stay within 255 bytes), and
// never unneeded.
TEST_F(KeptFilesTest, NamesAsTheTorrentWritesThem) {
  std::string cjk;
  for (int i = 0; i < 84; ++i) cjk += "\xE6\x97\xA5";  // 252 bytes
  cjk += "x";                                       // 253
  const struct {
    const char* name;
    std::string component;
    int64_t length, on_disk;
  } cases[] = {
      {"long CJK name, right size", cjk, 1000, 1000},
      {"long CJK name, padded", cjk, 1000, 1500},
      {"control character", "a\x01" "b.bin", 10, 10},
      {"right-to-left mark", "x\xE2\x80\x8F" "gpj.exe", 10, 30},
      {"invalid UTF-8", "caf\xE9.txt", 10, 10},
  };
  // The names' own bytes, whatever they are.
  const auto write = [](const QString& path, const std::string& bytes) {
    std::FILE* file = std::fopen(EncodeName(path).constData(), "wb");
    if (file) std::fwrite(bytes.data(), 1, bytes.size(), file), std::fclose(file);
  };
  const auto read = [](const QString& path) {
    std::string bytes(4096, '\0');
    std::FILE* file = std::fopen(EncodeName(path).constData(), "rb");
    bytes.resize(file ? std::fread(bytes.data(), 1, bytes.size(), file) : 0);
    if (file) std::fclose(file);
    return bytes;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(dl_).removeRecursively();
    const std::string bytes = RandomBytes(static_cast<size_t>(c.on_disk), 7);
    LoadTorrent(BuildMultiFileTorrent("Show", {{{"sub", c.component}, c.length, ""}}, 16384,
                                      PiecesFor(RandomBytes(static_cast<size_t>(c.length), 7), 16384)));
    ASSERT_EQ(engine_.model.TorrentFiles.size(), 1u);
    const QString written = DecodeName(QByteArray::fromStdString(c.component));
    ASSERT_NE(engine_.model.TorrentFiles[0].Name, written);
    ASSERT_EQ(engine_.model.TorrentFiles[0].AsWritten, "sub/" + written);
    QDir().mkpath(Path("sub"));
    write(Path("sub/" + written), bytes);
    inputs_.options = EveryFixOption(dl_, dl_);
    inputs_.options.CreateBackups = 0;
    const QStringList lines = RunNow();
    const QString shown = Q("sub/" + written);
    if (c.length == c.on_disk) {
      EXPECT_EQ(result_.status_text, "Torrent check was successful! No errors found.");
    } else {
      EXPECT_TRUE(HasLine(lines, "(Fixed) Wrong file size: " + shown + " wrong: " + QString::number(c.on_disk) +
                                     " right: " + QString::number(c.length)))
          << lines.join('\n').toStdString();
      EXPECT_EQ(result_.status_text, "File(s) were trimmed successfully. See report.");
    }
    EXPECT_EQ(read(Path("sub/" + written)), bytes.substr(0, static_cast<size_t>(c.length)));
    EXPECT_EQ(ListDirectory(Path("sub")).value_or(std::vector<DirEntry>()).size(), 1u) << "no temporary copy is left";
    EXPECT_EQ(CountStarting(lines, "Deleted unneeded"), 0);
  }
}

// Only a repair that keeps the old file's bytes may take its place: with backups off a file of
// another size standing there stays, the candidate stays where it was, and the line says why.
TEST_F(KeptFilesTest, RepairNeverRemovesAFileTheOptionsKeep) {
  for (int backups : {0, 1}) {
    SCOPED_TRACE(backups);
    Fresh();
    const std::string padded = AddEntry("a.bin", 100, 150, 1);
    const std::string other = RandomBytes(100, 2);
    WriteFile(Path("elsewhere/other.bin"), other);
    inputs_.options = EveryFixOption(dl_, dl_);
    inputs_.options.TrimPaddedFiles = 0;
    inputs_.options.CheckUnneededFiles = 0;
    inputs_.options.CreateBackups = backups;
    const QStringList lines = RunNow();
    if (backups == 0) {
      EXPECT_TRUE(HasLine(lines, "Unable to fix missing file: " + Q("elsewhere/other.bin") + " to destination: " + Q("a.bin")));
      EXPECT_TRUE(HasLine(lines, "A file of another size stands at " + Q("a.bin") +
                                     ": it is kept, and the missing file was not fixed."));
      EXPECT_EQ(ReadFile(Path("a.bin")), padded);
      EXPECT_EQ(ReadFile(Path("elsewhere/other.bin")), other);
      EXPECT_EQ(result_.status_text, "Error. Torrent check unsuccessful. See report.");
    } else {
      EXPECT_EQ(ReadFile(Path("a.bin")), other);
      EXPECT_EQ(ReadFile(Path("[ZandrelBackup]/Show/a.bin")), padded);
      EXPECT_EQ(result_.status_text, "Fixed/rebuilt some missing files. Please re-check with SHA-1 integrity check.");
    }
  }
}

// A new backup takes a free name beside an older one; the older one keeps every byte.
TEST_F(KeptFilesTest, ABackupNeverReplacesAnother) {
  const QString backup = UseBackupFolder();
  const struct {
    const char* name;
    QStringList taken;  // backup names already there
    QString expected;   // where the new backup goes
  } cases[] = {
      {"free", {}, "a.bin"},
      {"taken once", {"a.bin"}, "a_2.bin"},
      {"taken twice", {"a.bin", "a_2.bin"}, "a_3.bin"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    const std::string padded = AddEntry("a.bin", 10, 20, 1);
    const std::string stray = RandomBytes(5, 3);
    WriteFile(Path("stray.txt"), stray);
    FileMap older = {{"stray.txt", "an older stray"}};
    for (const QString& name : c.taken) older[name] = RandomBytes(7, name.size());
    WriteFiles(backup, older);
    inputs_.options = EveryFixOption(dl_, Join(root_.path(), "bk"));
    RunNow();
    ExpectFiles(backup, older);
    EXPECT_EQ(ReadFile(backup + c.expected), padded);
    EXPECT_EQ(ReadFile(backup + "stray_2.txt"), stray);
    EXPECT_EQ(result_.status_text, "File(s) were trimmed successfully. See report.");
  }
}

// Trimming or backing up a file never changes the mode of the file or of its other names: a file
// hard-linked from outside the download is copied, and the backup and the trimmed file keep the
// original's mode.
TEST_F(KeptFilesTest, ModesStayAsTheyWere) {
  const struct {
    const char* name;
    int backups;
    bool linked;
  } cases[] = {{"linked, backups off", 0, true}, {"linked, backups on", 1, true}, {"read-only, backups on", 1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    const std::string padded = AddEntry("a.bin", 10, 20, 1);
    const QString outside = Join(root_.path(), "outside.bin");
    if (c.linked) {
      ASSERT_EQ(link(QFile::encodeName(Path("a.bin")).constData(), QFile::encodeName(outside).constData()), 0);
    }
    chmod(QFile::encodeName(Path("a.bin")).constData(), 0444);
    inputs_.options = EveryFixOption(dl_, Join(root_.path(), "bk"));
    inputs_.options.CreateBackups = c.backups;
    RunNow();
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(Path("a.bin")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(ReadFile(Path("a.bin")), padded.substr(0, 10));
    if (c.linked) {
      ASSERT_EQ(stat(QFile::encodeName(outside).constData(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0444u);
      EXPECT_EQ(ReadFile(outside), padded);
    }
    if (c.backups) {
      const QString kept = Join(root_.path(), "bk/[ZandrelBackup]/Show/a.bin");
      ASSERT_EQ(stat(QFile::encodeName(kept).constData(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0444u);
      EXPECT_EQ(ReadFile(kept), padded);
    }
    EXPECT_EQ(result_.status_text, "File(s) were trimmed successfully. See report.");
  }
}

// A single-file torrent's folder holds other downloads: they are listed, never deleted or moved,
// and one line says why.
TEST_F(KeptFilesTest, SingleFileTorrentNeighboursAreOnlyListed) {
  const struct {
    int backups;
    bool dry_run;
  } cases[] = {{1, false}, {0, false}, {0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "backups " << c.backups << ", dry run " << c.dry_run);
    QDir(dl_).removeRecursively();
    WriteFile(Path("movie.mkv"), RandomBytes(50, 1));
    WriteFile(Path("other download/part1.rar"), RandomBytes(30, 2));
    WriteFile(Path("notes.txt"), "mine");
    LoadTorrent(BuildSingleFileTorrent("movie.mkv", 50, 16384, std::string(20, '\0')));
    ASSERT_TRUE(engine_.model.SingleFile);
    inputs_.options = EveryFixOption(dl_, dl_);
    inputs_.options.CreateBackups = c.backups;
    inputs_.dry_run = c.dry_run;
    const auto before = Files();
    const QStringList lines = RunNow();
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(CountStarting(lines, "Unneeded items are only listed: the folder of a single-file torrent"), 1);
    EXPECT_TRUE(HasLine(lines, "Unneeded file: " + Q("notes.txt")));
    EXPECT_TRUE(HasLine(lines, "Unneeded directory: " + Quote(Path("other download/"))));
    EXPECT_TRUE(HasLine(lines, UnneededSummary(2, 1, 0, 0)));
    EXPECT_EQ(result_.status_text, "Torrent check was successful! No errors found.");
  }
  inputs_.dry_run = false;
}

// A trim stopped after any of its steps (the process killed there) never leaves the torrent's
// file without its bytes under its own name or in the backup folder; a cleanup run afterwards
// (unneeded deletion, backups off) loses none of them either.
TEST_F(KeptFilesTest, ATrimKilledBetweenItsStepsLosesNothing) {
  for (const int backups : {0, 1}) {
    for (int step = 1;; ++step) {
      SCOPED_TRACE("backups " + std::to_string(backups) + ", killed before change " + std::to_string(step));
      QDir(root_.path()).removeRecursively();
      QDir().mkpath(root_.path());
      engine_.model = TorrentModel();
      const std::string padded = AddEntry("a.bin", 100, 300, 9);
      const std::string needed = padded.substr(0, 100);
      inputs_.options = EveryFixOption(dl_, Join(root_.path(), "bk"));
      inputs_.options.CreateBackups = backups;
      int changes = 0;
      inputs_.before_each_change = [&] {
        if (++changes == step) _exit(77);
      };
      const int exit_code = RunInChild([&] { RunCheck(engine_, inputs_, window_); }, false);
      inputs_.before_each_change = nullptr;
      const std::string kept = ReadFile(Path("a.bin"));
      const std::string backup = ReadFile(Join(root_.path(), "bk/[ZandrelBackup]/Show/a.bin"));
      EXPECT_TRUE(kept == padded || kept == needed || backup == padded) << "after the kill";
      // The cleanup run: no trimming, unneeded deletion with backups off.
      inputs_.options.TrimPaddedFiles = 0;
      inputs_.options.FixMissing = 1;
      inputs_.options.CreateBackups = 0;
      RunNow();
      const std::string now = ReadFile(Path("a.bin"));
      EXPECT_TRUE(now == padded || now == needed) << "after the cleanup run";
      if (exit_code == 0) break;
      ASSERT_EQ(exit_code, 77);
      ASSERT_LT(step, 50);
    }
  }
}

}  // namespace
}  // namespace zandrel::test
