#include "res/Templates.h"

const DialogTemplate& MainWindowTemplate()
{
    using K = ControlKind;
    namespace S = ControlStyle;
    static const DialogTemplate dialog{
        102, "Lumetra1.5", 398, 284, 9,
        {
            {0, K::GroupBox, "Interface Setting", 7, 7, 158, 79},
            {0, K::Label, "Com Port Select", 15, 19, 74, 12},
            {0, K::Label, "Buad Rate", 15, 35, 74, 12},
            {1000, K::DropDownList, "", 90, 15, 69, 103, S::None, 0, "Com Port Select"},
            {1001, K::DropDownCombo, "", 90, 33, 69, 87, S::None, 0, "Buad Rate"},
            {1002, K::PushButton, "Open COM", 52, 53, 94, 26},
            {1003, K::PushButton, "Load", 173, 19, 52, 21},
            {1004, K::PushButton, "Save", 235, 19, 52, 21},
            {1005, K::PushButton, "Set All Default", 299, 19, 82, 21},
            {1006, K::PushButton, "Download Setting To VFD", 285, 53, 96, 26},
            {1007, K::TabControl, "Tab1", 7, 94, 384, 183},
            {1009, K::MultiLineEdit, "", 57, 140, 298, 79, S::Hidden, 0, "Receive"},
            {1011, K::MultiLineEdit, "", 55, 231, 298, 36, S::Hidden, 0, "Send"},
            {1013, K::PushButton, "Get Setting From VFD", 176, 53, 96, 26},
            {1012, K::CheckBox, "16hex", 13, 158, 34, 14, S::Hidden | S::TextLeftOfBox},
            {0, K::Label, "Receive", 15, 142, 32, 18, S::Hidden},
            {0, K::Label, "Send", 17, 231, 30, 14, S::Hidden},
            {1014, K::CheckBox, "16hex", 13, 245, 34, 14, S::Hidden | S::TextLeftOfBox},
            {1015, K::PushButton, "Clear", 357, 189, 26, 18, S::Hidden},
            {1016, K::PushButton, "Clear", 357, 241, 26, 18, S::Hidden},
            {1017, K::PushButton, "Send", 357, 215, 26, 18, S::Hidden},
        }};
    return dialog;
}
