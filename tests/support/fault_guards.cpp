#include "tests/support/fault_guards.h"

#include <QDir>
#include <QProcess>

namespace zandrel::test {
namespace {

int Execute(const QStringList& command) { return QProcess::execute(command.first(), command.mid(1)); }

QString Made(const QString& dir) {
  QDir().mkpath(dir);
  return dir;
}

}  // namespace

CommandGuard::CommandGuard(const QStringList& apply, QStringList undo) : undo_(std::move(undo)) {
  applied_ = Execute(apply) == 0;
}

CommandGuard::~CommandGuard() {
  if (applied_) Execute(undo_);
}

TmpfsGuard::TmpfsGuard(const QString& dir, int kib)
    : CommandGuard({"mount", "-t", "tmpfs", "-o", QString("size=%1k").arg(kib), "tmpfs", Made(dir)}, {"umount", dir}) {}

}  // namespace zandrel::test
