// Piece verification with explicit work division, for tests and benchmarks; the run calls
// VerifyPieces(CheckRun&) from check/stages.h, which uses the defaults.
#pragma once

#include "check/check_run.h"
#include "check/piece_reader.h"

namespace zandrel {

// kFailed when the buffers could not be had (no result line then).
StepResult VerifyPieces(CheckRun& run, const PieceCheckTuning& tuning);

// True when the run verifies the torrent's v2 hash trees: always for a v2-only torrent, for a
// hybrid one when the run asks for it.
bool VerifiesByV2Trees(const CheckRun& run);
// The pieces the hash check goes through, v1 or v2.
int64_t VerifiedPieceCount(const CheckRun& run);

// 100 × (entries − bad) / entries as the report states it: the quotient rounded to single
// precision, then 100 − quotient × 100 and 100 minus that, each rounded to single precision.
float PercentComplete(int64_t entries, int64_t bad);

}  // namespace zandrel
