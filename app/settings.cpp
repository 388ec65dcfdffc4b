#include "app/settings.h"

namespace zandrel {
}  // namespace zandrel
