#include "check/stages.h"

namespace zandrel {

int VerifyPieces(CheckRun&) { return 0; }

}  // namespace zandrel
