// libFuzzer target for the macro file reader and writer.
//
// Any input must parse without a fault. When it parses, writing the macro and reading it back
// must give the same macro again, except for what the format cannot carry: a name with a line
// break (only the part before the break comes back) and a duration above 2147483647, which is
// written unsigned and reads back as 0. Whatever bytes a name holds, the file written for it
// must read back, with the name's ill-formed UTF-8 replaced.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "macros/recorded_macro.h"
#include "macros/utf8.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "round-trip property broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const std::string repaired = ToValidUtf8(bytes);
  if (!IsValidUtf8(repaired)) Fail("repaired text is not valid UTF-8");
  if ((repaired == bytes) != IsValidUtf8(bytes)) Fail("repair changed valid text or kept invalid");

  // The input's first line, taken as a name whatever its bytes.
  RecordedMacro named;
  named.SetName(std::string(bytes.substr(0, bytes.find_first_of("\r\n"))));
  RecordedMacro namedBack;
  if (!ParseMacroText(FormatMacroFile(named), namedBack)) Fail("a written name does not read");
  if (namedBack.Name() != ToValidUtf8(named.Name())) Fail("written name");

  RecordedMacro macro;
  if (!ParseMacroText(bytes, macro)) return 0;

  if (!IsValidUtf8(macro.Name())) Fail("a parsed name is not valid UTF-8");
  if (macro.Name().find_first_of("\r\n") != std::string::npos) Fail("a name holds a line end");

  const std::string written = FormatMacroFile(macro);
  RecordedMacro back;
  if (!ParseMacroText(written, back)) Fail("a written file does not read");
  if (back.Name() != macro.Name()) Fail("name");
  const uint32_t expectedDuration = macro.DurationMs() <= 2147483647u ? macro.DurationMs() : 0;
  if (back.DurationMs() != expectedDuration) Fail("duration");
  if (back.Events() != macro.Events()) Fail("events");
  if (FormatMacroFile(back) != written && macro.DurationMs() <= 2147483647u) Fail("rewrite");
  return 0;
}
