#include "settings/SettingsImage.h"

#include "settings/CommandLists.h"
#include "settings/WelcomeBuffers.h"

#include <algorithm>

SettingsImage g_SettingsImage{};

namespace {

std::int8_t signedAt(const SettingsImage& image, std::size_t offset)
{
    return static_cast<std::int8_t>(image[offset]);
}

bool inRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

bool isAcceptedCode(std::int8_t code)
{
    return code == 0 || inRange(code, 0x20, 0x7F);
}

std::uint8_t lowByte(std::int32_t value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

const char* faultMessage(ImageFault fault)
{
    switch (fault) {
    case ImageFault::Header:
        return "Data2 Error";
    case ImageFault::Reserved1:
        return "Data3 Error";
    case ImageFault::BaudRate:
        return "Data4 Error";
    case ImageFault::Reserved3:
        return "Data5 Error";
    case ImageFault::CharType:
        return "Data6 Error";
    case ImageFault::Reserved5:
        return "Data7 Error";
    case ImageFault::CommandMode:
        return "Data8 Error";
    case ImageFault::Reserved67:
        return "Data9 Error";
    case ImageFault::Passthru:
        return "Data10 Error";
    case ImageFault::UserCharCode:
        return "Data13 Error";
    }
    return "";
}

std::optional<ImageFault> findImageFault(const SettingsImage& image)
{
    namespace Off = ImageOffset;
    if (image[Off::Header] != kImageHeader)
        return ImageFault::Header;
    if (image[Off::Header + 1] != 0)
        return ImageFault::Reserved1;
    if (image[Off::BaudRate] > 1)
        return ImageFault::BaudRate;
    if (image[Off::BaudRate + 1] != 0)
        return ImageFault::Reserved3;
    if (!inRange(signedAt(image, Off::CharType), 0, 35))
        return ImageFault::CharType;
    if (image[Off::CharType + 1] != 0)
        return ImageFault::Reserved5;
    if (!inRange(signedAt(image, Off::CommandMode), 0, 9))
        return ImageFault::CommandMode;
    if (image[Off::Passthru - 1] != 0)
        return ImageFault::Reserved67;
    // The Passthru Mode list has three items; a larger index would be accepted yet select
    // nothing, and the next image built from it would carry 0xFF and be refused.
    if (!inRange(signedAt(image, Off::Passthru), 0, 2))
        return ImageFault::Passthru;
    for (int n = 0; n < kUserCharCount; ++n) {
        if (!isAcceptedCode(signedAt(image, Off::UserChars + 6 * static_cast<std::size_t>(n))))
            return ImageFault::UserCharCode;
    }
    return std::nullopt;
}

void encodeImage(const WorkingValues& values, SettingsImage& image)
{
    namespace Off = ImageOffset;
    image[Off::Header] = kImageHeader;
    image[Off::Header + 1] = 0;
    image[Off::BaudRate] = lowByte(values.baudRate);
    image[Off::BaudRate + 1] = 0;
    image[Off::CharType] = lowByte(values.charType);
    image[Off::CharType + 1] = 0;
    image[Off::CommandMode] = lowByte(values.commandMode);
    std::copy(values.welcome1.begin(), values.welcome1.end(), image.begin() + Off::Welcome1);
    std::copy(values.welcome2.begin(), values.welcome2.end(), image.begin() + Off::Welcome2);
    image[Off::Passthru - 1] = 0;
    image[Off::Passthru] = lowByte(values.passthru);
    const auto chars = UserChars::toBytes(values.userChars);
    std::copy(chars.begin(), chars.end(), image.begin() + Off::UserChars);
}

WorkingValues decodeImage(const SettingsImage& image)
{
    namespace Off = ImageOffset;
    WorkingValues values;
    values.baudRate = signedAt(image, Off::BaudRate);
    values.charType = signedAt(image, Off::CharType);
    values.commandMode = signedAt(image, Off::CommandMode);
    values.passthru = signedAt(image, Off::Passthru);
    std::copy_n(image.begin() + Off::Welcome1, kWelcome1Length, values.welcome1.begin());
    std::copy_n(image.begin() + Off::Welcome2, kWelcome2Length, values.welcome2.begin());
    for (int n = 0; n < kUserCharCount; ++n) {
        const std::size_t at = Off::UserChars + 6 * static_cast<std::size_t>(n);
        values.userChars[static_cast<std::size_t>(n)] = UserChars::recordFromBytes(image.data() + at);
    }
    return values;
}

WorkingValues factoryDefaults()
{
    WorkingValues values;
    values.charType = CommandLists::kDefaultCharType;
    values.commandMode = CommandLists::kDefaultCommandMode;
    values.baudRate = CommandLists::kDefaultBaudRate;
    values.passthru = CommandLists::kDefaultPassthru;
    std::copy_n(Welcome::kDefaultText1.begin(), kWelcome1Length, values.welcome1.begin());
    std::copy_n(Welcome::kDefaultText2.begin(), kWelcome2Length, values.welcome2.begin());
    return values;
}

SettingsImage factoryDefaultImage()
{
    SettingsImage image{};
    encodeImage(factoryDefaults(), image);
    return image;
}
