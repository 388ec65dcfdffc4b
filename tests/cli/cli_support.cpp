#include "tests/cli/cli_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "tests/support/test_files.h"

namespace zandrel::test {
namespace {

void Walk(const QString& root, const QString& dir, Tree& tree) {
  const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
  for (const QFileInfo& info : QDir(dir).entryInfoList(filters, QDir::Name)) {
    const QString relative = info.filePath().mid(root.size() + 1);
    const std::string permissions = std::to_string(static_cast<int>(info.permissions()));
    if (info.isSymLink()) {
      tree[relative] = "link:" + info.symLinkTarget().toStdString();
    } else if (info.isDir()) {
      tree[relative] = "dir:" + permissions;
      Walk(root, info.filePath(), tree);
    } else {
      tree[relative] = "file:" + permissions + ":" + ReadFile(info.filePath());
    }
  }
}

}  // namespace

CliRun RunCli(const QStringList& args, const QString& working_dir, const QString& config_home) {
  QProcess process;
  if (!working_dir.isEmpty()) process.setWorkingDirectory(working_dir);
  if (!config_home.isEmpty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config_home);
    process.setProcessEnvironment(env);
  }
  process.start(QStringLiteral(ZANDREL_CLI_PATH), args);
  CliRun run;
  if (!process.waitForFinished(120000)) return run;
  run.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  return run;
}

Tree SnapshotTree(const QString& root) {
  Tree tree;
  const QString base = QDir::cleanPath(root);
  Walk(base, base, tree);
  return tree;
}

std::string TreeDiff(const Tree& before, const Tree& after) {
  std::string diff;
  for (const auto& [path, what] : before) {
    const auto it = after.find(path);
    if (it == after.end()) diff += "gone: " + path.toStdString() + "\n";
    else if (it->second != what) diff += "changed: " + path.toStdString() + "\n";
  }
  for (const auto& [path, what] : after) {
    if (!before.count(path)) diff += "new: " + path.toStdString() + "\n";
  }
  return diff;
}

}  // namespace zandrel::test
