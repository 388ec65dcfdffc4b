#include "tests/screenshots/shot_registry.h"

#include <algorithm>

namespace zandrel::shots {
namespace {

// Registration runs from static initialisers in every shots_<area>.cpp, so the list must exist
// before the first of them, whatever the order of initialisation.
std::vector<Shot>& Registry() {
  static std::vector<Shot> shots;
  return shots;
}

}  // namespace

bool RegisterShot(const QString& name, ShotFunction make) {
  Registry().push_back({name, std::move(make)});
  return true;
}

std::vector<Shot> RegisteredShots() {
  std::vector<Shot> shots = Registry();
  std::sort(shots.begin(), shots.end(), [](const Shot& a, const Shot& b) { return a.name < b.name; });
  return shots;
}

}  // namespace zandrel::shots
