#pragma once

#include "link/SimulatedDisplay.h"
#include "link/TransferProtocol.h"

#include <QString>
#include <QStringList>

enum class CliCommand
{
    Get,
    Put,
    Show,
    Check,
    Defaults,
    Simulate,
};

// Everything a command line can say, already checked for form: each value is one the command
// accepts, whether or not the port or file it names turns out to exist.
struct CliOptions
{
    static constexpr int kDefaultBaud = 9600;
    static constexpr int kMaxTimeoutMs = 600000;
    static constexpr int kMaxPace = 4000000;

    CliCommand command = CliCommand::Show;
    QStringList ports;                            // get: exactly one; put: one or more, in the order given
    int baud = kDefaultBaud;                      // get, put
    int timeoutMs = TransferProtocol::kTimeoutMs; // get, put
    QString output;                               // get, defaults
    QString file;                                 // put, show, check
    bool json = false;                            // show
    QString image;                                // simulate: start image, empty for the factory defaults
    QString save;                                 // simulate
    QString link;                                 // simulate
    DisplayFault fault = DisplayFault::None;
    int faultDelayMs = 0;
    int pace = 0; // simulate: 0 = unpaced
};

struct CliRequest
{
    enum class Kind
    {
        Run,
        Help,
        Version,
        UsageError,
    };

    Kind kind = Kind::UsageError;
    CliOptions options;
    // Help: the help text. UsageError: the whole message, the usage line included.
    QString text;
};

// arguments without the program's name.
CliRequest parseCommandLine(const QStringList& arguments);
