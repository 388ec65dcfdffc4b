#include "tests/hardening/hostile_run.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <map>
#include <set>

#include "check/engine_state.h"
#include "platform/file_system.h"
#include "tests/support/test_files.h"
#include "torrent/torrent_reader.h"

namespace zandrel::test {
namespace {

// Entries longer than this get no file: the suite must stay small and fast.
constexpr int64_t kMaxWrittenLength = 1 << 20;
// Only the first entries of a torrent get files.
constexpr size_t kMaxPopulatedEntries = 64;

QString Portable(const TorrentFileEntry& entry) { return entry.RelativePath().replace(QChar(kSeparator), u'/'); }

QString BackupDirFor(const Sandbox& sandbox, BackupPlace place) {
  switch (place) {
    case BackupPlace::kDownload: return sandbox.Download();
    case BackupPlace::kInsideSandbox: return sandbox.InsideBackup();
    case BackupPlace::kOutsideSandbox: return sandbox.OutsideBackup();
  }
  return {};
}

RunOptions OptionsFor(const Sandbox& sandbox, const RunVariant& variant) {
  RunOptions options = EveryFixOption(sandbox.Download(), BackupDirFor(sandbox, variant.place));
  options.HashCheck = 1;
  options.TrimPaddedFiles = variant.wrong_size == WrongSize::kTrim ? 1 : 0;
  options.DeleteWrongSizedFiles = variant.wrong_size == WrongSize::kDelete ? 1 : 0;
  options.CreateBackups = variant.backups;
  return options;
}

// Where a run may leave the download folder's files: the folder itself and every backup folder.
std::multiset<std::string> KeptContents(const Sandbox& sandbox) {
  std::multiset<std::string> kept;
  for (const QString& dir : {sandbox.Download(), sandbox.InsideBackup() + "/[ZandrelBackup]",
                             sandbox.OutsideBackup() + "/[ZandrelBackup]"}) {
    for (auto& [path, bytes] : FileContents(dir)) kept.insert(std::move(bytes));
  }
  return kept;
}

// Every file of the download folder before the run is still somewhere after it.
void ExpectNothingLost(const std::map<QString, std::string>& before, const Sandbox& sandbox, const std::string& label) {
  std::multiset<std::string> kept = KeptContents(sandbox);
  for (const auto& [path, bytes] : before) {
    const auto it = kept.find(bytes);
    EXPECT_NE(it, kept.end()) << label << ": the bytes of " << path.toStdString() << " are gone";
    if (it != kept.end()) kept.erase(it);
  }
}

void ExpectContained(const TreeState& before, const Sandbox& sandbox, const std::string& label) {
  EXPECT_EQ(TreeDiff(before, sandbox.Outside()), "") << label << ": something outside the download folder changed";
  EXPECT_EQ(sandbox.StrayBackupItems(), QStringList()) << label;
}

}  // namespace

std::vector<RunVariant> AllVariants() {
  std::vector<RunVariant> variants;
  for (WrongSize wrong_size : {WrongSize::kTrim, WrongSize::kDelete}) {
    for (int backups : {1, 0}) {
      for (BackupPlace place : {BackupPlace::kDownload, BackupPlace::kInsideSandbox, BackupPlace::kOutsideSandbox}) {
        variants.push_back({wrong_size, backups, place});
      }
    }
  }
  return variants;
}

std::string Describe(const RunVariant& variant) {
  static const char* const kPlaces[] = {"backup dir = download", "backup dir in sandbox", "backup dir outside"};
  return std::string(variant.wrong_size == WrongSize::kTrim ? "trim" : "delete wrong-sized") +
         (variant.backups ? ", backups, " : ", no backups, ") + kPlaces[static_cast<int>(variant.place)];
}

Result<TorrentModel> ReadTorrentBytes(const std::string& bytes) {
  QTemporaryDir dir(FastTempTemplate());
  const QString path = dir.path() + "/t.torrent";
  WriteFile(path, bytes);
  MessageTable messages(dir.path());
  return ReadTorrent(path, messages);
}

void PopulateForModel(const Sandbox& sandbox, const TorrentModel& model) {
  const size_t count = std::min(model.TorrentFiles.size(), kMaxPopulatedEntries);
  for (size_t i = 0; i < count; ++i) {
    const TorrentFileEntry& entry = model.TorrentFiles[i];
    if (entry.Length > kMaxWrittenLength) continue;
    const size_t length = static_cast<size_t>(entry.Length);
    const uint32_t seed = static_cast<uint32_t>(1000 + i);
    const QString name = QString::number(i) + ".bin";
    switch (i % 4) {
      case 0: WriteBelow(sandbox.Download(), Portable(entry), RandomBytes(length + 5, seed)); break;
      case 1: WriteBelow(sandbox.Download(), Portable(entry), RandomBytes(length / 2, seed)); break;
      case 2: WriteBelow(sandbox.Download(), "spare/" + name, RandomBytes(length, seed)); break;
      default:
        WriteBelow(sandbox.InsideBackup(), "src/" + name, RandomBytes(length, seed));
        WriteBelow(sandbox.OutsideBackup(), "src/" + name, RandomBytes(length, seed));
    }
  }
}

void RunAndExpectContained(const TorrentModel& model, const RunVariant& variant, const std::string& label) {
  Sandbox sandbox;
  ASSERT_TRUE(sandbox.valid());
  PopulateForModel(sandbox, model);
  const TreeState before = sandbox.Outside();
  const auto download_before = FileContents(sandbox.Download());

  MessageTable messages(sandbox.Root() + "/lang");
  EngineState engine(messages);
  engine.model = model;
  CheckInputs inputs;
  inputs.torrent_path = sandbox.Root() + "/hostile.torrent";
  inputs.download_dir = sandbox.Download();
  inputs.options = OptionsFor(sandbox, variant);
  inputs.report_path = sandbox.Report();
  inputs.version = "1.0";
  NullWindow window;
  const CheckResult result = RunCheck(engine, inputs, window);

  const std::string where = label + " [" + Describe(variant) + "]";
  EXPECT_TRUE(result.report_written) << where;
  EXPECT_FALSE(result.counters.Cancelled) << where;
  ExpectContained(before, sandbox, where);
  if (variant.backups == 1 && variant.wrong_size == WrongSize::kDelete)
    ExpectNothingLost(download_before, sandbox, where);
}

int RunCliAndExpectContained(const QString& torrent_path, const TorrentModel* model, const RunVariant& variant,
                             const std::string& label) {
  Sandbox sandbox;
  EXPECT_TRUE(sandbox.valid());
  if (model != nullptr) PopulateForModel(sandbox, *model);
  const TreeState before = sandbox.Outside();
  const TreeState download_before = Snapshot(sandbox.Download());
  QTemporaryDir home;

  const RunOptions options = OptionsFor(sandbox, variant);
  QStringList args = {"check",
                      torrent_path,
                      sandbox.Download(),
                      "--quiet",
                      "--hash-check",
                      "--delete-unneeded",
                      "--delete-when-incomplete",
                      "--fix-missing",
                      "--backup-dir",
                      options.BackupDir,
                      "--report",
                      sandbox.Report()};
  args << (variant.wrong_size == WrongSize::kTrim ? "--trim-padded-files" : "--delete-wrong-sized-files");
  if (!variant.backups) args << "--no-backups";
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", home.path() + "/config");
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(home.path());
  process.start(ZANDREL_CLI_PATH, args);
  const bool finished = process.waitForFinished(120000);
  const std::string where = label + " [zandrel-cli, " + Describe(variant) + "]";
  EXPECT_TRUE(finished) << where;
  const int exit_code = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  ExpectContained(before, sandbox, where);
  // A torrent that cannot be read ends the command before anything is touched.
  if (model == nullptr) {
    EXPECT_EQ(TreeDiff(download_before, Snapshot(sandbox.Download())), "") << where;
  }
  return exit_code;
}

}  // namespace zandrel::test
