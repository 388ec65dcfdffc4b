// Check runs over a sandboxed download folder with every deleting, trimming and repair option on,
// for torrents crafted to lead the engine out of the download folder.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>

#include <string>
#include <vector>

#include "check/check_run.h"
#include "messages/message_table.h"
#include "platform/result.h"
#include "tests/hardening/sandbox.h"
#include "torrent/torrent_model.h"

namespace zandrel::test {

enum class WrongSize { kTrim, kDelete };
enum class BackupPlace { kDownload, kInsideSandbox, kOutsideSandbox };

struct RunVariant {
  WrongSize wrong_size = WrongSize::kTrim;
  int backups = 1;
  BackupPlace place = BackupPlace::kDownload;
};

// All twelve combinations.
std::vector<RunVariant> AllVariants();
std::string Describe(const RunVariant& variant);

// The read of a torrent's bytes, as the program reads it (through a real file).
Result<TorrentModel> ReadTorrentBytes(const std::string& bytes);

// Fills the download folder from the model so that every stage has work: per entry, in turn, a
// longer file (trimmed or deleted), a shorter one, a missing one with a same-sized spare elsewhere
// in the download folder (moved into place), and a missing one with a same-sized file in both
// rebuild sources (copied). Nothing is written through a link; very large entries get no file.
void PopulateForModel(const Sandbox& sandbox, const TorrentModel& model);

// One in-process check run over the sandbox with every deleting and repair option on. Asserts that
// nothing outside the download folder changed, that the backup folders only gained this download
// folder's backups, and, with backups on and deleting, that every file of the download folder
// still exists in it or in a backup folder.
void RunAndExpectContained(const TorrentModel& model, const RunVariant& variant, const std::string& label);

// The same check run through the real zandrel-cli in its own process, for the torrent file at
// torrent_path (outside the sandbox); returns its exit status (-1 when it crashed or hung). model
// (null for a torrent the reader refuses) fills the download folder; a refused torrent must leave
// the download folder untouched too.
int RunCliAndExpectContained(const QString& torrent_path, const TorrentModel* model, const RunVariant& variant,
                             const std::string& label);

}  // namespace zandrel::test
