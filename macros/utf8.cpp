#include "macros/utf8.h"

#include <cstdint>

namespace {

// Length of the well-formed sequence at `pos`, or 0 when there is none. When there is none,
// `subpart` receives the length of the maximal ill-formed subpart (at least 1).
size_t SequenceLength(std::string_view s, size_t pos, size_t& subpart) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const uint8_t b0 = byte(pos);
  subpart = 1;
  if (b0 < 0x80) return 1;

  size_t len = 0;
  // The allowed range of the second byte rules out overlongs, surrogates and values above
  // U+10FFFF; every later byte is a plain continuation byte.
  uint8_t lo = 0x80;
  uint8_t hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
  } else if (b0 == 0xE0) {
    len = 3;
    lo = 0xA0;
  } else if (b0 == 0xED) {
    len = 3;
    hi = 0x9F;
  } else if (b0 >= 0xE1 && b0 <= 0xEF) {
    len = 3;
  } else if (b0 == 0xF0) {
    len = 4;
    lo = 0x90;
  } else if (b0 == 0xF4) {
    len = 4;
    hi = 0x8F;
  } else if (b0 >= 0xF1 && b0 <= 0xF3) {
    len = 4;
  } else {
    return 0;  // 80..C1, F5..FF never start a character
  }

  for (size_t k = 1; k < len; ++k) {
    if (pos + k >= s.size()) return 0;
    const uint8_t b = byte(pos + k);
    const uint8_t kLo = k == 1 ? lo : 0x80;
    const uint8_t kHi = k == 1 ? hi : 0xBF;
    if (b < kLo || b > kHi) return 0;
    subpart = k + 1;
  }
  return len;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    // Fast path for runs of ASCII.
    if (static_cast<uint8_t>(bytes[pos]) < 0x80) {
      ++pos;
      continue;
    }
    size_t subpart = 0;
    const size_t len = SequenceLength(bytes, pos, subpart);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

std::string ToValidUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t subpart = 0;
    const size_t len = SequenceLength(bytes, pos, subpart);
    if (len == 0) {
      out += "\xEF\xBF\xBD";
      pos += subpart;
    } else {
      out.append(bytes.substr(pos, len));
      pos += len;
    }
  }
  return out;
}
