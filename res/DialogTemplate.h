#pragma once

#include <vector>

// A dialog or page laid out the way the original resource scripts describe it: every control with
// its numeric ID, kind, caption and rectangle in dialog units, so that the layout stays data.
enum class ControlKind
{
    GroupBox,
    Label,
    PushButton,
    DefaultPushButton,
    DropDownList,  // a list that cannot be typed into
    DropDownCombo, // a list with an editable field
    Edit,
    MultiLineEdit,
    CheckBox,
    RadioButton,
    TabControl,
    Icon,
    Custom, // made by the caller's factory, e.g. a dot button
};

namespace ControlStyle {
inline constexpr unsigned None = 0;
inline constexpr unsigned Hidden = 1u << 0;
inline constexpr unsigned Disabled = 1u << 1;
inline constexpr unsigned GroupStart = 1u << 2; // starts a radio group / keyboard group
inline constexpr unsigned NoTabStop = 1u << 3;
inline constexpr unsigned ReadOnly = 1u << 4;
inline constexpr unsigned AlignCenter = 1u << 5;
inline constexpr unsigned TextLeftOfBox = 1u << 6; // check box with its caption on the left
inline constexpr unsigned AlignRight = 1u << 7;
} // namespace ControlStyle

struct ControlTemplate
{
    int id = 0; // 0 for static controls that nothing addresses
    ControlKind kind = ControlKind::Label;
    const char* text = "";
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    unsigned styles = ControlStyle::None;
    int inputLimit = 0;                  // characters; 0 = no limit set
    const char* accessibleName = nullptr; // for controls without a visible caption
};

struct DialogTemplate
{
    int id = 0;
    const char* caption = "";
    int width = 0; // dialog units
    int height = 0;
    int pointSize = 9;
    std::vector<ControlTemplate> controls;
};
