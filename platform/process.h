// Starting an outside program and waiting for it.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>

namespace zandrel {

// Runs program (an absolute path) with exactly these arguments (no shell ever sees them) in
// working_dir, with its input from and its output to the null device, and waits until it ends.
// False when it could not be started. Once *abandon is set (checked every few milliseconds) the
// process is killed and the wait ends.
bool RunProgramAndWait(const QString& program, const QStringList& arguments, const QString& working_dir,
                       const std::atomic<bool>& abandon);

}  // namespace zandrel
