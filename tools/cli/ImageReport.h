#pragma once

#include "settings/SettingsImage.h"

#include <string>

// A settings image described as it stands, whether or not it passes the checks: for a person,
// and as one JSON object for scripts. No check is made here.
namespace ImageReport {

// The four settings with index and list entry, both welcome messages (printable bytes as they
// are, every other byte and the backslash as \xHH), the reserved tail, and each user-defined
// character with its code and its 5 x 7 pattern drawn with '#' and '.'. Ends in a line break.
std::string text(const SettingsImage& image);

// character_type, command_mode, baud_rate, passthru ({"index", "name"}, name null when the index
// names no entry), welcome1, welcome2 and tail (upper-case hex), user_chars (nine records).
// Ends in a line break.
std::string json(const SettingsImage& image);

} // namespace ImageReport
