// The command line: what the arguments ask for, help, the problems named for wrong ones, and the
// bytes in which a later copy hands its arguments to the running one.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "mainform/command_line.h"

namespace {

using mainform::Command;
using mainform::ParsedCommandLine;
using Outcome = ParsedCommandLine::Outcome;
using Args = std::vector<std::string>;

std::string Joined(const Args& args) {
  std::string text;
  for (const std::string& a : args) text += "[" + a + "]";
  return text;
}

Command Play(const std::string& name, std::optional<int32_t> repeat = std::nullopt) {
  Command c;
  c.play = name;
  c.repeat = repeat;
  return c;
}

TEST(CommandLineTest, ReadsWhatTheArgumentsAskFor) {
  Command start, stop, tray, trayPlay = Play("x"), stopPlay = Play("x");
  start.start = true;
  stop.stop = true;
  tray.tray = true;
  trayPlay.tray = true;
  stopPlay.stop = true;
  Command startTray = start;
  startTray.tray = true;
  const struct {
    Args args;
    Command expected;
  } cases[] = {
      {{}, {}},
      {{"--start"}, start},
      {{"--stop"}, stop},
      {{"--tray"}, tray},
      // A quoted name reaches the program as one argument, spaces and all.
      {{"--play", "Daily report clicks"}, Play("Daily report clicks")},
      {{"--play=Daily report clicks"}, Play("Daily report clicks")},
      {{"--play", "a=b"}, Play("a=b")},
      {{"--play=x=y"}, Play("x=y")},
      {{"--play", "  padded  "}, Play("  padded  ")},
      {{"--play",
        "Gr\xC3\xBC\xC3\x9F"
        "e"},
       Play("Gr\xC3\xBC\xC3\x9F"
            "e")},
      // Only a value starting with "--" is taken for the next option.
      {{"--play", "-h"}, Play("-h")},
      {{"--play", "Report", "--repeat", "3"}, Play("Report", 3)},
      {{"--repeat=65535", "--play", "x"}, Play("x", 65535)},
      {{"--play", "x", "--repeat", "1"}, Play("x", 1)},
      {{"--play", "x", "--repeat", "007"}, Play("x", 7)},
      {{"--tray", "--play", "x"}, trayPlay},
      {{"--stop", "--play", "x"}, stopPlay},
      {{"--START", "--Tray"}, startTray},
      {{"--PLAY=Name"}, Play("Name")},
  };
  for (const auto& c : cases) {
    const ParsedCommandLine parsed = mainform::ParseCommandLine(c.args);
    EXPECT_EQ(parsed.outcome, Outcome::Run) << Joined(c.args) << ": " << parsed.problem;
    EXPECT_TRUE(parsed.command == c.expected) << Joined(c.args);
    EXPECT_EQ(parsed.problem, "") << Joined(c.args);
  }
}

TEST(CommandLineTest, HelpWinsOverEverythingElse) {
  const Args cases[] = {
      {"--help"},
      {"-h"},
      {"/?"},
      {"--HELP"},
      {"-H"},
      {"--start", "--bogus", "-h"},
      {"--play", "--help"},
      {"/?", "--repeat", "0"},
  };
  for (const Args& args : cases) {
    const ParsedCommandLine parsed = mainform::ParseCommandLine(args);
    EXPECT_EQ(parsed.outcome, Outcome::Help) << Joined(args);
    EXPECT_TRUE(parsed.command.Empty()) << Joined(args);
    EXPECT_EQ(mainform::UsageBoxText(parsed), mainform::CommandLineUsage()) << Joined(args);
  }
}

TEST(CommandLineTest, WrongArgumentsNameTheFirstProblem) {
  const std::string needsName = "--play needs the name of a macro.";
  const std::string needsCount = "--repeat needs a number from 1 to 65535";
  const struct {
    Args args;
    std::string problem;
  } cases[] = {
      {{"--bogus"}, "Unknown argument \"--bogus\"."},
      {{"start"}, "Unknown argument \"start\"."},
      {{"-start"}, "Unknown argument \"-start\"."},
      {{""}, "Unknown argument \"\"."},
      {{"--start=now"}, "Unknown argument \"--start=now\"."},
      {{"--start", "Daily report clicks"}, "Unknown argument \"Daily report clicks\"."},
      {{"--play"}, needsName},
      {{"--play="}, needsName},
      {{"--play", ""}, needsName},
      {{"--play", "--repeat", "2"}, needsName},
      {{"--play", "a", "--play", "b"}, "--play is given more than once."},
      {{"--repeat", "2"}, "--repeat goes only with --play."},
      {{"--start", "--repeat=2"}, "--repeat goes only with --play."},
      {{"--play", "x", "--repeat"}, needsCount + "."},
      {{"--play", "x", "--repeat", "--tray"}, needsCount + "."},
      {{"--play", "x", "--repeat="}, needsCount + ", not \"\"."},
      {{"--play", "x", "--repeat", "0"}, needsCount + ", not \"0\"."},
      {{"--play", "x", "--repeat", "65536"}, needsCount + ", not \"65536\"."},
      {{"--play", "x", "--repeat", "99999999999999999999"},
       needsCount + ", not \"99999999999999999999\"."},
      {{"--play", "x", "--repeat", "-1"}, needsCount + ", not \"-1\"."},
      {{"--play", "x", "--repeat", "+3"}, needsCount + ", not \"+3\"."},
      {{"--play", "x", "--repeat", " 3"}, needsCount + ", not \" 3\"."},
      {{"--play", "x", "--repeat", "3x"}, needsCount + ", not \"3x\"."},
      {{"--play", "x", "--repeat", "1e2"}, needsCount + ", not \"1e2\"."},
      {{"--play", "x", "--repeat", "0x10"}, needsCount + ", not \"0x10\"."},
      {{"--play", "x", "--repeat", "\xD9\xA3"}, needsCount + ", not \"\xD9\xA3\"."},
      {{"--play", "x", "--repeat", "2", "--repeat", "3"}, "--repeat is given more than once."},
      {{"--start", "--start"}, "--start is given more than once."},
      {{"--tray", "--stop", "--stop"}, "--stop is given more than once."},
      {{"--start", "--stop"}, "--start and --stop cannot be used together."},
      {{"--play", "x", "--start"},
       "--start and --play cannot be used together: --play starts the macro."},
      // The first problem is named, not the last.
      {{"--bogus", "--repeat", "0"}, "Unknown argument \"--bogus\"."},
  };
  for (const auto& c : cases) {
    const ParsedCommandLine parsed = mainform::ParseCommandLine(c.args);
    EXPECT_EQ(parsed.outcome, Outcome::Wrong) << Joined(c.args);
    EXPECT_EQ(parsed.problem, c.problem) << Joined(c.args);
    EXPECT_TRUE(parsed.command.Empty()) << Joined(c.args);
    EXPECT_EQ(mainform::UsageBoxText(parsed), c.problem + "\r\n\r\n" + mainform::CommandLineUsage())
        << Joined(c.args);
  }
}

// ---------------------------------------------------------------------------------------------
// The hand-over bytes.

TEST(ArgumentHandOverTest, EachArgumentIsFollowedByOneNul) {
  EXPECT_EQ(mainform::EncodeArguments({"--play", "a b", ""}), std::string("--play\0a b\0\0", 12));
}

TEST(ArgumentHandOverTest, ArgumentsComeBackAsTheyWere) {
  const Args cases[] = {
      {"--start"},
      {"--play", "Daily report clicks", "--repeat", "3"},
      {"--play", ""},
      {"", ""},
      {"--play=Gr\xC3\xBC\xC3\x9F"
       "e \xE2\x9C\x93 \xF0\x9F\x98\x80"},
      {std::string(70000, 'n')},
  };
  for (const Args& args : cases) {
    const std::optional<Args> back = mainform::DecodeArguments(mainform::EncodeArguments(args));
    ASSERT_TRUE(back.has_value()) << Joined(args).substr(0, 80);
    EXPECT_EQ(*back, args);
  }
}

TEST(ArgumentHandOverTest, BytesItDoesNotMakeAreRefused) {
  using namespace std::string_literals;
  const size_t max = mainform::kMaxEncodedArguments;
  const struct {
    const char* label;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"no NUL at the end", "--start"},
      {"cut after a NUL", "--start\0--st"s},
      {"not UTF-8", "--play\0\xC3\0"s},
      {"UTF-16 with its byte-order mark", "\xFF\xFE-\0-\0s\0\0\0"s},
      {"an encoded surrogate", "--play\0\xED\xA0\x80\0"s},
      {"one byte too many", std::string(max - 1, 'a') + "a\0"s},
  };
  for (const auto& c : cases)
    EXPECT_FALSE(mainform::DecodeArguments(c.bytes).has_value()) << c.label;
  // The limit itself is taken.
  const std::optional<Args> longest = mainform::DecodeArguments(std::string(max - 1, 'a') + "\0"s);
  ASSERT_TRUE(longest.has_value());
  EXPECT_EQ(*longest, Args{std::string(max - 1, 'a')});
}

}  // namespace
