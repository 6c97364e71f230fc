// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commandline.h"
#include "input.h"
#include "outcome.h"

namespace quarnex {

// `check`: the automatic compare without a window. Searches every entry of the paper in turn,
// scores each result page and builds the report; ends with exitStopped when the run stopped
// before the last sentence.
Result<CliOutcome> runCheck(const CommandLine &line, const StandardInput &readStandardInput,
                            const ProgressOutput &progress);

} // namespace quarnex
