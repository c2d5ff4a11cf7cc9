// The integer syntax shared by the macro files and the settings reader.
#pragma once

#include <cstdint>
#include <string_view>

// Reads a whole text as a signed 32-bit integer:
//
//   - optional leading blanks (the space character only; tabs and other control characters are
//     not skipped),
//   - an optional "+" or "-",
//   - decimal digits, or hexadecimal digits (either case) introduced by "$", "x", "X", "0x"
//     or "0X",
//   - nothing after the digits, not even a blank.
//
// The value, sign included, must lie within -2147483648 .. 2147483647 whatever the base: a
// hexadecimal text is a number like any other, so "$7FFFFFFF" is 2147483647, "-$80000000" is
// -2147483648, and "$80000000" or "0xFFFFFFFF" are out of range rather than wrapped to a
// negative value. The program itself writes only decimal numbers; hexadecimal is there for
// hand-edited files.
//
// Leading zeros are allowed in either base. Returns false for anything else, the empty text
// included; `out` is written only on success.
bool ParseIntSyntax(std::string_view text, int32_t& out);
