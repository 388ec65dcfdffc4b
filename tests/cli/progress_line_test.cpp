// The progress line's text for given states (drawing it needs a terminal).
#include <gtest/gtest.h>

#include "cli/progress_window.h"

namespace zandrel {
namespace {

TEST(ProgressLine, EachStageShowsItsOwnMeasure) {
  // 10 files, pieces of 1 MiB over 100 MiB.
  const ProgressTotals totals{10, 1 << 20, int64_t{100} << 20};
  const struct {
    ProgressState state;
    const char* text;
  } cases[] = {
      {{RunStage::kFileCheck, 4, 110, 0, 300, 1}, "file check: 4/10 files, problems: 1"},
      // 25 pieces in 2 s: 12.5 MiB/s, 75 MiB left.
      {{RunStage::kHashCheck, 35, 110, 0, 2000, 2},
       "hash check: 25.0/100.0 MiB (25.0%), 12.5 MiB/s, ETA 0:06, failed pieces: 2"},
      // Too early for a rate; the last piece is shorter than a piece length.
      {{RunStage::kHashCheck, 10, 110, 0, 100, 0}, "hash check: 0.0/100.0 MiB (0.0%), failed pieces: 0"},
      {{RunStage::kHashCheck, 111, 110, 0, 4000, 0},
       "hash check: 100.0/100.0 MiB (100.0%), 25.0 MiB/s, ETA 0:00, failed pieces: 0"},
      {{RunStage::kUnneeded, 0, 0, 37, 50, 0}, "unneeded scan: 37 items looked at"},
      {{RunStage::kRepair, 0, 0, 5, 50, 0}, "repair: 5 items looked at"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgressLineText(c.state, totals), c.text);
}

}  // namespace
}  // namespace zandrel
