// libFuzzer target for the two integer readers: the integer syntax of the macro files
// (ParseIntSyntax) and the settings values (ParseIniInt).
//
// ParseIntSyntax is compared with a second reading of the same rules built on std::from_chars,
// and every accepted value must come back from the forms the program and a user would write:
// plain decimal, decimal after leading blanks, and "$" hexadecimal with a sign. A rejected text
// leaves the output alone, and a blank after the digits is never accepted.
//
// ParseIniInt reads back every decimal text it writes, and whatever decimal text it accepts
// reads the same through ParseIntSyntax (which accepts more: hexadecimal forms).
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "macros/int_syntax.h"
#include "settings/ini_value.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view text) {
  std::fprintf(stderr, "integer property broken: %s for \"", what);
  for (char c : text) std::fprintf(stderr, "\\x%02X", static_cast<unsigned char>(c));
  std::fprintf(stderr, "\"\n");
  std::abort();
}

// The same rules read another way: blanks, a sign, a base prefix, then digits that
// std::from_chars must take whole, and the signed 32-bit range.
std::optional<int32_t> Reference(std::string_view t) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  bool negative = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (t.starts_with("0x") || t.starts_with("0X")) {
    base = 16;
    t.remove_prefix(2);
  } else if (t.starts_with('$') || t.starts_with('x') || t.starts_with('X')) {
    base = 16;
    t.remove_prefix(1);
  }
  if (t.empty()) return std::nullopt;
  uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
  if (error != std::errc() || end != t.data() + t.size()) return std::nullopt;
  if (magnitude > (negative ? 0x80000000u : 0x7FFFFFFFu)) return std::nullopt;
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                       : static_cast<int64_t>(magnitude));
}

std::string DollarHex(int32_t v) {
  const int64_t wide = v;
  const uint64_t magnitude = static_cast<uint64_t>(wide < 0 ? -wide : wide);
  char digits[24];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, magnitude, 16);
  (void)error;
  return (v < 0 ? "-$" : "$") + std::string(digits, end);
}

std::optional<int32_t> ReadSyntax(std::string_view text) {
  int32_t v = 0;
  if (ParseIntSyntax(text, v)) return v;
  return std::nullopt;
}

std::optional<int32_t> ReadIni(const std::string& text) {
  int32_t v = 0;
  if (ParseIniInt(text, v)) return v;
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // The macro files' integer syntax.
  constexpr int32_t kUntouched = 0x5A5A5A5A;
  int32_t out = kUntouched;
  const bool accepted = ParseIntSyntax(text, out);
  const std::optional<int32_t> expected = Reference(text);
  if (accepted != expected.has_value()) Fail("accepted differently from the rules", text);
  if (!accepted && out != kUntouched) Fail("a rejected text wrote the output", text);
  if (accepted) {
    if (out != *expected) Fail("value differs from the rules", text);
    if (ReadSyntax(std::to_string(out)) != out) Fail("decimal form does not read back", text);
    if (ReadSyntax("  " + text) != out) Fail("leading blanks change the value", text);
    if (ReadSyntax(text + " ")) Fail("a trailing blank is accepted", text);
    if (ReadSyntax(DollarHex(out)) != out) Fail("hexadecimal form does not read back", text);
  }

  // The settings values.
  const std::optional<int32_t> ini = ReadIni(text);
  const bool hexForm = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (ini && !hexForm && ReadSyntax(text) != ini) Fail("settings decimal reads differently", text);
  if (ini && ReadIni(std::to_string(*ini)) != ini) Fail("settings value does not read back", text);
  if (accepted && ReadIni(std::to_string(out)) != out) Fail("settings cannot read a value", text);
  return 0;
}
