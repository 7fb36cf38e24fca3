#pragma once

#include "tools/cli/CliOptions.h"
#include "tools/cli/ExitCode.h"

// Runs the simulated display on a pseudo-terminal until SIGINT or SIGTERM.
ExitCode runSimulate(const CliOptions& options);
