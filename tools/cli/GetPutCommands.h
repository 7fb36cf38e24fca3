#pragma once

#include "tools/cli/CliOptions.h"
#include "tools/cli/ExitCode.h"

// The commands that talk to displays. Both run the event loop until every exchange has ended.
ExitCode runGet(const CliOptions& options);
ExitCode runPut(const CliOptions& options);
