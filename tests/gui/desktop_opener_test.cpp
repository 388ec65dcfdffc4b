// Opening a file with the desktop's program for it, as the real dialogs seam does: the opener's
// failure reaches the caller.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "app/desktop_opener.h"
#include "app/gui/dialogs.h"
#include "platform/native_name.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::ReadFile;
using test::WriteFile;

// PATH set to one folder for the test's life.
class SearchPath {
 public:
  explicit SearchPath(const QString& folder) : saved_(qgetenv("PATH")) { qputenv("PATH", folder.toUtf8()); }
  ~SearchPath() { qputenv("PATH", saved_); }

 private:
  QByteArray saved_;
};

// A stand-in for xdg-open in `bin` that records its argument and ends with `code` (xdg-open ends
// with 3 or 4 when no program opens the file).
void WriteOpener(const QString& bin, int code) {
  const QString opener = Join(bin, "xdg-open");
  // (Builtins only: the search path holds nothing else.)
  WriteFile(opener, "#!/bin/sh\nprintf '%s' \"$1\" > \"${0%/*}/argument\"\nexit " + std::to_string(code) + "\n");
  QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(DesktopOpener, TellsWhetherTheDesktopsOpenerOpenedThePath) {
  QTemporaryDir dir;
  const QString bin = Join(dir.path(), "bin");
  const QByteArray report = EncodeName(dir.path()) + "/report \xff%.log";
  SearchPath path(bin);
  for (const int code : {0, 3, 4}) {
    SCOPED_TRACE(code);
    WriteOpener(bin, code);
    QFile::remove(Join(bin, "argument"));
    std::optional<bool> opened;
    ASSERT_TRUE(StartDesktopOpener(DecodeName(report), [&](bool done) { opened = done; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 30000));
    EXPECT_EQ(*opened, code == 0);
    // Every byte of the name arrives, as the file URL of the name's bytes.
    EXPECT_EQ(ReadFile(Join(bin, "argument")), "file://" + EncodeName(dir.path()).toPercentEncoding("/").toStdString() +
                                                   "/report%20%FF%25.log");
  }
}

// The real seam: an opener that fails, or none at all, calls the failure; one that opens does not.
TEST(DesktopOpener, TheDialogsSeamReportsWhenNothingOpenedThePath) {
  QTemporaryDir dir;
  const QString bin = Join(dir.path(), "bin"), report = Join(dir.path(), "report.log");
  WriteFile(report, "report");
  SearchPath path(bin);
  QtDialogs dialogs;
  const struct {
    const char* name;
    std::optional<int> code;  // none: no opener in the search path
    bool fails;
  } cases[] = {{"opened", 0, false}, {"no program for .log files", 3, true}, {"no opener", std::nullopt, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(Join(bin, "xdg-open"));
    QFile::remove(Join(bin, "argument"));
    if (c.code) WriteOpener(bin, *c.code);
    int failures = 0;
    dialogs.OpenWithAssociatedProgram(report, [&] { ++failures; });
    if (c.fails) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return failures > 0; }, 30000));
    } else {
      ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(Join(bin, "argument")); }, 30000));
    }
    QTest::qWait(200);  // the opener's end, and nothing more, reaches the event loop
    EXPECT_EQ(failures, c.fails ? 1 : 0);
  }
  EXPECT_FALSE(StartDesktopOpener(report, [](bool) {})) << "no opener: nothing started";
}

}  // namespace
}  // namespace zandrel
