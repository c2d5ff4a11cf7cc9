// The program's command line: what its arguments ask for (start, stop, play a macro, start
// hidden), the usage text for help and for a wrong argument, and the form in which a later copy
// hands its arguments to the copy that already runs. Portable: the Win32 side splits the command
// line, shows the usage box and carries the bytes over with WM_COPYDATA.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mainform {

// The repeat count that --repeat takes: the range of the window's count.
inline constexpr int32_t kMinRepeat = 1;
inline constexpr int32_t kMaxRepeat = 65535;

// Exit codes of a process that shows the usage box instead of starting.
inline constexpr int kExitHelp = 0;
inline constexpr int kExitWrongArgument = 2;

// What a valid command line asks of the program. Every field left at its default: nothing.
struct Command {
  bool start = false;  // --start: a run with the saved settings, as the start hotkey starts it
  bool stop = false;   // --stop: ends a run, a playback or a recording
  bool tray = false;   // --tray: the window hides in the notification area
  std::optional<std::string> play;  // --play NAME: the macro's name, never empty
  std::optional<int32_t> repeat;    // --repeat N with --play: kMinRepeat .. kMaxRepeat
  bool Empty() const { return !start && !stop && !tray && !play; }
  friend bool operator==(const Command&, const Command&) = default;
};

struct ParsedCommandLine {
  enum class Outcome {
    Run,    // `command` says what to do (nothing, for no arguments)
    Help,   // --help, -h or /?: the usage text, exit code kExitHelp
    Wrong,  // `problem` names what is wrong: the usage text after it, exit code kExitWrongArgument
  };
  Outcome outcome = Outcome::Run;
  Command command;
  std::string problem;
};

// Reads the arguments (UTF-8, without the program's own path):
//
//   --start, --stop, --tray   flags, each at most once
//   --play NAME, --play=NAME  the macro's name, exactly as given; the separate form takes the
//                             next argument unless it starts with "--"
//   --repeat N, --repeat=N    decimal digits only, kMinRepeat .. kMaxRepeat; only with --play
//   --help, -h, /?            the usage text, whatever else is there
//
// Option names ignore the case of A to Z. --start goes with neither --stop nor --play (which
// starts the macro itself); --stop with --play stops what runs, then plays.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text, and the text of the box for a result that is no Run: the problem first, when
// there is one.
std::string CommandLineUsage();
std::string UsageBoxText(const ParsedCommandLine& parsed);

// The hand-over from a later copy to the running one: every argument as UTF-8, each followed by
// one NUL byte. Arguments never contain NUL (a Windows command line cannot hold one).
std::string EncodeArguments(const std::vector<std::string>& args);
// More than any Windows command line needs (32,767 UTF-16 units, at most three UTF-8 bytes each).
inline constexpr size_t kMaxEncodedArguments = 128 * 1024;
// The arguments back, or nothing when the bytes are not what EncodeArguments makes: empty, longer
// than kMaxEncodedArguments, not ending in NUL, or not UTF-8.
std::optional<std::vector<std::string>> DecodeArguments(std::string_view bytes);

}  // namespace mainform
