// The macro model, the ".juxmac" format, the integer syntax, UTF-8 checks, macro file names
// and the atomic file write underneath SaveToFile.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "macros/int_syntax.h"
#include "macros/macro_names.h"
#include "macros/recorded_macro.h"
#include "macros/utf8.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
const std::string kBom = "\xEF\xBB\xBF";

MacroEvent Ev(uint32_t delta, int kind, int32_t x, int32_t y, int32_t button) {
  return {delta, static_cast<MacroEventKind>(kind), x, y, button};
}

RecordedMacro ExampleMacro() {
  RecordedMacro m;
  m.SetName("2024-03-07 09.05.02 (1.2s)");
  m.SetDurationMs(1234);
  m.Events() = {Ev(15, 0, 641, 480, -1), Ev(1200, 1, 641, 480, 0), Ev(1234, 2, 641, 480, 0)};
  return m;
}

const std::string kExampleFile = kBom +
                                 "Name=2024-03-07 09.05.02 (1.2s)\r\n"
                                 "DurationMs=1234\r\n"
                                 "E=15|0|641|480|-1\r\n"
                                 "E=1200|1|641|480|0\r\n"
                                 "E=1234|2|641|480|0\r\n";

// ---------------------------------------------------------------------------------------------
// Reading

struct ReadCase {
  const char* label;
  std::string bytes;
  std::string name;
  uint32_t duration;
  std::vector<MacroEvent> events;
};

TEST(MacroText, ReadsEachCase) {
  const std::vector<MacroEvent> example = ExampleMacro().Events();
  const ReadCase cases[] = {
      {"empty file", "", "", 0, {}},
      {"byte-order mark only", kBom, "", 0, {}},
      {"the example as written", kExampleFile, "2024-03-07 09.05.02 (1.2s)", 1234, example},
      {"no byte-order mark", kExampleFile.substr(3), "2024-03-07 09.05.02 (1.2s)", 1234, example},
      {"lone LF line ends",
       "Name=n\nDurationMs=1234\nE=15|0|641|480|-1\nE=1200|1|641|480|0\nE=1234|2|641|480|0\n", "n",
       1234, example},
      {"lone CR line ends",
       "Name=n\rDurationMs=1234\rE=15|0|641|480|-1\rE=1200|1|641|480|0\rE=1234|2|641|480|0\r", "n",
       1234, example},
      {"LF then CR is two line ends, last line without one",
       "Name=a\n\rDurationMs=5\r\rE=1|0|2|3|-1",
       "a",
       5,
       {Ev(1, 0, 2, 3, -1)}},
      {"lower-case keys: name and duration count, e= does not",
       "name=Foo\r\ndurationms=7\r\ne=1|0|2|3|-1\r\n",
       "Foo",
       7,
       {}},
      {"upper-case keys", "NAME=Bar\r\nDURATIONMS=8\r\n", "Bar", 8, {}},
      {"further = belong to the name", "Name=a=b\r\n", "a=b", 0, {}},
      {"blanks in the name are kept", "Name= x \r\n", " x ", 0, {}},
      {"first name line counts", "Name=first\r\nName=second\r\n", "first", 0, {}},
      {"an empty first name line still counts", "Name=\r\nName=second\r\n", "", 0, {}},
      {"first duration line counts even when unreadable",
       "DurationMs=abc\r\nDurationMs=5\r\n",
       "",
       0,
       {}},
      {"name and duration after the events",
       "E=1|0|2|3|-1\r\nDurationMs=9\r\nName=late\r\n",
       "late",
       9,
       {Ev(1, 0, 2, 3, -1)}},
      {"keys not directly followed by =",
       "Name =x\r\n Name=y\r\nNamex=z\r\nDurationMs =4\r\n",
       "",
       0,
       {}},
      {"a second byte-order mark is text", kBom + kBom + "Name=x\r\n", "", 0, {}},
      {"non-ASCII and NUL in the name",
       "Name=\xC3\x9Cn\xC3\xAF \xE6\x97\xA5 \xF0\x9F\x98\x80 a\0b"s,
       "\xC3\x9Cn\xC3\xAF \xE6\x97\xA5 \xF0\x9F\x98\x80 a\0b"s,
       0,
       {}},
      {"other keys and empty lines are ignored", "\r\n\r\nFoo=1\r\n[Macro]\r\n", "", 0, {}},
      {"four fields: skipped", "E=10|1|5|6\r\n", "", 0, {}},
      {"trailing | makes an empty fifth field", "E=10|1|5|6|\r\n", "", 0, {Ev(10, 1, 5, 6, -1)}},
      {"a sixth field is ignored", "E=10|1|5|6|0|99\r\n", "", 0, {Ev(10, 1, 5, 6, 0)}},
      {"nothing after E=: no field at all", "E=\r\n", "", 0, {}},
      {"five empty fields take the defaults", "E=||||\r\n", "", 0, {Ev(0, 0, 0, 0, -1)}},
      {"unreadable fields take the defaults", "E=x|y|z|1.5|left\r\n", "", 0, {Ev(0, 0, 0, 0, -1)}},
      {"Kind keeps its low byte", "E=10|257|5|6|0\r\n", "", 0, {Ev(10, 1, 5, 6, 0)}},
      {"Kind -1 is 255", "E=10|-1|5|6|0\r\n", "", 0, {Ev(10, 255, 5, 6, 0)}},
      {"DeltaMs -1 is 4294967295", "E=-1|0|5|6|-1\r\n", "", 0, {Ev(4294967295u, 0, 5, 6, -1)}},
      {"DeltaMs out of range is unreadable",
       "E=2147483648|0|5|6|-1\r\n",
       "",
       0,
       {Ev(0, 0, 5, 6, -1)}},
      {"hexadecimal and signed fields", "E=$10|0x1|-x5|+6|0X2\r\n", "", 0, {Ev(16, 1, -5, 6, 2)}},
      {"leading blanks read, trailing blanks do not",
       "E= 10|1 |5|6|0\r\n",
       "",
       0,
       {Ev(10, 0, 5, 6, 0)}},
      {"extreme positions", "E=0|0|-2147483648|2147483647|2\r\n", "", 0, {Ev(0, 0, kMin, kMax, 2)}},
      {"event lines need a capital E at the start", "e=1|0|2|3|-1\r\n E=1|0|2|3|-1\r\n", "", 0, {}},
      {"duration with trailing text is 0", "DurationMs=12 ms\r\n", "", 0, {}},
      {"duration -1 is 4294967295", "DurationMs=-1\r\n", "", 4294967295u, {}},
      {"duration above 2147483647 is unreadable", "DurationMs=4294967295\r\n", "", 0, {}},
      {"hexadecimal duration", "DurationMs=$FF\r\n", "", 255, {}},
      {"a name split by a line break",
       "Name=first\r\nsecond part\r\nE=1|0|2|3|-1\r\nDurationMs=3\r\n",
       "first",
       3,
       {Ev(1, 0, 2, 3, -1)}},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.label);
    RecordedMacro m;
    m.SetFileName("kept");
    ASSERT_TRUE(ParseMacroText(c.bytes, m));
    EXPECT_EQ(m.Name(), c.name);
    EXPECT_EQ(m.DurationMs(), c.duration);
    EXPECT_EQ(m.Events(), c.events);
    EXPECT_EQ(m.FileName(), "kept");
  }
}

TEST(MacroText, RejectsInvalidUtf8AndLeavesTheMacroAlone) {
  const std::string cases[] = {
      "Name=\xC3\x28\r\n",              // a lead byte without its continuation
      "Name=\xC0\xAF\r\n",              // overlong "/"
      "E=1|0|2|3|-1\r\nName=\xE2\x82",  // cut short at the very end
      "Name=\xED\xA0\x80\r\n",          // a surrogate
      "Name=\xF4\x90\x80\x80\r\n",      // above U+10FFFF
      "\xEF\xBBName=x\r\n",             // a broken byte-order mark
      "\x80",                           // a stray continuation byte
      "Name=\xFF\r\n",
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    RecordedMacro m = ExampleMacro();
    EXPECT_FALSE(ParseMacroText(bytes, m));
    EXPECT_EQ(m.Name(), ExampleMacro().Name());
    EXPECT_EQ(m.DurationMs(), 1234u);
    EXPECT_EQ(m.Events(), ExampleMacro().Events());
  }
}

// ---------------------------------------------------------------------------------------------
// Writing

TEST(MacroText, FormatsTheExampleByteForByte) {
  EXPECT_EQ(FormatMacroFile(ExampleMacro()), kExampleFile);
}

TEST(MacroText, FormatsEdgeValues) {
  RecordedMacro m;
  m.SetDurationMs(4294967295u);
  m.Events() = {Ev(2147483648u, 255, kMin, kMax, -1), Ev(4294967295u, 7, 0, -1, 2)};
  EXPECT_EQ(FormatMacroFile(m), kBom +
                                    "DurationMs=4294967295\r\n"
                                    "E=-2147483648|255|-2147483648|2147483647|-1\r\n"
                                    "E=-1|7|0|-1|2\r\n");
}

TEST(MacroText, WritesAnInvalidNameSoThatItReadsBack) {
  RecordedMacro m;
  m.SetName(
      "a\xFF"
      "b\xE2\x82");
  const std::string bytes = FormatMacroFile(m);
  EXPECT_EQ(bytes, kBom +
                       "Name=a\xEF\xBF\xBD"
                       "b\xEF\xBF\xBD\r\nDurationMs=0\r\n");
  RecordedMacro back;
  ASSERT_TRUE(ParseMacroText(bytes, back));
  EXPECT_EQ(back.Name(),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST(MacroText, RoundTripsEveryFieldOverItsWholeRange) {
  RecordedMacro m;
  m.SetName("Round trip");
  const uint32_t deltas[] = {0u, 1u, 2147483647u, 2147483648u, 4294967294u, 4294967295u};
  const int32_t ints[] = {kMin, kMin + 1, -1, 0, 1, kMax - 1, kMax};
  for (uint32_t d : deltas) m.Events().push_back(Ev(d, 0, 0, 0, -1));
  for (int k = 0; k <= 255; ++k) m.Events().push_back(Ev(1, k, 2, 3, 0));
  for (int32_t v : ints) {
    m.Events().push_back(Ev(5, 0, v, 0, 0));
    m.Events().push_back(Ev(5, 0, 0, v, 0));
    m.Events().push_back(Ev(5, 0, 0, 0, v));
  }
  RecordedMacro back;
  ASSERT_TRUE(ParseMacroText(FormatMacroFile(m), back));
  EXPECT_EQ(back.Name(), m.Name());
  EXPECT_EQ(back.Events(), m.Events());
}

// Wheels, side buttons and keys use the same five fields: they round-trip, and a file re-saved
// after reading it keeps every byte, whether it holds the new kinds or only the old ones.
TEST(MacroText, NewKindsRoundTripAndFilesKeepTheirBytes) {
  const std::string withNewKinds = kBom +
                                   "Name=Desk\r\n"
                                   "DurationMs=900\r\n"
                                   "E=10|3|100|200|120\r\n"
                                   "E=20|3|100|200|-240\r\n"
                                   "E=30|4|-5|7|120\r\n"
                                   "E=40|1|100|200|3\r\n"
                                   "E=50|2|100|200|3\r\n"
                                   "E=60|1|100|200|4\r\n"
                                   "E=70|2|100|200|4\r\n"
                                   "E=80|5|100|200|7745\r\n"
                                   "E=90|6|100|200|7745\r\n"
                                   "E=900|5|100|200|85287\r\n";
  RecordedMacro back;
  ASSERT_TRUE(ParseMacroText(withNewKinds, back));
  using K = MacroEventKind;
  const std::vector<MacroEvent> expected = {
      {10, K::Wheel, 100, 200, 120},
      {20, K::Wheel, 100, 200, -240},
      {30, K::HorizontalWheel, -5, 7, 120},
      {40, K::Down, 100, 200, 3},
      {50, K::Up, 100, 200, 3},
      {60, K::Down, 100, 200, 4},
      {70, K::Up, 100, 200, 4},
      {80, K::KeyDown, 100, 200, PackMacroKey('A', 0x1E, false)},
      {90, K::KeyUp, 100, 200, PackMacroKey('A', 0x1E, false)},
      {900, K::KeyDown, 100, 200, PackMacroKey(0x27, 0x4D, true)}};
  EXPECT_EQ(back.Events(), expected);
  EXPECT_EQ(FormatMacroFile(back), withNewKinds);

  RecordedMacro old;
  ASSERT_TRUE(ParseMacroText(kExampleFile, old));
  EXPECT_EQ(FormatMacroFile(old), kExampleFile);
}

TEST(MacroText, KeysPackVirtualKeyScanCodeAndExtendedBit) {
  const struct {
    uint32_t vk, scan;
    bool extended;
    int32_t packed;
  } cases[] = {
      {'A', 0x1E, false, 0x1E41},     // 7745
      {0x27, 0x4D, true, 0x14D27},    // Right arrow: 85287
      {0xA3, 0x1D, true, 0x11DA3},    // right Ctrl
      {0x0D, 0x1C, false, 0x1C0D},    // Enter
      {0x1FF, 0x1FF, false, 0xFFFF},  // only the low byte of each is kept
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.packed);
    EXPECT_EQ(PackMacroKey(c.vk, c.scan, c.extended), c.packed);
    EXPECT_EQ(MacroKeyVk(c.packed), c.vk & 0xFF);
  }
}

TEST(MacroText, RoundTripsDurationsAndNames) {
  const struct {
    uint32_t written;
    uint32_t read;
  } durations[] = {{0, 0},
                   {1, 1},
                   {2147483647u, 2147483647u},
                   // Written unsigned, which the signed reader cannot read.
                   {2147483648u, 0},
                   {4294967295u, 0}};
  for (const auto& d : durations) {
    SCOPED_TRACE(d.written);
    RecordedMacro m;
    m.SetDurationMs(d.written);
    RecordedMacro back;
    ASSERT_TRUE(ParseMacroText(FormatMacroFile(m), back));
    EXPECT_EQ(back.DurationMs(), d.read);
  }

  // A line break in a name splits it, and what follows reads as a line of its own.
  const struct {
    std::string written;
    std::string read;
    uint32_t duration;
    size_t events;
  } names[] = {
      {"", "", 0, 0},
      {"plain", "plain", 0, 0},
      {"a=b|c", "a=b|c", 0, 0},
      {" lead and trail ", " lead and trail ", 0, 0},
      {"E=1|2|3|4|5", "E=1|2|3|4|5", 0, 0},
      {"\xC3\x9C \xF0\x9F\x98\x80", "\xC3\x9C \xF0\x9F\x98\x80", 0, 0},
      {"first\nsecond", "first", 0, 0},
      {"first\r\nDurationMs=77", "first", 77, 0},
      {"first\rE=1|2|3|4|5", "first", 0, 1},
  };
  for (const auto& n : names) {
    SCOPED_TRACE(n.written);
    RecordedMacro m;
    m.SetName(n.written);
    RecordedMacro back;
    ASSERT_TRUE(ParseMacroText(FormatMacroFile(m), back));
    EXPECT_EQ(back.Name(), n.read);
    EXPECT_EQ(back.DurationMs(), n.duration);
    EXPECT_EQ(back.Events().size(), n.events);
  }

  RecordedMacro unnamed;
  EXPECT_EQ(FormatMacroFile(unnamed), kBom + "DurationMs=0\r\n");
}

// ---------------------------------------------------------------------------------------------
// Integer syntax

TEST(IntSyntax, ReadsEachCase) {
  const struct {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"0", true, 0},
      {"123", true, 123},
      {"+5", true, 5},
      {"-5", true, -5},
      {"-0", true, 0},
      {"   42", true, 42},
      {"  -42", true, -42},
      {"007", true, 7},
      {"0000000000000000000012", true, 12},
      {"2147483647", true, kMax},
      {"-2147483648", true, kMin},
      {"$1F", true, 31},
      {"$1f", true, 31},
      {"x10", true, 16},
      {"X10", true, 16},
      {"0x10", true, 16},
      {"0X10", true, 16},
      {"0x0000000000000000001", true, 1},
      {"-$10", true, -16},
      {"+0x10", true, 16},
      {" $A", true, 10},
      {"$7FFFFFFF", true, kMax},
      {"-$80000000", true, kMin},
      // Out of the signed 32-bit range, hexadecimal included.
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"99999999999999999999", false, 0},
      {"$80000000", false, 0},
      {"0xFFFFFFFF", false, 0},
      {"-0x80000001", false, 0},
      {"$100000000", false, 0},
      // Not the syntax.
      {"", false, 0},
      {" ", false, 0},
      {"+", false, 0},
      {"-", false, 0},
      {"$", false, 0},
      {"x", false, 0},
      {"0x", false, 0},
      {"-0x", false, 0},
      {"12 ", false, 0},
      {"\t12", false, 0},
      {"1 2", false, 0},
      {"- 5", false, 0},
      {"+-5", false, 0},
      {"--5", false, 0},
      {"12ms", false, 0},
      {"1.5", false, 0},
      {"1e3", false, 0},
      {"0x-5", false, 0},
      {"$ 5", false, 0},
      {"0xG", false, 0},
      {"00x10", false, 0},
      {"$0x10", false, 0},
      {"0b101", false, 0},
      {"\xD9\xA1", false, 0},  // ARABIC-INDIC DIGIT ONE
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t value = 1234567;
    EXPECT_EQ(ParseIntSyntax(c.text, value), c.ok);
    EXPECT_EQ(value, c.ok ? c.value : 1234567);
  }
}

// ---------------------------------------------------------------------------------------------
// UTF-8

TEST(Utf8, ValidatesEachCase) {
  const struct {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain ASCII\r\n"s + '\0', true},
      {"\xC2\x80", true},                   // U+0080
      {"\xDF\xBF", true},                   // U+07FF
      {"\xE0\xA0\x80", true},               // U+0800
      {"\xED\x9F\xBF", true},               // U+D7FF
      {"\xEE\x80\x80", true},               // U+E000
      {"\xEF\xBB\xBF", true},               // U+FEFF
      {"\xEF\xBF\xBF", true},               // U+FFFF
      {"\xF0\x90\x80\x80", true},           // U+10000
      {"\xF4\x8F\xBF\xBF", true},           // U+10FFFF
      {"\xC0\x80", false},                  // overlong U+0000
      {"\xC1\xBF", false},                  // overlong U+007F
      {"\xE0\x80\x80", false},              // overlong
      {"\xE0\x9F\xBF", false},              // overlong U+07FF
      {"\xF0\x80\x80\x80", false},          // overlong
      {"\xF0\x8F\xBF\xBF", false},          // overlong U+FFFF
      {"\xED\xA0\x80", false},              // U+D800
      {"\xED\xBF\xBF", false},              // U+DFFF
      {"\xED\xA0\xBD\xED\xB8\x80", false},  // a surrogate pair spelt out
      {"\xF4\x90\x80\x80", false},          // U+110000
      {"\xF5\x80\x80\x80", false},
      {"\xF8\x88\x80\x80\x80", false},  // five-byte form
      {"\xFE", false},
      {"\xFF", false},
      {"\x80", false},
      {"a\xBF"
       "b",
       false},
      {"\xC2", false},  // cut short at the end
      {"\xE2\x82", false},
      {"\xF0\x9F\x98", false},
      {"\xE2\x82"
       "A",
       false},  // cut short before another character
      {"\xC2\xC2\x80", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
    const std::string repaired = ToValidUtf8(c.bytes);
    EXPECT_TRUE(IsValidUtf8(repaired));
    if (c.valid) {
      EXPECT_EQ(repaired, c.bytes);
    }
  }
}

TEST(Utf8, ReplacesEachIllFormedPartOnce) {
  EXPECT_EQ(ToValidUtf8("a\xE2\x82"
                        "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(ToValidUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(ToValidUtf8("\xF0\x9F\x98"), "\xEF\xBF\xBD");
  EXPECT_EQ(ToValidUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

// ---------------------------------------------------------------------------------------------
// File names

TEST(SanitizeMacroName, MapsEachCase) {
  const struct {
    std::string name;
    std::string file;
  } cases[] = {
      {"Click test", "Click test"},
      {"", ""},
      {"   ", ""},
      {"  padded  ", "padded"},
      {"\t\x01 inner  blanks \x1F\r\n", "inner  blanks"},
      {"\"*/:<>?\\|", "_________"},
      {"a:b?", "a_b_"},
      {"2024-03-07 09.05.02 (12.3s)", "2024-03-07 09.05.02 (12.3s)"},
      {"in\tside", "in\tside"},  // only the ends are trimmed
      {"\x7F", "\x7F"},          // DEL is above 32
      {"\xC3\x9C"
       "ber & co.",
       "\xC3\x9C"
       "ber & co."},
      {" \xE6\x97\xA5 ", "\xE6\x97\xA5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.name));
    EXPECT_EQ(SanitizeMacroName(c.name), c.file);
  }
}

// ---------------------------------------------------------------------------------------------
// Files

class MacroFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() / ("macro_file_test_" + std::to_string(::getpid()) + "_" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  static void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
    ASSERT_TRUE(f.good()) << path;
  }
  static std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      names.insert(entry.path().lexically_relative(dir_).string());
    }
    return names;
  }

  fs::path dir_;
};

TEST_F(MacroFileTest, LoadsAFileAndKeepsThePathAsGiven) {
  WriteBytes(PathOf("a.juxmac"), kExampleFile);
  const std::string asGiven = dir_.string() + "/./a.juxmac";
  const auto m = RecordedMacro::LoadFromFile(asGiven);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->FileName(), asGiven);
  EXPECT_EQ(m->Name(), "2024-03-07 09.05.02 (1.2s)");
  EXPECT_EQ(m->DurationMs(), 1234u);
  EXPECT_EQ(m->Events(), ExampleMacro().Events());
}

TEST_F(MacroFileTest, LoadFailsWithAMessageNamingTheFile) {
  WriteBytes(PathOf("bad.juxmac"), "Name=\xC3\x28\r\n");
  fs::create_directory(PathOf("folder.juxmac"));
  for (const std::string& path :
       {PathOf("bad.juxmac"), PathOf("missing.juxmac"), PathOf("folder.juxmac")}) {
    SCOPED_TRACE(path);
    try {
      RecordedMacro::LoadFromFile(path);
      ADD_FAILURE() << "loaded";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
}

TEST_F(MacroFileTest, SaveReplacesAnExistingFileCompletely) {
  const std::string path = PathOf("a.juxmac");
  WriteBytes(path, std::string(10000, 'x'));
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  RecordedMacro m = ExampleMacro();
  m.SaveToFile(path);
  EXPECT_EQ(ReadBytes(path), kExampleFile);
  EXPECT_EQ(m.FileName(), path);
  EXPECT_EQ(Listing(), std::set<std::string>{"a.juxmac"});
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // a replaced file keeps its permissions
}

TEST_F(MacroFileTest, SavingToASecondPathLeavesTheFirstAlone) {
  const std::string first = PathOf("first.juxmac");
  const std::string second = PathOf("second.juxmac");
  WriteBytes(first, kExampleFile);
  auto m = RecordedMacro::LoadFromFile(first);
  m->SetName("Renamed");
  m->SaveToFile(second);
  EXPECT_EQ(ReadBytes(first), kExampleFile);
  EXPECT_EQ(m->FileName(), second);
  const auto back = RecordedMacro::LoadFromFile(second);
  EXPECT_EQ(back->Name(), "Renamed");
  EXPECT_EQ(back->DurationMs(), 1234u);
  EXPECT_EQ(back->Events(), ExampleMacro().Events());
}

TEST_F(MacroFileTest, FailedSaveChangesNothing) {
  WriteBytes(PathOf("plain.txt"), "not a folder");
  fs::create_directory(PathOf("folder.juxmac"));
  WriteBytes(PathOf("folder.juxmac/inside"), "keep");
  const std::string targets[] = {
      PathOf("missing/a.juxmac"),    // no such folder
      PathOf("plain.txt/a.juxmac"),  // the "folder" is a file
      PathOf("folder.juxmac"),       // the target is a folder
  };
  const std::set<std::string> before = Listing();
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    RecordedMacro m = ExampleMacro();
    m.SetFileName("old.juxmac");
    try {
      m.SaveToFile(target);
      ADD_FAILURE() << "saved";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(target), std::string::npos) << e.what();
    }
    EXPECT_EQ(m.FileName(), "old.juxmac");
    EXPECT_EQ(Listing(), before);  // no temporary file left behind
  }
  EXPECT_EQ(ReadBytes(PathOf("plain.txt")), "not a folder");
  EXPECT_EQ(ReadBytes(PathOf("folder.juxmac/inside")), "keep");
}

// A write that fails half-way (here: the file size limit) must leave the old file whole.
TEST_F(MacroFileTest, SaveFailingMidWriteKeepsTheOldFile) {
  const std::string path = PathOf("a.juxmac");
  WriteBytes(path, kExampleFile);
  RecordedMacro m = ExampleMacro();
  m.SetFileName("old.juxmac");
  for (int i = 0; i < 2000; ++i) m.Events().push_back(Ev(i, 0, i, i, -1));
  ASSERT_GT(FormatMacroFile(m).size(), 8192u);

  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  auto* const oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool threw = false;
  try {
    m.SaveToFile(path);
  } catch (const std::runtime_error& e) {
    threw = true;
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_TRUE(threw);
  EXPECT_EQ(ReadBytes(path), kExampleFile);
  EXPECT_EQ(m.FileName(), "old.juxmac");
  EXPECT_EQ(Listing(), std::set<std::string>{"a.juxmac"});
}

TEST_F(MacroFileTest, SaveIntoAReadOnlyFolderKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  const std::string path = PathOf("a.juxmac");
  WriteBytes(path, kExampleFile);
  fs::permissions(dir_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  RecordedMacro m;
  m.SetName("new");
  EXPECT_THROW(m.SaveToFile(path), std::runtime_error);
  fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(ReadBytes(path), kExampleFile);
  EXPECT_TRUE(m.FileName().empty());
  EXPECT_EQ(Listing(), std::set<std::string>{"a.juxmac"});
}

}  // namespace
