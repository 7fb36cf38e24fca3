#include "settings/WelcomeBuffers.h"

std::string g_strWelcome1;
std::string g_strWelcome2;

namespace Welcome {
const std::string kDefaultText1 = "*** VFD DISPLAY  ***";
const std::string kDefaultText2 = "**HAVE A NICE DAY AND THANK YOU**       ";
} // namespace Welcome
