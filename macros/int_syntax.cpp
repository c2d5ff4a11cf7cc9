#include "macros/int_syntax.h"

namespace {

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') {
    v = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    v = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    v = c - 'A' + 10;
  }
  return v < base ? v : -1;
}

}  // namespace

bool ParseIntSyntax(std::string_view text, int32_t& out) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;

  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }

  int base = 10;
  std::string_view rest = text.substr(i);
  if (rest.starts_with('$') || rest.starts_with('x') || rest.starts_with('X')) {
    base = 16;
    rest.remove_prefix(1);
  } else if (rest.starts_with("0x") || rest.starts_with("0X")) {
    base = 16;
    rest.remove_prefix(2);
  }
  if (rest.empty()) return false;

  // The magnitude may reach 2^31 only for a negative value.
  const uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
  uint64_t magnitude = 0;
  for (char c : rest) {
    const int d = DigitValue(c, base);
    if (d < 0) return false;
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (magnitude > limit) return false;
  }

  const int64_t value =
      negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  out = static_cast<int32_t>(value);
  return true;
}
