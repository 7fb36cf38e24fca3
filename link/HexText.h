#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

inline constexpr int kInvalidHexDigit = -1;

// The value 0..15 of one hexadecimal digit in either case, or kInvalidHexDigit.
int HexDigitValue(char c);

// Reads pairs of hex digits into bytes. Blanks are skipped only where a pair would begin; the first
// pair that is not two digits ends the parse and a lone last digit is dropped. bytes is resized to
// the number of bytes read, which is returned.
int HexTextToBytes(std::string_view text, std::vector<std::uint8_t>& bytes);
