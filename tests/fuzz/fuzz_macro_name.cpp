// libFuzzer target for SanitizeMacroName, the file-name part of a macro name.
//
// For any bytes: none of " * / : < > ? \ | remains; the result neither begins nor ends with a
// character of code 32 or less; sanitising again changes nothing; the result is the input with
// only such characters cut from its two ends and the nine reserved characters replaced by "_";
// and well-formed UTF-8 stays well-formed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "macros/macro_names.h"
#include "macros/utf8.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "macro name property broken: %s\n", what);
  std::abort();
}

bool IsReserved(char c) {
  return std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos;
}

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  const std::string out = SanitizeMacroName(name);

  for (char c : out) {
    if (IsReserved(c)) Fail("a reserved character remains");
  }
  if (!out.empty() && (IsBlankOrControl(out.front()) || IsBlankOrControl(out.back()))) {
    Fail("a blank or control character remains at an end");
  }
  if (SanitizeMacroName(out) != out) Fail("not idempotent");

  // Where the result sits in the input: after the leading run of blanks and controls.
  size_t first = 0;
  while (first < name.size() && IsBlankOrControl(name[first])) ++first;
  if (out.size() > name.size() - first) Fail("longer than the input");
  for (size_t i = 0; i < out.size(); ++i) {
    const char in = name[first + i];
    if (out[i] != in && !(IsReserved(in) && out[i] == '_')) Fail("a character changed");
  }
  for (size_t i = first + out.size(); i < name.size(); ++i) {
    if (!IsBlankOrControl(name[i])) Fail("a character was dropped");
  }

  if (IsValidUtf8(name) && !IsValidUtf8(out)) Fail("well-formed UTF-8 broken");
  return 0;
}
