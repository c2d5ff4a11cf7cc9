// How a settings value's text reads as an integer.
#pragma once

#include <cstdint>
#include <string>

// A decimal integer, or hexadecimal after "0x" / "0X" when the text is longer than two
// characters (up to eight digits, taken as the 32 bits of the value). False for anything else.
bool ParseIniInt(const std::string& text, int32_t& out);
