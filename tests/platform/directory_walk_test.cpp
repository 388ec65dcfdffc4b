// The one directory walk: what it hands over, what it never enters, and how a stop travels up. (A
// folder that cannot be listed is driven through the unneeded scan, in the check tests.)
#include <gtest/gtest.h>
#include <sys/stat.h>
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
    const QString top = Join(root.path(), "top") + QChar(kSeparator), outside = Join(root.path(), "outside");
    QDir().mkpath(top);
    QDir().mkpath(outside);
    c.make(top, outside);
    Recorder recorder(top);
    EXPECT_EQ(WalkDirectory(top, recorder), c.result);
    EXPECT_EQ(recorder.lines.toStdString(), c.expected.toStdString());
    if (c.needs_root) QProcess::execute("umount", {top + "mnt"});
    // QTemporaryDir cannot name these.
    ::unlink((Raw(top) + "bad\xff\xfe/caf\xe9").constData());
    ::rmdir((Raw(top) + "bad\xff\xfe").constData());
  }
}

}  // namespace
}  // namespace zandrel
