// The one file copy every part of the program uses: trimming, repair copies, moves between volumes.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>

#include "platform/step_result.h"

namespace zandrel {

// Largest stretch copied between two looks at the cancel flag.
inline constexpr int64_t kCopyChunkBytes = int64_t{64} << 20;

// Copies the first `amount` bytes of `source` into `destination`, which it creates: anything
// already standing there (a file, a link) fails the copy and is left as it was. Syncs the copy before it
// reports kDone, so the caller may then remove the original. The kernel does the copying and
// shares blocks where the file system can; holes in the source stay holes. A source shorter than
// `amount`, a read or write error, or a cancel removes the destination again.
StepResult SyncedCopy(const QString& source, const QString& destination, int64_t amount,
                      const std::atomic<int>& cancel_flag);

}  // namespace zandrel
