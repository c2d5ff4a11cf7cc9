#include "mainform/command_line.h"

#include <utility>

#include "macros/macro_library.h"
#include "macros/utf8.h"
#include "product/product.h"

namespace mainform {

namespace {

bool IsHelp(const std::string& arg) {
  return macros::SameIgnoringAsciiCase(arg, "--help") || macros::SameIgnoringAsciiCase(arg, "-h") ||
         arg == "/?";
}

// A repeat count: decimal digits only (leading zeros allowed), kMinRepeat .. kMaxRepeat.
std::optional<int32_t> RepeatCount(const std::string& text) {
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > kMaxRepeat) return std::nullopt;
  }
  if (value < kMinRepeat) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine result;
  Command& c = result.command;
  // The first problem is the one reported; a request for help anywhere wins over it.
  std::string problem;
  bool help = false;
  auto fail = [&](std::string text) {
    if (problem.empty()) problem = std::move(text);
  };
  auto flag = [&](bool& field, const char* name) {
    if (field) fail(std::string(name) + " is given more than once.");
    field = true;
  };
  bool repeatGiven = false;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // "--name=value" or "--name" with the value in the next argument, for the two options with
    // a value.
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const bool takesValue = macros::SameIgnoringAsciiCase(name, "--play") ||
                            macros::SameIgnoringAsciiCase(name, "--repeat");
    std::optional<std::string> value;
    if (takesValue) {
      if (equals != std::string::npos)
        value = arg.substr(equals + 1);
      else if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
        value = args[++i];
    }

    if (IsHelp(arg)) {
      help = true;
    } else if (macros::SameIgnoringAsciiCase(arg, "--start")) {
      flag(c.start, "--start");
    } else if (macros::SameIgnoringAsciiCase(arg, "--stop")) {
      flag(c.stop, "--stop");
    } else if (macros::SameIgnoringAsciiCase(arg, "--tray")) {
      flag(c.tray, "--tray");
    } else if (takesValue && macros::SameIgnoringAsciiCase(name, "--play")) {
      if (c.play) fail("--play is given more than once.");
      if (!value || value->empty())
        fail("--play needs the name of a macro.");
      else if (!c.play)
        c.play = *value;
    } else if (takesValue) {
      if (repeatGiven) fail("--repeat is given more than once.");
      repeatGiven = true;
      const std::optional<int32_t> count = value ? RepeatCount(*value) : std::nullopt;
      if (!count) {
        fail("--repeat needs a number from " + std::to_string(kMinRepeat) + " to " +
             std::to_string(kMaxRepeat) + (value ? ", not " + Quoted(*value) + "." : "."));
      } else if (!c.repeat) {
        c.repeat = count;
      }
    } else {
      fail("Unknown argument " + Quoted(arg) + ".");
    }
  }

  if (c.start && c.stop) fail("--start and --stop cannot be used together.");
  if (c.start && c.play)
    fail("--start and --play cannot be used together: --play starts the macro.");
  if (repeatGiven && !c.play) fail("--repeat goes only with --play.");

  if (help) {
    result.outcome = ParsedCommandLine::Outcome::Help;
    result.command = {};
  } else if (!problem.empty()) {
    result.outcome = ParsedCommandLine::Outcome::Wrong;
    result.command = {};
    result.problem = problem;
  }
  return result;
}

std::string CommandLineUsage() {
  const std::string exe = std::string(product::kExeName) + ".exe";
  const std::string counts = std::to_string(kMinRepeat) + " to " + std::to_string(kMaxRepeat);
  const std::pair<std::string, std::string> options[] = {
      {"--start", "starts a run with the saved settings"},
      {"--stop", "stops a run, a playback or a recording"},
      {"--play \"NAME\"", "plays the macro of that name"},
      {"--repeat N", "with --play: plays it N times (" + counts + ")"},
      {"--tray", "starts hidden in the notification area"},
      {"--help, -h, /?", "shows this text"},
  };
  std::string text = "Usage: " + exe + " [options]\r\n\r\n";
  for (const auto& [option, meaning] : options)
    text += option + " \xE2\x80\x94 " + meaning + "\r\n";
  text += "\r\nA copy that is already running takes the options over.\r\n\r\n";
  text += "Example:\r\n" + exe + " --play \"Report\" --repeat 3";
  return text;
}

std::string UsageBoxText(const ParsedCommandLine& parsed) {
  if (parsed.outcome == ParsedCommandLine::Outcome::Wrong)
    return parsed.problem + "\r\n\r\n" + CommandLineUsage();
  return CommandLineUsage();
}

std::string EncodeArguments(const std::vector<std::string>& args) {
  std::string bytes;
  for (const std::string& arg : args) {
    bytes += arg;
    bytes.push_back('\0');
  }
  return bytes;
}

std::optional<std::vector<std::string>> DecodeArguments(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > kMaxEncodedArguments || !IsValidUtf8(bytes))
    return std::nullopt;
  std::vector<std::string> args;
  for (size_t begin = 0, end = 0; begin < bytes.size(); begin = end + 1) {
    end = bytes.find('\0', begin);
    if (end == std::string_view::npos) return std::nullopt;  // the last argument has no NUL
    args.emplace_back(bytes.substr(begin, end - begin));
  }
  return args;
}

}  // namespace mainform
