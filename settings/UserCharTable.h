#pragma once

#include <array>
#include <cstdint>
#include <optional>

// The nine characters of the operator's own design. Each record is a code byte and five dot
// columns; a column byte holds its seven dots with the top dot in bit 6 and the bottom in bit 0.
// Bit 7 is no dot: it is kept as it arrives and never shown.
struct UserCharRecord
{
    std::uint8_t code = 0;
    std::array<std::uint8_t, 5> columns{};

    friend bool operator==(const UserCharRecord&, const UserCharRecord&) = default;
};
static_assert(sizeof(UserCharRecord) == 6);

inline constexpr int kUserCharCount = 9;
inline constexpr int kDotRows = 7;
inline constexpr int kDotColumns = 5;

using UserCharTable = std::array<UserCharRecord, kUserCharCount>;
static_assert(sizeof(UserCharTable) == 54);

extern UserCharTable g_UserChars;
// Number 1..9 of the character being edited; 0 until the character page first resets the table.
extern std::int8_t g_nCurChar;

// Where a dot lives: in the record (column byte, bit), on the page (dot button ID) and on the
// grid (row 1..7 from the top, column 1..5 from the left). This is the one place that knows it.
struct DotPlace
{
    int row = 0;
    int column = 0;

    friend bool operator==(const DotPlace&, const DotPlace&) = default;
};

namespace UserChars {

std::uint8_t dotMask(int row);
int dotButtonId(DotPlace place);
std::optional<DotPlace> dotOfButton(int buttonId);

bool isDotLit(const UserCharRecord& record, DotPlace place);
void setDot(UserCharRecord& record, DotPlace place, bool lit);
// The five column bytes become zero; the code stays.
void clearPattern(UserCharRecord& record);

// All 54 bytes zero and character 1 current.
void reset(UserCharTable& table, std::int8_t& current);
// The record of g_nCurChar.
UserCharRecord& currentRecord();

std::array<std::uint8_t, 54> toBytes(const UserCharTable& table);
UserCharRecord recordFromBytes(const std::uint8_t* sixBytes);

} // namespace UserChars
