// The real program under Wine started with arguments: a later copy hands --start, --stop and
// --play to the running copy and ends, a first copy acts on its own arguments once its window is
// up, help and wrong arguments show the usage box and end with their exit codes, --tray starts
// hidden, and a portable copy keeps its settings and macros beside itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "mainform/control_ids.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr wchar_t kMainClass[] = L"TFrmMain";
const std::wstring kTitle = L"JUX Zura Divudiv";
const RECT kTargetRect{40, 120, 340, 280};
constexpr POINT kClient{150, 80};
// A later copy that hands its arguments over ends long before this.
constexpr Ms kHandOverTimeout{15000};

void WriteBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << bytes;
  if (!out.good()) throw HarnessError("cannot write " + file.string());
}

// A macro of one left click at a screen point, as the program writes its files.
std::string ClickMacro(const std::string& name, POINT p) {
  std::ostringstream text;
  text << kBom << "Name=" << name << "\r\nDurationMs=60\r\n";
  text << "E=0|0|" << p.x << '|' << p.y << "|-1\r\n";
  text << "E=30|1|" << p.x << '|' << p.y << "|0\r\n";
  text << "E=60|2|" << p.x << '|' << p.y << "|0\r\n";
  return text.str();
}

class CommandLineTest : public testing::Test {
 protected:
  void TearDown() override {
    if (!program_) return;
    if (const std::string problem = CloseProblem(*program_); !problem.empty())
      ADD_FAILURE() << problem;
  }

  fs::path SettingsFolder() const { return fs::path(appData_.Path()) / L"JUX Zura Divudiv"; }

  // Coordinates mode aimed at kClient on the target, one click every 100 ms until stopped.
  void AimAtTheTarget() {
    const POINT p = target_.ToScreen(kClient);
    WriteBytes(SettingsFolder() / "settings.ini",
               "[Target]\r\nmode=1\r\n[Coords]\r\nx=" + std::to_string(p.x) +
                   "\r\ny=" + std::to_string(p.y) + "\r\n[Interval]\r\nms=100\r\n");
  }

  void WriteClickMacro(const std::string& name) {
    WriteBytes(SettingsFolder() / "Macros" / "report.juxmac",
               ClickMacro(name, target_.ToScreen(kClient)));
  }

  Program& Start(const std::vector<std::wstring>& args = {}) {
    program_.emplace(appData_.Path(), ProgramPath(), args);
    return *program_;
  }
  Program& App() { return *program_; }

  // Starts a later copy with these arguments and expects it to end with exit code 0 at once.
  void HandOver(const std::vector<std::wstring>& args) {
    const std::optional<DWORD> code =
        RunToEnd(appData_.Path(), kHandOverTimeout, ProgramPath(), args);
    ASSERT_TRUE(code.has_value()) << "the later copy still ran after 15 s";
    EXPECT_EQ(*code, 0u);
  }

  bool WaitForStatus(const std::wstring& status, Ms timeout = Ms{5000}) {
    return WaitUntil([&] { return App().Text(ids::statusLabel) == status; }, timeout);
  }

  void ExpectEveryEventAtTheClickPoint() {
    for (const TargetWindow::Event& e : target_.Events()) {
      EXPECT_EQ(e.client.x, kClient.x) << MouseMessageName(e.message);
      EXPECT_EQ(e.client.y, kClient.y) << MouseMessageName(e.message);
    }
  }

  TargetWindow target_{kTargetRect};
  TempDir appData_;
  std::optional<Program> program_;
};

TEST_F(CommandLineTest, LaterCopiesStartAndStopTheRunningCopy) {
  AimAtTheTarget();
  Start();
  ASSERT_TRUE(App().Checked(ids::coordinatesRadio));
  target_.Clear();

  HandOver({L"--start"});
  ASSERT_TRUE(WaitUntil([&] { return target_.Presses(0) >= 2; }, Ms{5000}))
      << "status: " << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
  EXPECT_FALSE(App().Enabled(ids::startButton));
  EXPECT_EQ(App().Text(ids::statusLabel), L"Started");

  HandOver({L"--stop"});
  ASSERT_TRUE(WaitUntil([&] { return App().Enabled(ids::startButton); }, Ms{5000}))
      << Narrow(App().Text(ids::statusLabel));
  PumpFor(Ms{300});  // a click still on its way shows up here
  const int clicks = target_.Presses(0);
  EXPECT_EQ(App().Text(ids::statusLabel),
            L"Stopped from the command line. Clicks done: " + std::to_wstring(clicks));
  PumpFor(Ms{500});
  EXPECT_EQ(target_.Presses(0), clicks) << "clicks after the stop" << Describe(target_.Events());
  EXPECT_EQ(target_.Count(WM_LBUTTONUP), clicks) << Describe(target_.Events());
  ExpectEveryEventAtTheClickPoint();
}

TEST_F(CommandLineTest, ALaterCopyPlaysAMacroByItsNameTwice) {
  WriteClickMacro("Daily report clicks");
  Start();
  ASSERT_TRUE(App().Checked(ids::cursorPositionRadio));
  ASSERT_TRUE(App().Checked(ids::untilStoppedRadio));
  target_.Clear();

  // A name that is not in the library: said on the status line, and nothing starts.
  HandOver({L"--play", L"Weekly report clicks", L"--repeat", L"2"});
  EXPECT_TRUE(WaitForStatus(L"No macro named \"Weekly report clicks\"."))
      << Narrow(App().Text(ids::statusLabel));
  PumpFor(Ms{300});
  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_TRUE(App().Checked(ids::cursorPositionRadio));
  EXPECT_EQ(target_.Presses(0), 0) << Describe(target_.Events());

  HandOver({L"--play", L"Daily report clicks", L"--repeat", L"2"});
  ASSERT_TRUE(WaitForStatus(L"Completed macro repeat count. Runs done: 2"))
      << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
  PumpFor(Ms{300});
  EXPECT_EQ(target_.Presses(0), 2) << Describe(target_.Events());
  EXPECT_EQ(target_.Count(WM_LBUTTONUP), 2) << Describe(target_.Events());
  ExpectEveryEventAtTheClickPoint();
  // The run's target and count were its own: the window's choices are the user's.
  EXPECT_TRUE(App().Checked(ids::cursorPositionRadio));
  EXPECT_FALSE(App().Enabled(ids::macroList));
  EXPECT_TRUE(App().Enabled(ids::millisecondsEdit));
  EXPECT_TRUE(App().Checked(ids::untilStoppedRadio));
  EXPECT_EQ(App().Text(ids::repeatCountEdit), L"100");
}

TEST_F(CommandLineTest, AFirstCopyActsOnItsOwnArgumentsOnceItsWindowIsUp) {
  WriteClickMacro("Daily report clicks");
  target_.Clear();
  Start({L"--play=daily report clicks", L"--repeat", L"2"});
  ASSERT_TRUE(WaitForStatus(L"Completed macro repeat count. Runs done: 2"))
      << Narrow(App().Text(ids::statusLabel)) << Describe(target_.Events());
  PumpFor(Ms{300});
  EXPECT_EQ(target_.Presses(0), 2) << Describe(target_.Events());
  EXPECT_TRUE(App().Checked(ids::untilStoppedRadio));
  EXPECT_EQ(App().Text(ids::repeatCountEdit), L"100");
}

// --tray: the window stays hidden; a later start without arguments brings it, as the
// notification icon does.
TEST_F(CommandLineTest, TrayStartsHiddenUntilAskedFor) {
  StartedProcess first(appData_.Path(), {L"--tray"});
  HWND main = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        main = first.WindowOfClass(kMainClass);
        return main != nullptr || !first.Running();
      },
      Program::kStartTimeout));
  ASSERT_NE(main, nullptr) << "the program ended, exit code "
                           << first.WaitForExit(Ms{0}).value_or(0);
  PumpFor(Ms{1000});
  EXPECT_FALSE(IsWindowVisible(main));

  const std::optional<DWORD> code = RunToEnd(appData_.Path(), kHandOverTimeout);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, Ms{5000}));

  PostMessageW(main, WM_CLOSE, 0, 0);
  const std::optional<DWORD> exit = first.WaitForExit(Program::kCloseTimeout);
  ASSERT_TRUE(exit.has_value()) << "the program did not end after WM_CLOSE";
  EXPECT_EQ(*exit, 0u);
}

// WM_COPYDATA that is not a later copy's well-formed arguments is answered FALSE and changes
// nothing; the program goes on and still takes good arguments.
TEST_F(CommandLineTest, HandOverDataThatIsNotWellFormedIsIgnored) {
  using namespace std::string_literals;
  AimAtTheTarget();
  Start();
  target_.Clear();
  constexpr ULONG_PTR kTag = 0x5A444152;
  const struct {
    const char* label;
    ULONG_PTR tag;
    std::string bytes;
  } cases[] = {
      {"another tag", 0x1234, "--start\0"s},
      {"no bytes", kTag, ""},
      {"no NUL at the end", kTag, "--start"},
      {"not UTF-8", kTag, "--start\0\xC3\0"s},
      {"UTF-16", kTag, "\xFF\xFE-\0-\0s\0t\0a\0r\0t\0\0\0"s},
      {"a wrong argument", kTag, "--start\0--bogus\0"s},
      {"help", kTag, "--start\0--help\0"s},
      {"an empty argument", kTag, "\0"s},
      {"more than any command line", kTag, std::string(200000, 'a') + "\0"s},
  };
  auto send = [&](ULONG_PTR tag, const std::string& bytes) {
    COPYDATASTRUCT data{};
    data.dwData = tag;
    data.cbData = static_cast<DWORD>(bytes.size());
    data.lpData = bytes.empty() ? nullptr : const_cast<char*>(bytes.data());
    return Ask(App().MainWindow(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  };
  for (const auto& c : cases) EXPECT_EQ(send(c.tag, c.bytes), FALSE) << c.label;
  PumpFor(Ms{500});
  ASSERT_TRUE(App().Running());
  EXPECT_EQ(App().Text(ids::statusLabel), L"Ready");
  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_EQ(target_.Presses(0), 0) << Describe(target_.Events());

  EXPECT_EQ(send(kTag, "--start\0"s), TRUE);
  EXPECT_TRUE(WaitUntil([&] { return target_.Presses(0) >= 1; }, Ms{5000}))
      << Narrow(App().Text(ids::statusLabel));
  EXPECT_EQ(send(kTag, "--stop\0"s), TRUE);
  EXPECT_TRUE(WaitUntil([&] { return App().Enabled(ids::startButton); }, Ms{5000}));
}

// ---------------------------------------------------------------------------------------------
// Help and wrong arguments: the usage box, before anything else, then the exit code.

struct UsageCase {
  const char* label;
  std::vector<std::wstring> args;
  std::wstring firstLine;
  DWORD exitCode;
};

void PrintTo(const UsageCase& c, std::ostream* out) {
  *out << c.label;
}

class UsageBoxTest : public testing::TestWithParam<UsageCase> {
 protected:
  TempDir appData_;
};

TEST_P(UsageBoxTest, ShowsTheUsageAndEndsWithItsExitCode) {
  const UsageCase& c = GetParam();
  StartedProcess process(appData_.Path(), c.args);
  const MessageBoxInfo box = WaitForMessageBoxOf(process.ProcessId(), Ms{15000});
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_EQ(box.text.substr(0, box.text.find(L'\r')), c.firstLine) << Narrow(box.text);
  EXPECT_NE(box.text.find(L"Usage: zivavavazezire.exe [options]"), std::wstring::npos)
      << Narrow(box.text);
  EXPECT_NE(box.text.find(L"--play \"NAME\""), std::wstring::npos) << Narrow(box.text);
  // Nothing else has happened: no window, no settings folder.
  EXPECT_EQ(process.WindowOfClass(kMainClass), nullptr);
  EXPECT_FALSE(fs::exists(fs::path(appData_.Path()) / L"JUX Zura Divudiv"));
  EXPECT_TRUE(process.Running());

  AnswerMessageBox(box, IDOK);
  const std::optional<DWORD> code = process.WaitForExit(Ms{10000});
  ASSERT_TRUE(code.has_value()) << "still running after the box was answered";
  EXPECT_EQ(*code, c.exitCode);
  EXPECT_FALSE(fs::exists(fs::path(appData_.Path()) / L"JUX Zura Divudiv"));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageBoxTest,
    testing::Values(UsageCase{"Help", {L"--help"}, L"Usage: zivavavazezire.exe [options]", 0},
                    UsageCase{"QuestionMark", {L"/?"}, L"Usage: zivavavazezire.exe [options]", 0},
                    UsageCase{"Unknown", {L"--bogus"}, L"Unknown argument \"--bogus\".", 2},
                    UsageCase{"RepeatOutOfRange",
                              {L"--play", L"Daily report clicks", L"--repeat", L"0"},
                              L"--repeat needs a number from 1 to 65535, not \"0\".",
                              2},
                    UsageCase{
                        "PlayWithoutAName", {L"--play"}, L"--play needs the name of a macro.", 2}),
    [](const testing::TestParamInfo<UsageCase>& p) { return std::string(p.param.label); });

// A wrong argument is not handed to the running copy: the new copy says so itself.
TEST_F(CommandLineTest, AWrongArgumentIsNotHandedToTheRunningCopy) {
  AimAtTheTarget();
  Start();
  target_.Clear();
  StartedProcess later(appData_.Path(), {L"--start", L"--bogus"});
  const MessageBoxInfo box = WaitForMessageBoxOf(later.ProcessId(), Ms{15000});
  EXPECT_EQ(box.text.substr(0, box.text.find(L'\r')), L"Unknown argument \"--bogus\".");
  AnswerMessageBox(box, IDOK);
  const std::optional<DWORD> code = later.WaitForExit(Ms{10000});
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 2u);
  PumpFor(Ms{500});
  EXPECT_EQ(App().Text(ids::statusLabel), L"Ready");
  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_EQ(target_.Presses(0), 0) << Describe(target_.Events());
}

// ---------------------------------------------------------------------------------------------
// A portable copy: settings.ini beside the program.

TEST(PortableCopyTest, KeepsItsSettingsAndMacrosBesideTheProgramAndLeavesAppDataAlone) {
  TempDir appData;
  TempDir folder;
  const fs::path exe = fs::path(folder.Path()) / L"zivavavazezire.exe";
  fs::copy_file(fs::path(ProgramPath()), exe);
  const fs::path settings = fs::path(folder.Path()) / L"settings.ini";
  WriteBytes(settings, "[Interval]\r\nms=777\r\n");
  WriteBytes(fs::path(folder.Path()) / L"Macros" / L"beside.juxmac",
             ClickMacro("Beside the program", {10, 10}));

  {
    Program app(appData.Path(), exe.wstring());
    EXPECT_EQ(app.Text(ids::millisecondsEdit), L"777");
    EXPECT_EQ(ListBoxItems(app.Control(ids::macroList)),
              std::vector<std::wstring>{L"Beside the program"});
    app.SetText(ids::hoursEdit, L"2");
    if (const std::string problem = CloseProblem(app); !problem.empty()) ADD_FAILURE() << problem;
  }

  // The settings written at the end are in the file beside the program.
  EXPECT_EQ(GetPrivateProfileIntW(L"Interval", L"h", -1, settings.c_str()), 2);
  EXPECT_EQ(GetPrivateProfileIntW(L"Interval", L"ms", -1, settings.c_str()), 777);
  EXPECT_EQ(GetPrivateProfileIntW(L"Macros", L"speed", -1, settings.c_str()), 100);
  EXPECT_FALSE(fs::exists(fs::path(appData.Path()) / L"JUX Zura Divudiv"));
  EXPECT_TRUE(fs::is_empty(fs::path(appData.Path())));
}

}  // namespace
}  // namespace e2e
