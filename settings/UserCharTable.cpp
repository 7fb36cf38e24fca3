#include "settings/UserCharTable.h"

#include <algorithm>

UserCharTable g_UserChars{};
std::int8_t g_nCurChar = 0;

namespace UserChars {

namespace {

constexpr int kTopLeftButton = 1027;
// Column 1 row 2 is the first button of the regular run; the IDs in front of it belong to the
// page's other controls.
constexpr int kRunBase = 1032;
constexpr int kFirstRunButton = 1034;
constexpr int kLastButton = 1067;

bool isOnGrid(DotPlace place)
{
    return place.row >= 1 && place.row <= kDotRows && place.column >= 1 && place.column <= kDotColumns;
}

} // namespace

std::uint8_t dotMask(int row)
{
    if (row < 1 || row > kDotRows)
        return 0;
    return static_cast<std::uint8_t>(1u << (7 - row));
}

int dotButtonId(DotPlace place)
{
    if (!isOnGrid(place))
        return 0;
    if (place.row == 1 && place.column == 1)
        return kTopLeftButton;
    return kRunBase + kDotRows * (place.column - 1) + place.row;
}

std::optional<DotPlace> dotOfButton(int buttonId)
{
    if (buttonId == kTopLeftButton)
        return DotPlace{1, 1};
    if (buttonId < kFirstRunButton || buttonId > kLastButton)
        return std::nullopt;
    const int offset = buttonId - kRunBase - 1;
    return DotPlace{offset % kDotRows + 1, offset / kDotRows + 1};
}

bool isDotLit(const UserCharRecord& record, DotPlace place)
{
    if (!isOnGrid(place))
        return false;
    return (record.columns[static_cast<std::size_t>(place.column - 1)] & dotMask(place.row)) != 0;
}

void setDot(UserCharRecord& record, DotPlace place, bool lit)
{
    if (!isOnGrid(place))
        return;
    std::uint8_t& column = record.columns[static_cast<std::size_t>(place.column - 1)];
    if (lit)
        column = static_cast<std::uint8_t>(column | dotMask(place.row));
    else
        column = static_cast<std::uint8_t>(column & ~dotMask(place.row));
}

void clearPattern(UserCharRecord& record)
{
    record.columns.fill(0);
}

void reset(UserCharTable& table, std::int8_t& current)
{
    table.fill(UserCharRecord{});
    current = 1;
}

UserCharRecord& currentRecord()
{
    // Before the character page first resets the table the number is still 0; the first record
    // stands in rather than a read outside the table.
    const int number = std::clamp<int>(g_nCurChar, 1, kUserCharCount);
    return g_UserChars[static_cast<std::size_t>(number - 1)];
}

std::array<std::uint8_t, 54> toBytes(const UserCharTable& table)
{
    std::array<std::uint8_t, 54> bytes{};
    auto out = bytes.begin();
    for (const UserCharRecord& record : table) {
        *out++ = record.code;
        out = std::copy(record.columns.begin(), record.columns.end(), out);
    }
    return bytes;
}

UserCharRecord recordFromBytes(const std::uint8_t* sixBytes)
{
    UserCharRecord record;
    record.code = sixBytes[0];
    std::copy_n(sixBytes + 1, kDotColumns, record.columns.begin());
    return record;
}

} // namespace UserChars
