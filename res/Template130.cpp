#include "res/Templates.h"

const DialogTemplate& CommandPageTemplate()
{
    using K = ControlKind;
    static const DialogTemplate dialog{
        130, "", 350, 166, 10,
        {
            {0, K::Label, "Character Type", 89, 44, 62, 12},
            {1000, K::DropDownList, "", 157, 44, 103, 134, ControlStyle::None, 0, "Character Type"},
            {0, K::Label, "Command Mode", 89, 66, 62, 12},
            {1001, K::DropDownList, "", 157, 66, 103, 110, ControlStyle::None, 0, "Command Mode"},
            {0, K::Label, "BaudRate Select", 89, 88, 62, 12},
            {1018, K::DropDownList, "", 157, 88, 103, 53, ControlStyle::None, 0, "BaudRate Select"},
            {0, K::Label, "Passthru Mode", 89, 110, 62, 12},
            {1019, K::DropDownList, "", 157, 110, 103, 47, ControlStyle::None, 0, "Passthru Mode"},
        }};
    return dialog;
}
