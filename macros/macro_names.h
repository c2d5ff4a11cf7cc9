// File names for macros.
#pragma once

#include <string>
#include <string_view>

// The file-name part for a macro name: every character with a code of 32 or less is trimmed
// from both ends, and each of " * / : < > ? \ | becomes "_". Nothing else is changed or
// removed, so the result can still be empty or hold characters the file system rejects.
std::string SanitizeMacroName(std::string_view name);
