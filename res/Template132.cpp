#include "res/Templates.h"

#include "settings/UserCharTable.h"

#include <array>
#include <string>

namespace {

// Names for the 35 dots in keyboard order, kept alive with the template that points at them.
const std::array<std::string, kDotRows * kDotColumns>& dotNames()
{
    static const auto names = [] {
        std::array<std::string, kDotRows * kDotColumns> result;
        std::size_t i = 0;
        for (int column = 1; column <= kDotColumns; ++column)
            for (int row = 1; row <= kDotRows; ++row)
                result[i++] = "Dot row " + std::to_string(row) + ", column " + std::to_string(column);
        return result;
    }();
    return names;
}

// Column by column, each column from the top: the keyboard order of the grid.
void addDots(std::vector<ControlTemplate>& controls)
{
    std::size_t i = 0;
    for (int column = 1; column <= kDotColumns; ++column)
        for (int row = 1; row <= kDotRows; ++row)
            controls.push_back({UserChars::dotButtonId({row, column}), ControlKind::Custom, "",
                                139 + 15 * (column - 1), 43 + 14 * (row - 1), 10, 10, ControlStyle::None, 0,
                                dotNames()[i++].c_str()});
}

} // namespace

const DialogTemplate& UserCharPageTemplate()
{
    static const DialogTemplate dialog = [] {
        using K = ControlKind;
        namespace S = ControlStyle;
        DialogTemplate page{132, "", 348, 161, 10, {}};
        auto& c = page.controls;
        c.push_back({0, K::Label, "User Defined Character 1", 38, 26, 80, 8});
        c.push_back({1024, K::PushButton, "<<", 117, 24, 20, 14, S::Disabled, 0, "Previous character"});
        c.push_back({0, K::Label, "0x", 146, 27, 10, 14});
        c.push_back({1031, K::Edit, "", 158, 24, 34, 14, S::None, 0, "Character code"});
        c.push_back({0, K::Label, "(Hex)", 194, 26, 20, 14});
        c.push_back({1025, K::PushButton, ">>", 218, 24, 21, 14, S::None, 0, "Next character"});
        addDots(c);
        c.push_back({1028, K::PushButton, "Clear", 233, 126, 31, 12});
        c.push_back({0, K::Label, "Range:0x20-0x7F", 250, 27, 60, 12});
        c.push_back({0, K::Label, "Max Character=9", 44, 55, 59, 12});
        c.push_back({1030, K::Edit, "", 71, 40, 22, 12, S::ReadOnly | S::AlignCenter, 0, "Character number"});
        return page;
    }();
    return dialog;
}
