// The one directory walk: what it hands over, what it never enters, and how a stop travels up.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "platform/directory_walk.h"
#include "platform/native_name.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

// Writes each visit as a line of the relative path's bytes; stops at a file named "stop" and passes
// a folder named "pass" by.
class Recorder : public WalkVisitor {
 public:
  explicit Recorder(const QString& top) : top_(top) {}
  bool File(const WalkEntry& e) override {
    Add("file ", e);
    return e.name != "stop";
  }
  bool Enter(const WalkEntry& e) override {
    Add("enter ", e);
    return e.name != "pass";
  }
  bool Leave(const WalkEntry& e, FolderOutcome outcome, const QString& why) override {
    static const char* const kOutcomes[] = {"walked", "stopped", "passed", "other file system", "unreadable"};
    Add("leave ", e, QByteArray(" ") + kOutcomes[static_cast<int>(outcome)] + (why.isEmpty() ? "" : " " + why.toUtf8()));
    return true;
  }
  QByteArray lines;

 private:
  void Add(const char* what, const WalkEntry& e, const QByteArray& after = {}) {
    lines += what + EncodeName(e.path.mid(top_.size())) + " " + QByteArray::number(e.depth) + after + "\n";
  }
  QString top_;
};

// As root the walk runs in a child that is an ordinary user, so that folder permissions hold.
QByteArray WalkAsUser(const QString& top, StepResult expected) {
  const QString log = top + "../walk.log";
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
    Recorder recorder(top);
    const bool as_expected = WalkDirectory(top, recorder) == expected;
    QFile file(log);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(recorder.lines) == recorder.lines.size();
    _exit(as_expected && written && file.flush() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  QFile file(log);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !file.open(QIODevice::ReadOnly)) return "walk failed";
  return file.readAll();
}

QByteArray Raw(const QString& path) { return QFile::encodeName(path); }

TEST(DirectoryWalk, FollowsNoLinkStaysOnItsFileSystemKeepsNamesAndReportsFolders) {
  const struct {
    const char* name;
    std::function<void(const QString& top, const QString& outside)> make;
    QByteArray expected;
    StepResult result = StepResult::kDone;
    bool needs_root = false;
  } cases[] = {
      {"a link to a folder is a file", [](const QString& top, const QString& outside) {
         WriteFile(Join(outside, "inside"), "x");
         QFile::link(outside, top + "link");
       }, "file link 1\n"},
      {"a name that is not UTF-8 keeps its bytes", [](const QString& top, const QString&) {
         ::mkdir((Raw(top) + "bad\xff\xfe").constData(), 0777);
         std::FILE* file = std::fopen((Raw(top) + "bad\xff\xfe/caf\xe9").constData(), "wb");
         ASSERT_NE(file, nullptr);
         std::fclose(file);
       }, "enter bad\xff\xfe 1\nfile bad\xff\xfe/caf\xe9 2\nleave bad\xff\xfe 1 walked\n"},
      {"a folder that cannot be listed", [](const QString& top, const QString&) {
         WriteFile(top + "closed/inside", "x");
         ::chmod(Raw(top + "closed").constData(), 0);
       }, "enter closed 1\nleave closed 1 unreadable Permission denied\n"},
      {"a folder passed by", [](const QString& top, const QString&) { WriteFile(top + "pass/inside", "x"); },
       "enter pass 1\nleave pass 1 passed\n"},
      {"a stop deep inside reaches every folder above", [](const QString& top, const QString&) {
         WriteFile(top + "a/b/stop", "x");
       }, "enter a 1\nenter a/b 2\nfile a/b/stop 3\nleave a/b 2 stopped\nleave a 1 stopped\n", StepResult::kCancelled},
      {"another file system", [](const QString& top, const QString& outside) {
         WriteFile(Join(outside, "inside"), "x");
         QDir().mkpath(top + "mnt");
         ASSERT_EQ(QProcess::execute("mount", {"--bind", outside, top + "mnt"}), 0);
       }, "enter mnt 1\nleave mnt 1 other file system\n", StepResult::kDone, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needs_root && geteuid() != 0) continue;  // a bind mount needs root
    QTemporaryDir root;
    ::chmod(Raw(root.path()).constData(), 0777);
    const QString top = Join(root.path(), "top") + QChar(kSeparator), outside = Join(root.path(), "outside");
    QDir().mkpath(top);
    QDir().mkpath(outside);
    c.make(top, outside);
    EXPECT_EQ(WalkAsUser(top, c.result).toStdString(), c.expected.toStdString());
    ::chmod(Raw(top + "closed").constData(), 0755);
    if (c.needs_root) QProcess::execute("umount", {top + "mnt"});
    // QTemporaryDir cannot name these.
    ::unlink((Raw(top) + "bad\xff\xfe/caf\xe9").constData());
    ::rmdir((Raw(top) + "bad\xff\xfe").constData());
  }
}

}  // namespace
}  // namespace zandrel
