// File names for macros.
#pragma once

#include <string>
#include <string_view>

// The file-name part for a macro name: every character with a code of 32 or less is trimmed
// from both ends, and each of " * / : < > ? \ | becomes "_". Nothing else is changed or
// removed, so the result can still be empty or hold characters the file system rejects.
std::string SanitizeMacroName(std::string_view name);

// Why Windows cannot use `stem` + ".juxmac" as a file name, as a message for the user, or empty
// when it can: a device name (CON, PRN, AUX, NUL, COM0..COM9, LPT0..LPT9, in any case, also
// with an extension), or more than kMaxMacroStemChars characters.
inline constexpr size_t kMaxMacroStemChars = 200;
std::string MacroFileNameProblem(std::string_view stem);
