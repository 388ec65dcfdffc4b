#include "cli/cli.h"

namespace zandrel {

int RunInfoCommand(const QStringList&) { return 2; }

}  // namespace zandrel
