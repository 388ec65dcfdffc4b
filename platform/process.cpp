#include "platform/process.h"

#ifdef _WIN32
#include <QProcess>
#else
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/native_name.h"

extern char** environ;
#endif

namespace zandrel {

#ifdef _WIN32

ProgramEnd RunProgramAndWait(const QString& program, const QStringList& arguments, const QString& working_dir,
                             const std::atomic<bool>& abandon) {
  QProcess process;
  process.setProgram(program);
  process.setArguments(arguments);
  process.setWorkingDirectory(working_dir);
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.start(QIODevice::NotOpen);
  if (!process.waitForStarted(-1)) return ProgramEnd::kNotStarted;
  while (!process.waitForFinished(100) && process.state() != QProcess::NotRunning) {
    if (abandon.load()) {
      process.kill();
      process.waitForFinished(-1);
      return ProgramEnd::kEnded;
    }
  }
  return ProgramEnd::kFinished;
}

#else

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(5);

// posix_spawn rather than QProcess: the same vfork-like start, but the child runs only C library
// code until exec, which also keeps ThreadSanitizer's view of this process intact.
pid_t Spawn(const QByteArray& program, const std::vector<QByteArray>& arguments, const QByteArray& dir) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.constData()));
  for (const QByteArray& argument : arguments) argv.push_back(const_cast<char*>(argument.constData()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, dir.constData());
  // A group of its own, so that ending it also ends whatever it started.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, program.constData(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

}  // namespace

ProgramEnd RunProgramAndWait(const QString& program, const QStringList& arguments, const QString& working_dir,
                             const std::atomic<bool>& abandon) {
  std::vector<QByteArray> native_arguments;
  // The same lossless codec as every listed name: a zip whose name is not valid UTF-8 reaches the
  // tool under the name it has on disk.
  for (const QString& argument : arguments) native_arguments.push_back(EncodeName(argument));
  const pid_t pid = Spawn(EncodeName(program), native_arguments, EncodeName(working_dir));
  if (pid < 0) return ProgramEnd::kNotStarted;
  int status = 0;
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return ProgramEnd::kFinished;
    if (abandon.load()) {
      kill(-pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return ProgramEnd::kEnded;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

#endif

}  // namespace zandrel
