#pragma once

#include <QStringList>

namespace zandrel {

// Entry of zandrel-cli; returns the exit status.
int CliMain(int argc, char** argv);

// The two commands; args are those after the command word. Output goes to stdout/stderr.
int RunInfoCommand(const QStringList& args);
int RunCheckCommand(const QStringList& args);

}  // namespace zandrel
