// Running zandrel-cli as its own process, the torrents its tests check, and a byte-exact picture of a
// folder tree.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_files.h"

namespace zandrel::test {

// Every option that changes the download: a refused run must leave the disk as it was even so.
inline const QStringList kEveryChange = {"--delete-unneeded",   "--delete-when-incomplete",   "--no-backups",
                                         "--trim-padded-files", "--delete-wrong-sized-files", "--fix-missing"};

struct CliRun {
  int exit_code = -1;
  QByteArray out, err;
  QStringList OutLines() const { return QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts); }
};

// Runs zandrel-cli in working_dir (the current directory when empty) with XDG_CONFIG_HOME set to
// config_home when that is given.
CliRun RunCli(const QStringList& args, const QString& working_dir = {}, const QString& config_home = {});

// A program run with arguments as bytes, so that names that are not UTF-8 reach it as they are
// (QProcess would re-encode them). `env` adds or replaces "NAME=value" entries; with
// terminal_columns > 0 stderr is a terminal of that width.
struct ByteRun {
  QByteArray program = ZANDREL_CLI_PATH;
  std::vector<QByteArray> args;
  QByteArray working_dir;
  std::vector<QByteArray> env;
  int terminal_columns = 0;
};
CliRun RunBytes(const ByteRun& run);

// Files by their bytes: the parents are made as needed.
void WriteNamedFile(const QByteArray& path, const std::string& bytes);
bool NamedPathExists(const QByteArray& path);
// Removes path and everything below it, names that are not UTF-8 included (path itself is UTF-8).
void RemoveNamedTree(const QByteArray& path);

// Random files (the i-th from seed first_seed + i) by "/"-separated path, and the multi-file torrent
// `name` of them with pieces of piece_length, written to torrent_path.
FileMap WriteRandomTorrent(const QString& torrent_path, const std::string& name,
                           const std::vector<std::pair<QString, int64_t>>& files, int64_t piece_length,
                           uint32_t first_seed = 1);
// The torrent "Show" of Docs/a.bin (50000 bytes) and b.bin (30000 bytes) in pieces of 16384.
inline FileMap WriteShowTorrent(const QString& torrent_path) {
  return WriteRandomTorrent(torrent_path, "Show", {{"Docs/a.bin", 50000}, {"b.bin", 30000}}, 16384);
}

// Every item below root by relative path: "dir:" + permissions, "link:" + target, or "file:" +
// permissions + ":" + the bytes. Links are recorded, never followed.
using Tree = std::map<QString, std::string>;
Tree SnapshotTree(const QString& root);
// The differences, one per line; empty when the trees are equal.
std::string TreeDiff(const Tree& before, const Tree& after);

}  // namespace zandrel::test
