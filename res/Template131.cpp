#include "res/Templates.h"

#include <array>
#include <string>

namespace {

constexpr int kCellsPerRow = 20;

// Names for the 60 cells, kept alive with the template that points at them.
const std::array<std::string, 3 * kCellsPerRow>& cellNames()
{
    static const auto names = [] {
        std::array<std::string, 3 * kCellsPerRow> result;
        for (int k = 0; k < kCellsPerRow; ++k)
            result[k] = "Welcome message 1, position " + std::to_string(k + 1);
        for (int k = 0; k < 2 * kCellsPerRow; ++k)
            result[kCellsPerRow + k] = "Welcome message 2, position " + std::to_string(k + 1);
        return result;
    }();
    return names;
}

void addCellRow(std::vector<ControlTemplate>& controls, int firstId, int y, int firstName)
{
    for (int k = 0; k < kCellsPerRow; ++k) {
        const unsigned styles = firstId + k == 1026 ? ControlStyle::GroupStart : ControlStyle::None;
        controls.push_back({firstId + k, ControlKind::Edit, "", 78 + 12 * k, y, 12, 12, styles, 0,
                            cellNames()[static_cast<std::size_t>(firstName + k)].c_str()});
    }
}

void addLabel(std::vector<ControlTemplate>& controls, const char* text, int x, int y)
{
    controls.push_back({0, ControlKind::Label, text, x, y, 8, 8});
}

} // namespace

const DialogTemplate& WelcomePageTemplate()
{
    static const DialogTemplate dialog = [] {
        using K = ControlKind;
        namespace S = ControlStyle;
        DialogTemplate page{131, "", 380, 172, 8, {}};
        auto& c = page.controls;
        c.push_back({0, K::GroupBox, "Welcome Message1", 15, 26, 343, 46});
        c.push_back({0, K::GroupBox, "Welcome Message2", 15, 75, 343, 68});
        c.push_back(
            {1020, K::RadioButton, "ASCII", 23, 37, 28, 12, S::GroupStart, 0, "Welcome message 1 ASCII"});
        c.push_back({1021, K::RadioButton, "Hex", 23, 57, 28, 12, S::None, 0, "Welcome message 1 Hex"});
        c.push_back(
            {1022, K::RadioButton, "ASCII", 23, 97, 28, 12, S::GroupStart, 0, "Welcome message 2 ASCII"});
        c.push_back({1023, K::RadioButton, "Hex", 23, 121, 28, 12, S::None, 0, "Welcome message 2 Hex"});
        c.push_back({1024, K::PushButton, "Clear", 323, 50, 28, 12, S::None, 0, "Clear welcome message 1"});
        c.push_back({1025, K::PushButton, "Clear", 322, 124, 28, 12, S::None, 0, "Clear welcome message 2"});

        addCellRow(c, 1026, 50, 0);
        addLabel(c, "0", 80, 41);
        addLabel(c, "5", 140, 41);
        addLabel(c, "10", 199, 41);
        addLabel(c, "15", 259, 41);
        addLabel(c, "20", 307, 41);

        addCellRow(c, 1046, 96, kCellsPerRow);
        addLabel(c, "0", 80, 87);
        addLabel(c, "5", 140, 87);
        addLabel(c, "10", 200, 87);
        addLabel(c, "15", 260, 87);
        addLabel(c, "20", 308, 87);

        addCellRow(c, 1066, 124, 2 * kCellsPerRow);
        addLabel(c, "21", 79, 114);
        addLabel(c, "25", 140, 114);
        addLabel(c, "30", 200, 114);
        addLabel(c, "35", 259, 114);
        addLabel(c, "40", 308, 114);
        return page;
    }();
    return dialog;
}
