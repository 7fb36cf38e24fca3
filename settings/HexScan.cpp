#include "settings/HexScan.h"

#include "link/HexText.h"

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::optional<std::uint32_t> ScanHex(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // "0x" counts as a prefix only with a digit after it; otherwise the 0 is the whole number.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        HexDigitValue(text[i + 2]) != kInvalidHexDigit)
        i += 2;

    if (i >= text.size() || HexDigitValue(text[i]) == kInvalidHexDigit)
        return std::nullopt;

    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit == kInvalidHexDigit)
            break;
        value = value * 16u + static_cast<std::uint32_t>(digit);
    }
    return negative ? 0u - value : value;
}
