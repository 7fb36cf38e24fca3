#pragma once

#include "tools/cli/CliOptions.h"
#include "tools/cli/ExitCode.h"

// The commands that work on settings files alone, without a display.
ExitCode runShow(const CliOptions& options);
ExitCode runCheck(const CliOptions& options);
ExitCode runDefaults(const CliOptions& options);
