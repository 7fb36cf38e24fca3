// lumetra-cli: the window's settings files, transfers and simulated display, scripted.
#include "tools/cli/CliOptions.h"
#include "tools/cli/Console.h"
#include "tools/cli/FileCommands.h"
#include "tools/cli/GetPutCommands.h"
#include "tools/cli/SimulateCommand.h"

#include <QCoreApplication>

namespace {

ExitCode run(const CliOptions& options)
{
    switch (options.command) {
    case CliCommand::Get:
        return runGet(options);
    case CliCommand::Put:
        return runPut(options);
    case CliCommand::Show:
        return runShow(options);
    case CliCommand::Check:
        return runCheck(options);
    case CliCommand::Defaults:
        return runDefaults(options);
    case CliCommand::Simulate:
        return runSimulate(options);
    }
    return ExitCode::UsageError;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumetra-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMETRA_VERSION));

    const CliRequest request = parseCommandLine(QCoreApplication::arguments().mid(1));
    switch (request.kind) {
    case CliRequest::Kind::Help:
        Console::outText(request.text);
        return exitStatus(ExitCode::Success);
    case CliRequest::Kind::Version:
        Console::out(QStringLiteral("lumetra-cli %1").arg(QStringLiteral(LUMETRA_VERSION)));
        return exitStatus(ExitCode::Success);
    case CliRequest::Kind::UsageError:
        Console::errText(request.text);
        return exitStatus(ExitCode::UsageError);
    case CliRequest::Kind::Run:
        break;
    }
    return exitStatus(run(request.options));
}
