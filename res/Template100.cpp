#include "res/Templates.h"

const DialogTemplate& AboutTemplate()
{
    using K = ControlKind;
    static const DialogTemplate dialog{
        100, "About Lumetra", 262, 74, 9,
        {
            {0, K::Icon, "", 11, 17, 20, 20, ControlStyle::None, 0, "Lumetra icon"},
            {0, K::Label, "Lumetra  V1.5", 53, 13, 119, 8},
            {0, K::Label, "Customer display set-up", 52, 26, 119, 8},
            {0, K::Label, "Serial link: 9600 or 19200 baud", 53, 38, 91, 12},
            {1, K::DefaultPushButton, "OK", 205, 7, 50, 14},
        }};
    return dialog;
}
