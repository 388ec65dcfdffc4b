// Real files in temporary directories, and a window that records what a run shows.
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <string>
#include <vector>

#include "check/check_run.h"
#include "check/window_operations.h"
#include "torrent/torrent_model.h"

namespace zandrel::test {

// Writes bytes to path, creating the parent directories.
void WriteFile(const QString& path, const std::string& bytes);
std::string ReadFile(const QString& path);
// Items by "/"-separated path below a folder.
using FileMap = std::map<QString, std::string>;
void WriteFiles(const QString& dir, const FileMap& files);
// Each file below dir holds its bytes.
void ExpectFiles(const QString& dir, const FileMap& files);
// Every item below dir, links listed and never followed: a file's bytes, "link to " + its target,
// or "directory".
FileMap ItemsBelow(const QString& dir);
// Lines of a report (CR LF line ends; a missing final terminator is a test failure elsewhere).
QStringList ReadReportLines(const QString& path);
// Deterministic pseudo-random bytes.
std::string RandomBytes(size_t size, uint32_t seed);
// Joins with the platform separator.
QString Join(const QString& a, const QString& b);

// A torrent entry for "dir/sub/name" (the separator is "/" here).
TorrentFileEntry EntryFor(const QString& relative, int64_t length);
// Inputs of a plain run: torrent "Show.torrent" and report "report.log" in root, backups in the
// download directory, no unneeded scan, report not opened.
CheckInputs PlainInputs(const QString& root, const QString& download_dir);
// Options with every deleting, trimming and repair option on (backups on, report not opened).
RunOptions EveryFixOption(const QString& download_dir, const QString& backup_dir);

class RecordingWindow : public WindowOperations {
 public:
  void SetStatusText(const QString& text) override { status_texts.push_back(text); }
  void ShowStatusLine(bool) override {}
  void ShowProgressBar(bool) override {}
  void SetProgressMaximum(int64_t maximum) override { progress_maximum = maximum; }
  void SetProgressValue(int64_t value) override { progress_value = value; }
  void SetCheckButtonCaption(const QString& caption) override { captions.push_back(caption); }
  void SetIdle() override { idle_calls++; }
  void SettleWait() override { settle_waits++; }
  void OpenWithAssociatedProgram(const QString& path) override { opened.push_back(path); }

  QStringList status_texts, captions, opened;
  int64_t progress_maximum = 0, progress_value = 0;
  int idle_calls = 0, settle_waits = 0;
};

}  // namespace zandrel::test
