#include "tools/cli/CliOptions.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

const QString kProgram = QStringLiteral("lumetra-cli");

const char* const kGeneralHelp =
    "Usage: lumetra-cli COMMAND [OPTIONS]\n"
    "Sets up Lumetra VFD customer displays: settings files, and many displays at once.\n"
    "\n"
    "Commands:\n"
    "  get       read a display's settings into a file\n"
    "  put       write a settings file into one or more displays, all at once\n"
    "  show      describe a settings file\n"
    "  check     check a settings file\n"
    "  defaults  write the factory-default settings file\n"
    "  simulate  run a simulated display on a pseudo-terminal\n"
    "\n"
    "Run 'lumetra-cli COMMAND --help' for the options of a command.\n"
    "\n"
    "DEVICE is a device path (/dev/ttyUSB0, /dev/serial/by-id/...) or Com1 to Com8, mapped as in\n"
    "the window (LUMETRA_COM1 to LUMETRA_COM8 name a device outright).\n"
    "\n"
    "Exit status: 0 success; 1 the display or the file was refused; 2 usage error;\n"
    "3 a port or file could not be opened, read or written.\n";

const char* const kGeneralUsage = "lumetra-cli COMMAND [OPTIONS]   (lumetra-cli --help lists the commands)";

const char* const kLinkHelp =
    "  --baud 9600|19200  link speed, 8 data bits, no parity, 1 stop bit (default 9600)\n"
    "  --timeout-ms N     how long each exchange may take from its request on (default 2000)\n";

struct OptionSpec
{
    const char* name;
    bool takesValue;
    bool repeatable;
};

struct CommandSpec
{
    const char* name;
    CliCommand command;
    const char* synopsis;
    const char* help;
    std::vector<OptionSpec> options;
    const char* positional; // nullptr when the command takes none
};

const std::vector<CommandSpec>& commands()
{
    static const std::vector<CommandSpec> specs{
        {"get",
         CliCommand::Get,
         "lumetra-cli get --port DEVICE [--baud 9600|19200] [--timeout-ms N] --output FILE",
         "Reads the settings of the display on DEVICE and writes them to FILE. FILE is written only\n"
         "when the display's image passes every check, and then in one piece.\n",
         {{"port", true, false}, {"baud", true, false}, {"timeout-ms", true, false}, {"output", true, false}},
         nullptr},
        {"put",
         CliCommand::Put,
         "lumetra-cli put --port DEVICE [--port DEVICE ...] [--baud 9600|19200] [--timeout-ms N] FILE",
         "Writes the settings file FILE into the display on every DEVICE, all at once, and prints one\n"
         "line per DEVICE in the order given. Nothing is sent when FILE fails the checks. A file shorter\n"
         "than 127 bytes stands for its own bytes followed by zeros.\n",
         {{"port", true, true}, {"baud", true, false}, {"timeout-ms", true, false}},
         "FILE"},
        {"show",
         CliCommand::Show,
         "lumetra-cli show FILE [--json]",
         "Describes the settings file FILE, even one that fails the checks (its first fault is then\n"
         "printed too, and the exit status is 1).\n"
         "  --json  one JSON object instead of text\n",
         {{"json", false, false}},
         "FILE"},
        {"check",
         CliCommand::Check,
         "lumetra-cli check FILE",
         "Prints \"OK\" when the settings file FILE passes every check, else its first fault.\n",
         {},
         "FILE"},
        {"defaults",
         CliCommand::Defaults,
         "lumetra-cli defaults --output FILE",
         "Writes the factory-default settings to FILE.\n",
         {{"output", true, false}},
         nullptr},
        {"simulate",
         CliCommand::Simulate,
         "lumetra-cli simulate [--image FILE] [--save FILE] [--link PATH] [--fault MODE] [--pace BAUD]",
         "Runs a simulated display on a pseudo-terminal and prints the device to open on the first\n"
         "line. Serves until interrupted (SIGINT or SIGTERM) and logs each exchange on stderr.\n"
         "  --image FILE  the settings the display starts with (default: the factory defaults)\n"
         "  --save FILE   write every image the display accepts to FILE\n"
         "  --link PATH   make PATH a symbolic link to the device\n"
         "  --fault MODE  none, silent, wrong-response, bad-header, short-reply, bad-image, slow=MS\n"
         "  --pace BAUD   take and send each byte only once a BAUD line would have carried it\n"
         "                (10 bits a byte)\n",
         {{"image", true, false},
          {"save", true, false},
          {"link", true, false},
          {"fault", true, false},
          {"pace", true, false}},
         nullptr},
    };
    return specs;
}

const CommandSpec* findCommand(const QString& name)
{
    for (const CommandSpec& entry : commands())
        if (name == QLatin1String(entry.name))
            return &entry;
    return nullptr;
}

const OptionSpec* findOption(const CommandSpec& entry, const QString& name)
{
    for (const OptionSpec& option : entry.options)
        if (name == QLatin1String(option.name))
            return &option;
    return nullptr;
}

QString commandHelp(const CommandSpec& entry)
{
    QString text =
        QStringLiteral("Usage: %1\n%2").arg(QLatin1String(entry.synopsis), QLatin1String(entry.help));
    if (entry.command == CliCommand::Get || entry.command == CliCommand::Put)
        text += QLatin1String(kLinkHelp);
    return text;
}

CliRequest usageError(const CommandSpec* entry, const QString& message)
{
    CliRequest request;
    request.kind = CliRequest::Kind::UsageError;
    const QString who = entry ? QStringLiteral("%1 %2").arg(kProgram, QLatin1String(entry->name)) : kProgram;
    request.text = QStringLiteral("%1: %2\nUsage: %3\n")
                       .arg(who, message, QLatin1String(entry ? entry->synopsis : kGeneralUsage));
    return request;
}

std::optional<int> wholeNumber(const QString& text, int low, int high)
{
    // toInt() alone would take "+5" and " 5".
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

// The option's value checked and stored; the problem otherwise.
std::optional<QString> takeValue(CliOptions& options, const QString& name, const QString& value)
{
    if (name == QLatin1String("port")) {
        options.ports << value;
    } else if (name == QLatin1String("baud")) {
        if (value != QLatin1String("9600") && value != QLatin1String("19200"))
            return QStringLiteral("--baud must be 9600 or 19200, not '%1'").arg(value);
        options.baud = value.toInt();
    } else if (name == QLatin1String("timeout-ms")) {
        const std::optional<int> ms = wholeNumber(value, 1, CliOptions::kMaxTimeoutMs);
        if (!ms)
            return QStringLiteral("--timeout-ms must be a whole number from 1 to %1, not '%2'")
                .arg(CliOptions::kMaxTimeoutMs)
                .arg(value);
        options.timeoutMs = *ms;
    } else if (name == QLatin1String("output")) {
        options.output = value;
    } else if (name == QLatin1String("image")) {
        options.image = value;
    } else if (name == QLatin1String("save")) {
        options.save = value;
    } else if (name == QLatin1String("link")) {
        options.link = value;
    } else if (name == QLatin1String("fault")) {
        int delayMs = 0;
        const std::optional<DisplayFault> fault = SimulatedDisplay::parseFault(value.toStdString(), delayMs);
        if (!fault)
            return QStringLiteral("--fault must be none, silent, wrong-response, bad-header, short-reply, "
                                  "bad-image or slow=MS with MS from 0 to %1, not '%2'")
                .arg(SimulatedDisplay::kMaxDelayMs)
                .arg(value);
        options.fault = *fault;
        options.faultDelayMs = delayMs;
    } else if (name == QLatin1String("pace")) {
        const std::optional<int> baud = wholeNumber(value, 1, CliOptions::kMaxPace);
        if (!baud)
            return QStringLiteral("--pace must be a whole number from 1 to %1, not '%2'")
                .arg(CliOptions::kMaxPace)
                .arg(value);
        options.pace = *baud;
    }
    return std::nullopt;
}

std::optional<QString> missingRequired(const CommandSpec& entry, const CliOptions& options, bool hasPositional)
{
    switch (entry.command) {
    case CliCommand::Get:
        if (options.ports.isEmpty())
            return QStringLiteral("--port is required");
        if (options.output.isEmpty())
            return QStringLiteral("--output is required");
        break;
    case CliCommand::Put:
        if (options.ports.isEmpty())
            return QStringLiteral("at least one --port is required");
        break;
    case CliCommand::Defaults:
        if (options.output.isEmpty())
            return QStringLiteral("--output is required");
        break;
    case CliCommand::Show:
    case CliCommand::Check:
    case CliCommand::Simulate:
        break;
    }
    if (entry.positional && !hasPositional)
        return QStringLiteral("%1 is missing").arg(QLatin1String(entry.positional));
    return std::nullopt;
}

CliRequest parseCommand(const CommandSpec& entry, const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return {CliRequest::Kind::Help, {}, commandHelp(entry)};
    }

    CliOptions options;
    options.command = entry.command;
    std::vector<QString> seen;
    QStringList positionals;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-'))) {
            positionals << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!argument.startsWith(QLatin1String("--")))
            return usageError(&entry, QStringLiteral("unknown option '%1'").arg(argument));

        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
        const OptionSpec* option = findOption(entry, name);
        if (!option)
            return usageError(&entry, QStringLiteral("unknown option '--%1'").arg(name));
        if (!option->repeatable && std::find(seen.begin(), seen.end(), name) != seen.end())
            return usageError(&entry, QStringLiteral("--%1 given more than once").arg(name));
        seen.push_back(name);

        if (!option->takesValue) {
            if (equals >= 0)
                return usageError(&entry, QStringLiteral("--%1 takes no value").arg(name));
            options.json = name == QLatin1String("json");
            continue;
        }
        QString value;
        if (equals >= 0)
            value = argument.mid(equals + 1);
        else if (i + 1 < arguments.size())
            value = arguments[++i];
        if (value.isEmpty())
            return usageError(&entry, QStringLiteral("--%1 needs a value").arg(name));
        if (const std::optional<QString> problem = takeValue(options, name, value))
            return usageError(&entry, *problem);
    }

    const qsizetype allowed = entry.positional ? 1 : 0;
    if (positionals.size() > allowed)
        return usageError(&entry, QStringLiteral("unexpected argument '%1'").arg(positionals[allowed]));
    if (!positionals.isEmpty() && positionals.front().isEmpty())
        return usageError(&entry, QStringLiteral("%1 is empty").arg(QLatin1String(entry.positional)));
    if (const std::optional<QString> problem = missingRequired(entry, options, !positionals.isEmpty()))
        return usageError(&entry, *problem);
    if (!positionals.isEmpty())
        options.file = positionals.front();
    return {CliRequest::Kind::Run, options, {}};
}

} // namespace

CliRequest parseCommandLine(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return usageError(nullptr, QStringLiteral("no command given"));
    const QString& first = arguments.front();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("--version")) {
        if (arguments.size() > 1)
            return usageError(nullptr, QStringLiteral("unexpected argument '%1'").arg(arguments[1]));
        if (first == QLatin1String("--version"))
            return {CliRequest::Kind::Version, {}, {}};
        return {CliRequest::Kind::Help, {}, QLatin1String(kGeneralHelp)};
    }
    if (first.startsWith(QLatin1Char('-')))
        return usageError(nullptr, QStringLiteral("unknown option '%1'").arg(first));
    const CommandSpec* entry = findCommand(first);
    if (!entry)
        return usageError(nullptr, QStringLiteral("unknown command '%1'").arg(first));
    return parseCommand(*entry, arguments.mid(1));
}
