#include "tests/cli/cli_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

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

std::vector<char*> NullTerminated(std::vector<QByteArray>& items) {
  std::vector<char*> pointers;
  for (QByteArray& item : items) pointers.push_back(item.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Reads both streams to their ends (a terminal's end shows as EIO once the child is gone).
void Drain(int out_fd, int err_fd, CliRun& run) {
  pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  QByteArray* sinks[2] = {&run.out, &run.err};
  while (fds[0].fd >= 0 || fds[1].fd >= 0) {
    if (::poll(fds, 2, 120000) <= 0) return;  // a hung child: the missing exit code tells
    for (int i = 0; i < 2; ++i) {
      char buffer[65536];
      const ssize_t got = fds[i].revents ? ::read(fds[i].fd, buffer, sizeof buffer) : -2;
      if (got > 0) sinks[i]->append(buffer, got);
      if (got == 0 || (got == -1 && errno != EINTR)) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
      }
    }
  }
}

}  // namespace

CliRun RunBytes(const ByteRun& request) {
  std::vector<QByteArray> argv_items{request.program}, env_items;
  argv_items.insert(argv_items.end(), request.args.begin(), request.args.end());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QByteArray& entry : request.env) {
    const qsizetype equals = entry.indexOf('=');
    env.insert(QString::fromUtf8(entry.left(equals)), QString::fromUtf8(entry.mid(equals + 1)));
  }
  for (const QString& entry : env.toStringList()) env_items.push_back(entry.toUtf8());
  std::vector<char*> argv = NullTerminated(argv_items), envp = NullTerminated(env_items);
  int out[2], err[2];
  const winsize size{24, static_cast<unsigned short>(request.terminal_columns), 0, 0};
  CliRun run;
  if (::pipe2(out, O_CLOEXEC) != 0 ||
      (request.terminal_columns > 0 ? ::openpty(&err[0], &err[1], nullptr, nullptr, &size) : ::pipe(err)) != 0) {
    return run;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(err[0]);
    if (!request.working_dir.isEmpty() && ::chdir(request.working_dir.constData()) != 0) ::_exit(127);
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    ::close(err[1]);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  Drain(out[0], err[0], run);
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  return run;
}

void WriteNamedFile(const QByteArray& path, const std::string& bytes) {
  for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
    ::mkdir(path.left(slash).constData(), 0755);
  }
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << path.toStdString();
  EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

bool NamedPathExists(const QByteArray& path) {
  struct stat st {};
  return ::lstat(path.constData(), &st) == 0;
}

void RemoveNamedTree(const QByteArray& path) { QProcess::execute("rm", {"-rf", QString::fromUtf8(path)}); }

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

FileMap WriteRandomTorrent(const QString& torrent_path, const std::string& name,
                           const std::vector<std::pair<QString, int64_t>>& files, int64_t piece_length,
                           uint32_t first_seed) {
  FileMap bytes;
  std::string stream;
  std::vector<TorrentFileItem> items;
  for (const auto& [path, length] : files) {
    const std::string& file = bytes[path] = RandomBytes(static_cast<size_t>(length), first_seed++);
    stream += file;
    TorrentFileItem& item = items.emplace_back();
    for (const QString& part : path.split('/')) item.path.push_back(part.toStdString());
    item.length = length;
  }
  WriteFile(torrent_path, BuildMultiFileTorrent(name, items, piece_length, PiecesFor(stream, piece_length)));
  return bytes;
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
