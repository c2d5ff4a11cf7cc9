// libFuzzer target for the bytes a later copy hands to the running copy, and the command-line
// reader that the running copy applies to them.
//
// For any bytes: DecodeArguments either refuses them or gives arguments that EncodeArguments
// turns back into the same bytes; ParseCommandLine never throws; a Run result asks for nothing
// the program refuses (a play name is never empty, a repeat count lies in its range and comes
// only with a play, --start goes with neither --stop nor --play) and names no problem; a Wrong
// result names one and asks for nothing; a Help result asks for nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mainform/command_line.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "command line property broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<std::vector<std::string>> args = mainform::DecodeArguments(bytes);
  if (!args) return 0;
  if (mainform::EncodeArguments(*args) != bytes) Fail("decoding and encoding differ");

  using Outcome = mainform::ParsedCommandLine::Outcome;
  const mainform::ParsedCommandLine parsed = mainform::ParseCommandLine(*args);
  const mainform::Command& c = parsed.command;
  switch (parsed.outcome) {
    case Outcome::Run:
      if (!parsed.problem.empty()) Fail("a problem with a Run result");
      if (c.play && c.play->empty()) Fail("an empty play name");
      if (c.repeat && !c.play) Fail("a repeat count without a play");
      if (c.repeat && (*c.repeat < mainform::kMinRepeat || *c.repeat > mainform::kMaxRepeat))
        Fail("a repeat count out of range");
      if (c.start && (c.stop || c.play)) Fail("--start with --stop or --play");
      if (c.Empty() != args->empty()) Fail("arguments that ask for nothing, or none that do");
      break;
    case Outcome::Help:
      if (!c.Empty()) Fail("a command with help");
      break;
    case Outcome::Wrong:
      if (parsed.problem.empty()) Fail("no problem named");
      if (!c.Empty()) Fail("a command with a wrong argument");
      break;
  }
  return 0;
}
