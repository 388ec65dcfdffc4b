// Running zandrel-cli as its own process, and a byte-exact picture of a folder tree.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <vector>

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

// Every item below root by relative path: "dir:" + permissions, "link:" + target, or "file:" +
// permissions + ":" + the bytes. Links are recorded, never followed.
using Tree = std::map<QString, std::string>;
Tree SnapshotTree(const QString& root);
// The differences, one per line; empty when the trees are equal.
std::string TreeDiff(const Tree& before, const Tree& after);

}  // namespace zandrel::test
