// A stand-in for the outside TorrentZip tool, doing only what the program relies on.
//
// Run with one zip path in the logs folder as working directory, it
// - records its arguments in "standin-calls.rec" there (per call: the argument count, then each
//   argument as "<length>:<bytes>"), so tests see exactly what it was given and where it ran;
// - writes plenty of output to stdout and stderr, which nobody reads;
// - waits for a file "continue" in the working directory when the zip's name contains "wait";
// - for a name containing "hang" never returns: it ignores SIGTERM, starts a child that sleeps as
//   long, writes both process ids to "hang.pids" and sleeps;
// - for a name containing "bad" appends a line to "error.log" (and still writes its own log);
// - for a name containing "unreadable" leaves its log as a link that leads nowhere;
// - otherwise writes "[<zip's folder name>]<zip's name without .zip>.log" with three lines ended
//   by CR LF, CR and LF.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <signal.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void Record(int argc, char** argv) {
  std::ofstream out("standin-calls.rec", std::ios::binary | std::ios::app);
  out << (argc - 1) << "\n";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    out << arg.size() << ":" << arg << "\n";
  }
}

void Chatter() {
  const std::string line(1023, 'x');
  for (int i = 0; i < 256; ++i) {
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

void WaitForContinue() {
  for (int i = 0; i < 6000 && !fs::exists("continue"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

[[noreturn]] void Hang() {
  signal(SIGTERM, SIG_IGN);
  const pid_t child = fork();
  if (child == 0) {
    while (true) pause();
  }
  std::ofstream("hang.pids") << getpid() << "\n" << child << "\n";
  while (true) pause();
}

}  // namespace

int main(int argc, char** argv) {
  Record(argc, argv);
  Chatter();
  if (argc != 2) return 2;
  const fs::path zip(argv[1]);
  const std::string name = zip.filename().string();
  const std::string log_name = "[" + zip.parent_path().filename().string() + "]" + zip.stem().string() + ".log";
  if (name.find("wait") != std::string::npos) WaitForContinue();
  if (name.find("hang") != std::string::npos) Hang();
  if (name.find("unreadable") != std::string::npos) {
    fs::create_symlink("no-such-target", log_name);
    return 0;
  }
  std::ofstream(log_name, std::ios::binary) << "TorrentZip " << name << "\r\nstatus\rdone\n";
  if (name.find("bad") != std::string::npos) {
    std::ofstream(std::string("error.log"), std::ios::binary | std::ios::app) << "Error in " << name << "\n";
    return 1;
  }
  return 0;
}
