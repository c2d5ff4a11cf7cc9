#include "macros/macro_names.h"

#include <cstdint>
#include <string>

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

std::string MacroFileNameProblem(std::string_view stem) {
  size_t chars = 0;
  for (char c : stem) chars += (static_cast<uint8_t>(c) & 0xC0) != 0x80;
  if (chars > kMaxMacroStemChars)
    return "The name is too long for a file name: at most " + std::to_string(kMaxMacroStemChars) +
           " characters.";
  // Windows takes the part before the first dot, without trailing blanks, as the device.
  std::string_view base = stem.substr(0, stem.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string upper(base);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  bool device = false;
  for (std::string_view d : kDevices) device = device || upper == d;
  // COM and LPT with one digit, or with a superscript 1, 2 or 3 (which Windows counts too).
  if (upper.size() >= 4 && (upper.starts_with("COM") || upper.starts_with("LPT"))) {
    const std::string_view rest = std::string_view(upper).substr(3);
    device = device || (rest.size() == 1 && rest[0] >= '0' && rest[0] <= '9') ||
             rest == "\xC2\xB9" || rest == "\xC2\xB2" || rest == "\xC2\xB3";
  }
  std::string problem;
  if (device) {
    problem.append("\"").append(base).append(
        "\" is a name that Windows keeps for a device: it cannot be the name of a macro file.");
  }
  return problem;
}
