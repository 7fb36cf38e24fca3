// Any text through the three hex readers: the terminal's send text, the Welcome cells and the
// character-code field. Each text is copied into a buffer of exactly its size, so that a read past
// its end is an AddressSanitizer report.
#include "FuzzCheck.h"

#include "link/HexText.h"
#include "settings/HexScan.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The longest text a Welcome cell or the code field passes on.
constexpr std::size_t kFieldLength = 2;

class ExactText
{
public:
    ExactText(const std::uint8_t* data, std::size_t size) : m_bytes(new char[size]), m_size(size)
    {
        for (std::size_t i = 0; i < size; ++i)
            m_bytes[i] = static_cast<char>(data[i]);
    }

    std::string_view view() const { return {m_bytes.get(), m_size}; }

private:
    std::unique_ptr<char[]> m_bytes;
    std::size_t m_size;
};

void checkDigits(std::string_view text)
{
    for (const char c : text) {
        const int value = HexDigitValue(c);
        const auto u = static_cast<unsigned char>(c);
        if (!std::isxdigit(u)) {
            FUZZ_CHECK(value == kInvalidHexDigit);
            continue;
        }
        const int expected = std::isdigit(u) ? u - '0' : std::tolower(u) - 'a' + 10;
        FUZZ_CHECK(value == expected);
    }
}

std::vector<std::uint8_t> parse(std::string_view text)
{
    // Whatever the array held before must not leak into the result.
    std::vector<std::uint8_t> bytes(text.size() % 7 + 3, 0x5A);
    const int count = HexTextToBytes(text, bytes);
    FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) == bytes.size());
    FUZZ_CHECK(bytes.size() <= text.size() / 2);
    return bytes;
}

int pairValue(char hi, char lo)
{
    const char pair[3] = {hi, lo, '\0'};
    char* end = nullptr;
    const long value = std::strtol(pair, &end, 16);
    return end == pair + 2 && std::isxdigit(static_cast<unsigned char>(hi)) ? static_cast<int>(value) : -1;
}

void checkSendText(std::string_view text)
{
    const std::vector<std::uint8_t> bytes = parse(text);

    // Each byte is the next pair of digits, with blanks only before a pair.
    std::size_t i = 0;
    for (const std::uint8_t byte : bytes) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        FUZZ_CHECK(i + 1 < text.size());
        FUZZ_CHECK(pairValue(text[i], text[i + 1]) == byte);
        i += 2;
    }
    // And the parse stopped only where no further pair begins.
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i + 1 < text.size())
        FUZZ_CHECK(pairValue(text[i], text[i + 1]) < 0);

    // Cutting the text short gives a prefix of the bytes.
    const std::size_t cut = text.size() / 2;
    const std::vector<std::uint8_t> head = parse(text.substr(0, cut));
    FUZZ_CHECK(head.size() <= bytes.size() && std::equal(head.begin(), head.end(), bytes.begin()));

    std::string written;
    for (const std::uint8_t byte : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, byte % 2 ? "%02X " : "%02x", static_cast<unsigned>(byte));
        written += pair;
    }
    FUZZ_CHECK(parse(written) == bytes);
}

// The C library reads "%x" the same way; where its 64-bit result overflows it saturates instead of
// wrapping, so those texts are left out of the comparison.
void checkScanAgainstLibrary(std::string_view text)
{
    const std::optional<std::uint32_t> value = ScanHex(text);
    const std::string terminated(text);
    char* end = nullptr;
    errno = 0;
    const unsigned long expected = std::strtoul(terminated.c_str(), &end, 16);
    if (end == terminated.c_str()) {
        FUZZ_CHECK(!value);
        return;
    }
    FUZZ_CHECK(value.has_value());
    if (errno != ERANGE)
        FUZZ_CHECK(*value == static_cast<std::uint32_t>(expected));
}

void checkField(const std::uint8_t* data, std::size_t size)
{
    const ExactText field(data, std::min(size, kFieldLength));
    const std::string_view text = field.view();
    const std::optional<std::uint32_t> value = ScanHex(text);
    if (!value)
        return;
    // Two characters hold at most two digits; only a minus sign before one leads out of 0..0xFF.
    FUZZ_CHECK(*value <= 0xFF || (text.find('-') != std::string_view::npos && *value >= 0xFFFFFFF1u));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ExactText text(data, size);
    checkDigits(text.view());
    checkSendText(text.view());
    checkScanAgainstLibrary(text.view());
    checkField(data, size);
    return 0;
}
