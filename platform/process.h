// Starting an outside program and waiting for it.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>

namespace zandrel {

enum class ProgramEnd {
  kNotStarted,
  kFinished,  // it ended by itself
  kEnded,     // abandoned while it ran: it was killed
};

// Runs program (an absolute path) with exactly these arguments (no shell ever sees them) in
// working_dir, with its input from and its output to the null device, and waits until it ends.
// Once *abandon is set (checked every few milliseconds) the process is killed, together with every
// process it started (it runs in a process group of its own), and the wait ends.
ProgramEnd RunProgramAndWait(const QString& program, const QStringList& arguments, const QString& working_dir,
                       const std::atomic<bool>& abandon);

}  // namespace zandrel
