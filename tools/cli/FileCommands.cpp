#include "tools/cli/FileCommands.h"

#include "settings/SettingsFile.h"
#include "tools/cli/Console.h"
#include "tools/cli/ImageReport.h"
#include "tools/cli/SettingsInput.h"

ExitCode runShow(const CliOptions& options)
{
    const auto input = SettingsInput::read(options.file);
    if (const auto* failure = std::get_if<SettingsInput::Failure>(&input)) {
        Console::err(failure->message);
        return failure->code;
    }
    const auto& loaded = std::get<SettingsInput::Image>(input);
    if (loaded.fileSize < kImageSize)
        Console::err(QStringLiteral("\"%1\" holds %2 of %3 bytes; the rest reads as zero")
                         .arg(options.file)
                         .arg(loaded.fileSize)
                         .arg(kImageSize));
    const std::string report =
        options.json ? ImageReport::json(loaded.image) : ImageReport::text(loaded.image);
    Console::outText(QString::fromStdString(report));
    if (const std::optional<ImageFault> fault = findImageFault(loaded.image)) {
        Console::err(QString::fromLatin1(faultMessage(*fault)));
        return ExitCode::Refused;
    }
    return ExitCode::Success;
}

ExitCode runCheck(const CliOptions& options)
{
    const auto input = SettingsInput::read(options.file);
    if (const auto* failure = std::get_if<SettingsInput::Failure>(&input)) {
        Console::err(failure->message);
        return failure->code;
    }
    if (const std::optional<ImageFault> fault = findImageFault(std::get<SettingsInput::Image>(input).image)) {
        Console::err(QString::fromLatin1(faultMessage(*fault)));
        return ExitCode::Refused;
    }
    Console::out(QStringLiteral("OK"));
    return ExitCode::Success;
}

ExitCode runDefaults(const CliOptions& options)
{
    if (const std::optional<QString> failure = SettingsFile::write(options.output, factoryDefaultImage())) {
        Console::err(*failure);
        return ExitCode::IoError;
    }
    return ExitCode::Success;
}
