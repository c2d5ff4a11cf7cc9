// Strict UTF-8 checks for text read from and written to files.
#pragma once

#include <string>
#include <string_view>

// True when `bytes` is well-formed UTF-8: no overlong forms, no encoded surrogates
// (U+D800..U+DFFF), nothing above U+10FFFF, no stray continuation bytes and no sequence cut
// short, at the end or before another character. The empty text is valid.
bool IsValidUtf8(std::string_view bytes);

// `bytes` with every ill-formed part replaced by U+FFFD (one replacement for each maximal
// ill-formed subpart, the usual practice); well-formed text is returned unchanged.
std::string ToValidUtf8(std::string_view bytes);
