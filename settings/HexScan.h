#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Reads a number the way C's "%x" input conversion does: leading white space skipped, an
// optional sign (minus negates, modulo 2^32), an optional 0x prefix, hexadecimal digits in
// either case, stopping at the first character that is not part of the number. Returns nothing
// where no number begins. Never reads past the end of text.
std::optional<std::uint32_t> ScanHex(std::string_view text);
