#include "tools/cli/ImageReport.h"

#include "settings/CommandLists.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <span>
#include <string_view>

namespace {

struct Setting
{
    const char* label; // for a person
    const char* key;   // for a script
    std::int32_t index;
    std::span<const std::string_view> list;
};

std::array<Setting, 4> settingsOf(const WorkingValues& values)
{
    return {{
        {"Character type", "character_type", values.charType, CommandLists::kCharacterTypes},
        {"Command mode", "command_mode", values.commandMode, CommandLists::kCommandModes},
        {"Baud rate", "baud_rate", values.baudRate, CommandLists::kBaudRates},
        {"Passthru mode", "passthru", values.passthru, CommandLists::kPassthruModes},
    }};
}

std::string hexByte(std::uint8_t byte)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(byte));
    return text;
}

template <std::size_t N> std::string hexDigits(const std::array<std::uint8_t, N>& bytes)
{
    std::string text;
    for (const std::uint8_t byte : bytes)
        text += hexByte(byte);
    return text;
}

std::array<std::uint8_t, 4> tailOf(const SettingsImage& image)
{
    std::array<std::uint8_t, 4> tail{};
    std::copy_n(image.begin() + ImageOffset::Tail, tail.size(), tail.begin());
    return tail;
}

bool isPrintable(std::uint8_t byte)
{
    return byte >= 0x20 && byte <= 0x7E;
}

// The backslash is escaped too, so that every backslash in the text starts an escape.
std::string readable(std::span<const std::uint8_t> bytes)
{
    std::string text = "\"";
    for (const std::uint8_t byte : bytes) {
        if (isPrintable(byte) && byte != '\\')
            text += static_cast<char>(byte);
        else
            text += "\\x" + hexByte(byte);
    }
    return text + "\"";
}

std::string codeText(std::uint8_t code)
{
    std::string text = "0x" + hexByte(code);
    if (code == 0)
        text += " (none)";
    else if (isPrintable(code))
        text += std::string(" '") + static_cast<char>(code) + "'";
    return text;
}

std::string jsonString(std::string_view value)
{
    std::string text = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[7];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            text += escape;
        } else {
            text += c;
        }
    }
    return text + "\"";
}

} // namespace

std::string ImageReport::text(const SettingsImage& image)
{
    const WorkingValues values = decodeImage(image);
    std::string text;
    for (const Setting& setting : settingsOf(values)) {
        const std::optional<std::string_view> name = CommandLists::entry(setting.list, setting.index);
        text += std::string(setting.label) + ": " + std::to_string(setting.index) + " " +
                (name ? std::string(*name) : std::string("(no such entry)")) + "\n";
    }

    // Message 2 fills both rows of the display, so it is shown as the two rows it makes.
    const std::span<const std::uint8_t> welcome2(values.welcome2);
    text += "Welcome message 1: " + readable(values.welcome1) + "\n";
    text += "Welcome message 2: " + readable(welcome2.first(kWelcome1Length)) + "\n";
    text += "                   " + readable(welcome2.subspan(kWelcome1Length)) + "\n";

    text += "Reserved tail:";
    for (const std::uint8_t byte : tailOf(image))
        text += " " + hexByte(byte);
    text += "\n";

    for (int number = 1; number <= kUserCharCount; ++number) {
        const UserCharRecord& record = values.userChars[static_cast<std::size_t>(number - 1)];
        text += "User-defined character " + std::to_string(number) + ": code " + codeText(record.code) +
                ", columns";
        for (const std::uint8_t column : record.columns)
            text += " " + hexByte(column);
        text += "\n";
        for (int row = 1; row <= kDotRows; ++row) {
            text += "  ";
            for (int column = 1; column <= kDotColumns; ++column)
                text += UserChars::isDotLit(record, DotPlace{row, column}) ? '#' : '.';
            text += "\n";
        }
    }
    return text;
}

std::string ImageReport::json(const SettingsImage& image)
{
    const WorkingValues values = decodeImage(image);
    std::string text = "{\n";
    for (const Setting& setting : settingsOf(values)) {
        const std::optional<std::string_view> name = CommandLists::entry(setting.list, setting.index);
        text += std::string("  \"") + setting.key + "\": {\"index\": " + std::to_string(setting.index) +
                ", \"name\": " + (name ? jsonString(*name) : std::string("null")) + "},\n";
    }
    text += "  \"welcome1\": \"" + hexDigits(values.welcome1) + "\",\n";
    text += "  \"welcome2\": \"" + hexDigits(values.welcome2) + "\",\n";
    text += "  \"user_chars\": [\n";
    for (int number = 1; number <= kUserCharCount; ++number) {
        const UserCharRecord& record = values.userChars[static_cast<std::size_t>(number - 1)];
        text += "    {\"number\": " + std::to_string(number) + ", \"code\": " + std::to_string(record.code) +
                ", \"columns\": [";
        for (std::size_t column = 0; column < record.columns.size(); ++column)
            text += (column == 0 ? "" : ", ") + std::to_string(record.columns[column]);
        text += number < kUserCharCount ? "]},\n" : "]}\n";
    }
    text += "  ],\n";
    text += "  \"tail\": \"" + hexDigits(tailOf(image)) + "\"\n";
    text += "}\n";
    return text;
}
