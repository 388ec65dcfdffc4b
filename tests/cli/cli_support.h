// Running zandrel-cli as its own process, and a byte-exact picture of a folder tree.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <map>
#include <string>

namespace zandrel::test {

struct CliRun {
  int exit_code = -1;
  QByteArray out, err;
  QStringList OutLines() const { return QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts); }
};

// Runs zandrel-cli in working_dir (the current directory when empty) with XDG_CONFIG_HOME set to
// config_home when that is given.
CliRun RunCli(const QStringList& args, const QString& working_dir = {}, const QString& config_home = {});

// Every item below root by relative path: "dir:" + permissions, "link:" + target, or "file:" +
// permissions + ":" + the bytes. Links are recorded, never followed.
using Tree = std::map<QString, std::string>;
Tree SnapshotTree(const QString& root);
// The differences, one per line; empty when the trees are equal.
std::string TreeDiff(const Tree& before, const Tree& after);

}  // namespace zandrel::test
