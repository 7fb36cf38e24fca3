#pragma once

#include "settings/SettingsImage.h"

#include <QString>
#include <optional>
#include <variant>
#include <vector>

// .vfd files: the raw bytes of a settings image, nothing else. Every failure comes back as one
// line that names the file and the cause in the operating system's words.
namespace SettingsFile {

// The bytes of a regular file of at most 127 bytes. A directory, a FIFO or a device is refused
// without being read (so it can never block), and so is a longer file.
std::variant<std::vector<std::uint8_t>, QString> read(const QString& path);

// Writes all 127 bytes so that the file is either the new image or exactly what it was before.
// Returns the failure, or nothing.
std::optional<QString> write(const QString& path, const SettingsImage& image);

} // namespace SettingsFile
