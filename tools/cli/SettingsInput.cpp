#include "tools/cli/SettingsInput.h"

#include "settings/SettingsFile.h"

#include <QFileInfo>

#include <algorithm>

std::variant<SettingsInput::Image, SettingsInput::Failure> SettingsInput::read(const QString& path)
{
    const auto contents = SettingsFile::read(path);
    if (const QString* failure = std::get_if<QString>(&contents)) {
        // The file was there and readable; what it holds is simply not a settings image.
        const QFileInfo info(path);
        const bool tooLong = info.isFile() && info.size() > static_cast<qint64>(kImageSize);
        return Failure{tooLong ? ExitCode::Refused : ExitCode::IoError, *failure};
    }
    const auto& bytes = std::get<std::vector<std::uint8_t>>(contents);
    Image result;
    std::copy(bytes.begin(), bytes.end(), result.image.begin());
    result.fileSize = bytes.size();
    return result;
}
