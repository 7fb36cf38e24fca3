#pragma once

#include "settings/UserCharTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// The whole configuration of a display as one 127-byte record: what travels over the wire and
// what a .vfd file holds, byte for byte.
inline constexpr std::size_t kImageSize = 127;
inline constexpr std::size_t kWelcome1Length = 20;
inline constexpr std::size_t kWelcome2Length = 40;

namespace ImageOffset {
inline constexpr std::size_t Header = 0;
inline constexpr std::size_t BaudRate = 2;
inline constexpr std::size_t CharType = 4;
inline constexpr std::size_t CommandMode = 6;
inline constexpr std::size_t Welcome1 = 7;
inline constexpr std::size_t Welcome2 = 27;
inline constexpr std::size_t Passthru = 68;
inline constexpr std::size_t UserChars = 69;
inline constexpr std::size_t Tail = 123;
} // namespace ImageOffset

inline constexpr std::uint8_t kImageHeader = 0xAA;

using SettingsImage = std::array<std::uint8_t, kImageSize>;

extern SettingsImage g_SettingsImage;

// The values the pages edit, in the form the image carries them. The four list indices are
// signed: -1 is a list without a selection and travels as 0xFF.
struct WorkingValues
{
    std::int32_t charType = -1;
    std::int32_t commandMode = -1;
    std::int32_t baudRate = -1;
    std::int32_t passthru = -1;
    std::array<std::uint8_t, kWelcome1Length> welcome1{};
    std::array<std::uint8_t, kWelcome2Length> welcome2{};
    UserCharTable userChars{};

    friend bool operator==(const WorkingValues&, const WorkingValues&) = default;
};

// The first field of an image that fails its check, in the order the fields are checked.
enum class ImageFault
{
    Header,       // "Data2 Error"
    Reserved1,    // "Data3 Error"
    BaudRate,     // "Data4 Error"
    Reserved3,    // "Data5 Error"
    CharType,     // "Data6 Error"
    Reserved5,    // "Data7 Error"
    CommandMode,  // "Data8 Error"
    Reserved67,   // "Data9 Error"
    Passthru,     // "Data10 Error"
    UserCharCode, // "Data13 Error"
};

const char* faultMessage(ImageFault fault);

// Checks every field in order and returns the first fault, or nothing for an image that can be
// applied as a whole.
std::optional<ImageFault> findImageFault(const SettingsImage& image);

// Writes bytes 0..122 from the working values; the reserved tail 123..126 is left as it is.
void encodeImage(const WorkingValues& values, SettingsImage& image);

// The working values an image carries. Meaningful only for an image without a fault.
WorkingValues decodeImage(const SettingsImage& image);

// What "Set All Default" puts into the pages, and the image built from it (tail zero).
WorkingValues factoryDefaults();
SettingsImage factoryDefaultImage();
