#include "check/run_option_table.h"

namespace zandrel {

RunFlags::RunFlags() {
  for (const RunOptionRow& row : kRunOptionTable) this->*row.member = row.default_value;
}

}  // namespace zandrel
