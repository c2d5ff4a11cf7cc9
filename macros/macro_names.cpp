#include "macros/macro_names.h"

#include <cstdint>

namespace {

// Bytes of a multi-byte UTF-8 character are all 0x80 or above, so a byte test is a character
// test here.
bool IsBlankOrControl(char c) {
  return static_cast<uint8_t>(c) <= 32;
}

bool IsReserved(char c) {
  switch (c) {
    case '"':
    case '*':
    case '/':
    case ':':
    case '<':
    case '>':
    case '?':
    case '\\':
    case '|':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string SanitizeMacroName(std::string_view name) {
  while (!name.empty() && IsBlankOrControl(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsBlankOrControl(name.back())) name.remove_suffix(1);
  std::string out(name);
  for (char& c : out) {
    if (IsReserved(c)) c = '_';
  }
  return out;
}
