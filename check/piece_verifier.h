// Piece verification with explicit work division, for tests and benchmarks; the run calls
// RunHashCheck from check/stages.h, which uses the defaults.
#pragma once

#include "check/piece_reader.h"
#include "check/stages.h"

namespace zandrel {

// Every piece verified and each failed one told; kFailed when the buffers could not be had (no
// result then).
StepResult VerifyPieces(StageRun& run, const FileCheckOutcome& found, const PieceCheckTuning& tuning);

// True when the run verifies the torrent's v2 hash trees: always for a v2-only torrent, for a
// hybrid one when the run asks for it.
bool VerifiesByV2Trees(const RunContext& run);
// The pieces the hash check goes through, v1 or v2.
int64_t VerifiedPieceCount(const RunContext& run);

}  // namespace zandrel
