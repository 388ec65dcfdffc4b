#include "cli/cli.h"

namespace zandrel {

int RunCheckCommand(const QStringList&) { return 2; }

}  // namespace zandrel
