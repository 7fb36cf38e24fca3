#pragma once

#include "settings/SettingsImage.h"
#include "tools/cli/ExitCode.h"

#include <QString>
#include <variant>

// A settings file taken as "Load" takes it right after start: its bytes over an all-zero image,
// so a short file stands for its own bytes followed by zeros.
namespace SettingsInput {

struct Image
{
    SettingsImage image{};
    std::size_t fileSize = 0;
};

struct Failure
{
    ExitCode code = ExitCode::IoError;
    QString message;
};

// A file that cannot be read, or is no regular file, is an I/O error; a longer file is refused.
std::variant<Image, Failure> read(const QString& path);

} // namespace SettingsInput
