#pragma once

// The program's fixed texts that more than one place uses.
namespace Strings {
inline constexpr const char* kProgramName = "Lumetra";
inline constexpr const char* kMainCaption = "Lumetra1.5";
inline constexpr const char* kAboutMenuItem = "About Lumetra(&A)...";
} // namespace Strings
