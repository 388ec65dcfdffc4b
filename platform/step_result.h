// StepResult, the outcome of one step of work that the user may cancel, lives with the program's
// other outcomes.
#pragma once

#include "platform/result.h"
