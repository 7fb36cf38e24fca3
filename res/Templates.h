#pragma once

#include "res/DialogTemplate.h"

// The dialog templates of the program, by their resource numbers.
const DialogTemplate& AboutTemplate();          // 100
const DialogTemplate& MainWindowTemplate();     // 102
const DialogTemplate& CommandPageTemplate();    // 130
const DialogTemplate& WelcomePageTemplate();    // 131
const DialogTemplate& UserCharPageTemplate();   // 132
