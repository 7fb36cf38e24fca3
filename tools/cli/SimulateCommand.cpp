#include "tools/cli/SimulateCommand.h"

#include "link/PtyDisplay.h"
#include "link/SimulatedDisplay.h"
#include "settings/SettingsFile.h"
#include "tools/cli/Console.h"
#include "tools/cli/SettingsInput.h"
#include "tools/cli/StopSignals.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(const QString& what, const QString& path)
{
    return QStringLiteral("Cannot %1 \"%2\": %3")
        .arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}

// PATH becomes a symbolic link to the device. A link left behind by an earlier run is replaced
// in one step; anything else at PATH is left alone.
std::optional<QString> makeLink(const QString& path, const QString& target)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat status
    {
    };
    if (::lstat(native.constData(), &status) == 0 && !S_ISLNK(status.st_mode))
        return QStringLiteral("Cannot link \"%1\": it exists and is not a symbolic link").arg(path);
    const QString temporary = QStringLiteral("%1.%2.tmp").arg(path).arg(::getpid());
    const QByteArray nativeTemporary = QFile::encodeName(temporary);
    if (::symlink(QFile::encodeName(target).constData(), nativeTemporary.constData()) != 0)
        return systemError(QStringLiteral("create the link"), temporary);
    if (::rename(nativeTemporary.constData(), native.constData()) != 0) {
        const QString failure = systemError(QStringLiteral("create the link"), path);
        ::unlink(nativeTemporary.constData());
        return failure;
    }
    return std::nullopt;
}

// Only a link that still points at our device is ours to remove.
void removeLink(const QString& path, const QString& target)
{
    const QByteArray native = QFile::encodeName(path);
    char buffer[4096];
    const ssize_t length = ::readlink(native.constData(), buffer, sizeof buffer);
    if (length > 0 && QByteArray(buffer, length) == QFile::encodeName(target))
        ::unlink(native.constData());
}

} // namespace

ExitCode runSimulate(const CliOptions& options)
{
    SettingsImage start = factoryDefaultImage();
    if (!options.image.isEmpty()) {
        const auto input = SettingsInput::read(options.image);
        if (const auto* failure = std::get_if<SettingsInput::Failure>(&input)) {
            Console::err(failure->message);
            return failure->code;
        }
        start = std::get<SettingsInput::Image>(input).image;
        // Kept as it is: a display can hold such an image, and sending it is what tests a reader.
        if (const std::optional<ImageFault> fault = findImageFault(start))
            Console::err(QStringLiteral("note: \"%1\" fails the checks (%2); the display holds it as it is")
                             .arg(options.image, QString::fromLatin1(faultMessage(*fault))));
    }

    StopSignals stopSignals;
    QString error;
    if (!stopSignals.install(&error)) {
        Console::err(error);
        return ExitCode::IoError;
    }

    SimulatedDisplay display(start, options.fault, options.faultDelayMs);
    PtyDisplay pty(display);
    if (!pty.open(&error)) {
        Console::err(error);
        return ExitCode::IoError;
    }
    pty.setPace(options.pace);
    const QString device = pty.devicePath();

    if (!options.link.isEmpty()) {
        if (const std::optional<QString> failure = makeLink(options.link, device)) {
            Console::err(*failure);
            return ExitCode::IoError;
        }
    }

    ExitCode result = ExitCode::Success;
    QObject::connect(&pty, &PtyDisplay::logLine, [](const QString& line) { Console::err(line); });
    QObject::connect(&pty, &PtyDisplay::imageAccepted, [&](const SettingsImage& image) {
        if (options.save.isEmpty())
            return;
        if (const std::optional<QString> failure = SettingsFile::write(options.save, image)) {
            Console::err(failure.value());
            result = ExitCode::IoError;
        }
    });
    QObject::connect(&stopSignals, &StopSignals::stopRequested, QCoreApplication::instance(),
                     [] { QCoreApplication::exit(0); });

    Console::out(device);
    QCoreApplication::exec();

    if (!options.link.isEmpty())
        removeLink(options.link, device);
    pty.close();
    return result;
}
