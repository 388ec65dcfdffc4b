// --dry-run decides as a real run would and changes nothing: for every combination of the options
// that change files the tree stays byte-identical (bytes, links, permissions), and the report is the
// real run's report with each change marked as not done.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

const QStringList kChangingOptions = {"--delete-unneeded", "--delete-when-incomplete", "--trim-padded-files",
                                      "--delete-wrong-sized-files", "--fix-missing", "--no-backups", "--backup-dir"};

// Every kind of item a run may change: a padded, a smaller, a missing file with a same-sized file
// elsewhere in the download and another in the rebuild source, unneeded files and folders, an
// ignored file, a link leading out, and files with unusual permissions.
void MakeTree(const QString& root) {
  const QString dl = Join(root, "Set");
  const std::vector<test::TorrentFileItem> items = {
      {{"ok.bin"}, 16384, ""}, {{"padded.bin"}, 16384, ""}, {{"short.bin"}, 16384, ""},
      {{"gone.bin"}, 20000, ""}, {{"lost.bin"}, 30000, ""}, {{"sub", "deep.bin"}, 16384, ""}};
  std::string stream;
  std::map<std::string, std::string> bytes;
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string name = items[i].path.back();
    bytes[name] = test::RandomBytes(static_cast<size_t>(items[i].length), static_cast<uint32_t>(i + 7));
    stream += bytes[name];
  }
  WriteFile(Join(root, "Set.torrent"), test::BuildMultiFileTorrent("Set", items, 16384, test::PiecesFor(stream, 16384)));
  WriteFile(Join(dl, "ok.bin"), bytes["ok.bin"]);
  WriteFile(Join(dl, "padded.bin"), bytes["padded.bin"] + "padding");
  WriteFile(Join(dl, "short.bin"), bytes["short.bin"].substr(0, 100));
  WriteFile(Join(dl, "old/gone-renamed.bin"), bytes["gone.bin"]);
  WriteFile(Join(dl, "sub/deep.bin"), bytes["deep.bin"]);
  WriteFile(Join(root, "bk/lost-copy.bin"), bytes["lost.bin"]);
  WriteFile(Join(dl, "lost-copy.bin"), bytes["lost.bin"]);
  WriteFile(Join(dl, "stray.txt"), "stray");
  WriteFile(Join(dl, "junk/a.txt"), "a");
  WriteFile(Join(dl, "junk/inner/b.txt"), "b");
  QDir().mkpath(Join(dl, "empty"));
  WriteFile(Join(dl, "keep.txt"), "kept");
  WriteFile(Join(root, "outside.txt"), "outside");
  QFile::link("../outside.txt", Join(dl, "link.txt"));
  QFile::setPermissions(Join(dl, "ok.bin"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
  QFile::setPermissions(Join(dl, "stray.txt"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

QStringList OptionsFor(unsigned combination, const QString& root) {
  QStringList options = {"--hash-check", "--ignore", "keep.txt"};
  for (int bit = 0; bit < kChangingOptions.size(); ++bit) {
    if (!(combination & (1u << bit))) continue;
    options << kChangingOptions[bit];
    if (kChangingOptions[bit] == "--backup-dir") options << Join(root, "bk");
  }
  return options;
}

QStringList WithoutMarks(QStringList lines) {
  for (QString& line : lines) line.remove(" [dry run: not done]");
  return lines;
}

TEST(DryRun, ChangesNothingAndReportsWhatARealRunDoesForEveryCombination) {
  QTemporaryDir reports;
  for (unsigned combination = 0; combination < (1u << kChangingOptions.size()); ++combination) {
    QTemporaryDir root;
    MakeTree(root.path());
    const QStringList options = OptionsFor(combination, root.path());
    const std::string name = options.join(' ').toStdString();
    const QStringList args = {"check", Join(root.path(), "Set.torrent"), Join(root.path(), "Set"), "--report"};
    const QString dry_report = Join(reports.path(), "dry.log"), real_report = Join(reports.path(), "real.log");

    const test::Tree before = test::SnapshotTree(root.path());
    const test::CliRun dry = test::RunCli(args + QStringList{dry_report, "--dry-run"} + options);
    ASSERT_TRUE(dry.exit_code == 1 || dry.exit_code == 0) << name << dry.err.toStdString();
    ASSERT_EQ(test::TreeDiff(before, test::SnapshotTree(root.path())), "") << name;

    if (combination == (1u << kChangingOptions.size()) - 1) {
      // Everything on: a trim, a repair copy, and unneeded files and folders deleted.
      EXPECT_GE(test::ReadReportLines(dry_report).filter(" [dry run: not done]").size(), 6) << name;
    }
    const test::CliRun real = test::RunCli(args + QStringList{real_report} + options);
    EXPECT_EQ(WithoutMarks(test::ReadReportLines(dry_report)), test::ReadReportLines(real_report)) << name;
    EXPECT_EQ(WithoutMarks(dry.OutLines()).value(1), real.OutLines().value(1)) << name << ": the same final status";
  }
}

}  // namespace
}  // namespace zandrel
