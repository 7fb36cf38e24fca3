#pragma once

#include <string>

// The two welcome messages as raw bytes, any value at any position. Empty until the Welcome page
// gives them their default texts; from then on always 20 and 40 bytes long.
extern std::string g_strWelcome1;
extern std::string g_strWelcome2;

namespace Welcome {
extern const std::string kDefaultText1; // "*** VFD DISPLAY  ***"
extern const std::string kDefaultText2; // "**HAVE A NICE DAY AND THANK YOU**       "
} // namespace Welcome
