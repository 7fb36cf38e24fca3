#include "tools/cli/GetPutCommands.h"

#include "link/PortMap.h"
#include "tools/cli/Console.h"
#include "tools/cli/PortExchange.h"
#include "tools/cli/SettingsInput.h"

#include <QEventLoop>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

void waitUntilFinished(const std::vector<std::unique_ptr<PortExchange>>& exchanges)
{
    QEventLoop loop;
    const auto allFinished = [&exchanges] {
        return std::all_of(exchanges.begin(), exchanges.end(), [](const auto& e) { return e->finished(); });
    };
    for (const auto& exchange : exchanges)
        QObject::connect(exchange.get(), &PortExchange::done, &loop, [&] {
            if (allFinished())
                loop.quit();
        });
    if (!allFinished())
        loop.exec();
}

// The same device under two names would get two exchanges at once, each seeing the other's bytes.
std::optional<QString> duplicatePort(const QStringList& ports)
{
    QStringList seen;
    for (const QString& name : ports) {
        QString device = PortMap::deviceFor(name);
        const QString canonical = QFileInfo(device).canonicalFilePath();
        if (!canonical.isEmpty())
            device = canonical;
        if (device.isEmpty())
            device = name;
        if (seen.contains(device))
            return name;
        seen << device;
    }
    return std::nullopt;
}

} // namespace

ExitCode runGet(const CliOptions& options)
{
    std::vector<std::unique_ptr<PortExchange>> exchanges;
    exchanges.push_back(std::make_unique<PortExchange>(options.ports.front(), options.baud,
                                                       std::chrono::milliseconds(options.timeoutMs)));
    PortExchange& exchange = *exchanges.front();
    if (exchange.open())
        exchange.startUpload(options.output);
    waitUntilFinished(exchanges);

    const PortExchange::Result& result = exchange.result();
    if (result.code == ExitCode::Success)
        Console::out(result.text);
    else
        Console::err(result.text);
    return result.code;
}

ExitCode runPut(const CliOptions& options)
{
    if (const std::optional<QString> twice = duplicatePort(options.ports)) {
        Console::err(
            QStringLiteral("lumetra-cli put: the display on %1 is named more than once").arg(*twice));
        return ExitCode::UsageError;
    }
    const auto input = SettingsInput::read(options.file);
    if (const auto* failure = std::get_if<SettingsInput::Failure>(&input)) {
        Console::err(failure->message);
        return failure->code;
    }
    const SettingsImage& image = std::get<SettingsInput::Image>(input).image;
    if (const std::optional<ImageFault> fault = findImageFault(image)) {
        Console::err(QString::fromLatin1(faultMessage(*fault)));
        return ExitCode::Refused;
    }

    std::vector<std::unique_ptr<PortExchange>> exchanges;
    for (const QString& name : options.ports)
        exchanges.push_back(
            std::make_unique<PortExchange>(name, options.baud, std::chrono::milliseconds(options.timeoutMs)));

    // Lines go out in the order the ports were given, each as soon as those before it are known.
    std::size_t printed = 0;
    ExitCode worst = ExitCode::Success;
    const auto printReady = [&] {
        while (printed < exchanges.size() && exchanges[printed]->finished()) {
            const PortExchange::Result& result = exchanges[printed]->result();
            Console::out(
                QStringLiteral("%1: %2").arg(options.ports[static_cast<qsizetype>(printed)], result.text));
            worst = std::max(worst, result.code);
            ++printed;
        }
    };
    for (const auto& exchange : exchanges)
        QObject::connect(exchange.get(), &PortExchange::done, exchange.get(), printReady);

    std::random_device entropy;
    for (const auto& exchange : exchanges)
        if (exchange->open())
            exchange->startDownload(image, entropy());
    waitUntilFinished(exchanges);
    printReady();
    return worst;
}
