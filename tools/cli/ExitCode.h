#pragma once

// What lumetra-cli's exit status tells a script. Larger means worse: a command that meets
// several outcomes (put, one per port) exits with the worst of them.
enum class ExitCode
{
    Success = 0,
    Refused = 1,    // the display or the file was refused: a protocol or check message
    UsageError = 2, // the command line itself is wrong
    IoError = 3,    // a port or file could not be opened, read or written
};

inline int exitStatus(ExitCode code)
{
    return static_cast<int>(code);
}
