#include "link/HexText.h"

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return kInvalidHexDigit;
}

int HexTextToBytes(std::string_view text, std::vector<std::uint8_t>& bytes)
{
    const std::size_t len = text.size();
    bytes.resize(len / 2);
    std::size_t i = 0;
    std::size_t n = 0;
    while (i < len) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= len)
            break;
        const int hi = HexDigitValue(text[i]);
        const int lo = HexDigitValue(text[i + 1]);
        if (hi == kInvalidHexDigit || lo == kInvalidHexDigit)
            break;
        bytes[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        i += 2;
    }
    bytes.resize(n);
    return static_cast<int>(n);
}
