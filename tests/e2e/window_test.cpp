// The real program under Wine: the global hotkeys pressed as a user presses them, the compact
// running bar and the hidden window during a run, the settings file across a restart, a start
// hotkey from a hand-written settings file, a hotkey that another program holds, and the About
// box.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "mainform/control_ids.h"

namespace e2e {
namespace {

const std::wstring kCaption = L"  JUX Zura Divudiv 1.0";
const std::wstring kRunningCaption = L"  Running... Press Shift+Ctrl+X to stop";
const std::wstring kDefaultHotkeys = L"Hotkeys \u2014 Start: Shift+Ctrl+S  |  Stop: Shift+Ctrl+X";
constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;

bool IsTopMost(HWND hwnd) {
  return (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// The bar the window shrinks to while a run goes on: half the normal width (at least 200
// pixels), the caption bar and the frame high, 16 pixels from the right and bottom edges of the
// primary work area.
RECT ExpectedCompactRect(HWND hwnd, const RECT& normal) {
  const UINT dpi = GetDpiForWindow(hwnd);
  const int height =
      GetSystemMetricsForDpi(SM_CYCAPTION, dpi) + 2 * GetSystemMetricsForDpi(SM_CYFRAME, dpi);
  const int width = std::max<int>((normal.right - normal.left) / 2, 200);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return {work.right - 16 - width, work.bottom - 16 - height, work.right - 16, work.bottom - 16};
}

// The program with its own APPDATA, which outlives a restart of the program.
class WindowTest : public testing::Test {
 protected:
  void TearDown() override { ExpectCleanClose(); }

  Program& Start() {
    program_.emplace(appData_.Path());
    return *program_;
  }
  Program& App() { return *program_; }

  void ExpectCleanClose() {
    if (!program_) return;
    if (const std::string problem = CloseProblem(*program_); !problem.empty())
      ADD_FAILURE() << problem;
    program_.reset();
  }

  std::wstring SettingsFile() const {
    return appData_.Path() + L"\\JUX Zura Divudiv\\settings.ini";
  }

  void WriteSettings(const std::string& text) {
    const std::filesystem::path file(SettingsFile());
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out.good()) throw HarnessError("cannot write " + Narrow(SettingsFile()));
  }

  // Coordinates mode aimed at `screen`, one click every `millis` milliseconds.
  void AimAt(POINT screen, int millis) {
    App().Click(ids::coordinatesRadio);
    App().SetText(ids::coordXEdit, std::to_wstring(screen.x));
    App().SetText(ids::coordYEdit, std::to_wstring(screen.y));
    App().SetText(ids::millisecondsEdit, std::to_wstring(millis));
    ASSERT_TRUE(App().Checked(ids::coordinatesRadio));
  }

  bool WaitForRunEnd(Ms timeout = Ms{5000}) {
    return WaitUntil([&] { return App().Enabled(ids::startButton); }, timeout);
  }

  TempDir appData_;
  std::optional<Program> program_;
};

// Top left of the screen: away from the program's window in the middle, its compact bar at the
// bottom right and the notification area that Wine shows at the top left.
const RECT kTargetRect{40, 120, 340, 280};
constexpr POINT kClient{150, 80};

// ---------------------------------------------------------------------------------------------
// A run started and stopped by the default hotkeys, with and without "Always on top": the window
// is the compact top-most bar while it runs and comes back as it was.

class CompactBarTest : public WindowTest, public testing::WithParamInterface<bool> {};

TEST_P(CompactBarTest, HotkeyRunShowsTheCompactBarAndRestoresTheWindow) {
  const bool alwaysOnTop = GetParam();
  TargetWindow target(kTargetRect);
  Start();
  AimAt(target.ToScreen(kClient), 100);
  if (alwaysOnTop) {
    App().Click(ids::alwaysOnTopCheck);
    ASSERT_TRUE(App().Checked(ids::alwaysOnTopCheck));
  }
  const HWND main = App().MainWindow();
  const RECT normal = WindowRect(main);
  ASSERT_EQ(IsTopMost(main), alwaysOnTop);
  ASSERT_EQ(App().Caption(), kCaption);
  target.Clear();

  PressHotkey(kCtrlShift, 'S');
  ASSERT_TRUE(WaitUntil([&] { return target.Presses(0) >= 2; }, Ms{5000}))
      << "status: " << Narrow(App().Text(ids::statusLabel)) << Describe(target.Events());
  EXPECT_EQ(App().Text(ids::statusLabel), L"Started");
  EXPECT_FALSE(App().Enabled(ids::startButton));
  EXPECT_EQ(App().Caption(), kRunningCaption);
  const RECT compact = WindowRect(main);
  const RECT expected = ExpectedCompactRect(main, normal);
  EXPECT_TRUE(EqualRect(&compact, &expected))
      << "compact " << Str(compact) << ", expected " << Str(expected);
  EXPECT_TRUE(IsTopMost(main));
  EXPECT_TRUE(IsWindowVisible(main));

  PressHotkey(kCtrlShift, 'X');
  ASSERT_TRUE(WaitForRunEnd()) << Narrow(App().Text(ids::statusLabel));
  PumpFor(Ms{300});  // a click still on its way, or one after the stop, shows up here
  const int clicks = target.Presses(0);
  EXPECT_EQ(App().Text(ids::statusLabel),
            L"Stopped by hotkey. Clicks done: " + std::to_wstring(clicks));
  EXPECT_EQ(target.Count(WM_LBUTTONUP), clicks) << Describe(target.Events());
  for (const TargetWindow::Event& e : target.Events()) {
    EXPECT_EQ(e.client.x, kClient.x) << MouseMessageName(e.message);
    EXPECT_EQ(e.client.y, kClient.y) << MouseMessageName(e.message);
  }

  EXPECT_EQ(App().Caption(), kCaption);
  const RECT after = WindowRect(main);
  EXPECT_TRUE(EqualRect(&normal, &after)) << "before " << Str(normal) << ", after " << Str(after);
  EXPECT_EQ(IsTopMost(main), alwaysOnTop);
  EXPECT_EQ(App().Checked(ids::alwaysOnTopCheck), alwaysOnTop);
  EXPECT_FALSE(App().Enabled(ids::stopButton));
}

INSTANTIATE_TEST_SUITE_P(AlwaysOnTop, CompactBarTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& p) {
                           return p.param ? std::string("Checked") : std::string("Unchecked");
                         });

// ---------------------------------------------------------------------------------------------

TEST_F(WindowTest, MinimizeToTrayHidesTheWindowUntilTheRepeatCountCompletes) {
  TargetWindow target(kTargetRect);
  Start();
  AimAt(target.ToScreen(kClient), 250);
  App().Click(ids::repeatCountRadio);
  App().SetText(ids::repeatCountEdit, L"3");
  App().Click(ids::minimizeToTrayCheck);
  ASSERT_TRUE(App().Checked(ids::minimizeToTrayCheck));
  const HWND main = App().MainWindow();
  const RECT normal = WindowRect(main);
  target.Clear();

  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  EXPECT_FALSE(IsWindowVisible(main)) << "hidden at the start";
  // The end comes one interval after the third click: after the second the run is still on.
  ASSERT_TRUE(WaitUntil([&] { return target.Presses(0) >= 2; }, Ms{5000}))
      << Describe(target.Events());
  EXPECT_FALSE(IsWindowVisible(main)) << "hidden while running";
  EXPECT_FALSE(App().Enabled(ids::startButton));

  ASSERT_TRUE(WaitForRunEnd()) << Narrow(App().Text(ids::statusLabel));
  EXPECT_EQ(App().Text(ids::statusLabel), L"Completed repeat count. Clicks done: 3");
  EXPECT_TRUE(IsWindowVisible(main)) << "visible again at the end";
  EXPECT_EQ(App().Caption(), kCaption);
  const RECT after = WindowRect(main);
  EXPECT_TRUE(EqualRect(&normal, &after)) << "before " << Str(normal) << ", after " << Str(after);
  EXPECT_FALSE(IsTopMost(main));
  PumpFor(Ms{300});
  EXPECT_EQ(target.Presses(0), 3) << Describe(target.Events());
}

// ---------------------------------------------------------------------------------------------
// Values changed in the window are written when it closes and shown again at the next start.

struct TextValue {
  int id;
  const wchar_t* text;
};

TEST_F(WindowTest, ChangedValuesSurviveACloseAndARestart) {
  const TextValue texts[] = {
      {ids::coordXEdit, L"123"},   {ids::coordYEdit, L"456"},    {ids::hoursEdit, L"1"},
      {ids::minutesEdit, L"2"},    {ids::secondsEdit, L"3"},     {ids::millisecondsEdit, L"250"},
      {ids::jitterEdit, L"15"},    {ids::repeatCountEdit, L"7"}, {ids::holdEdit, L"120"},
      {ids::startDelayEdit, L"4"},
  };
  const int checked[] = {ids::coordinatesRadio, ids::jitterCheck, ids::repeatCountRadio,
                         ids::alwaysOnTopCheck};
  const int unchecked[] = {ids::cursorPositionRadio, ids::macrosRadio, ids::untilStoppedRadio,
                           ids::minimizeToTrayCheck};

  Start();
  for (int id : checked) App().Click(id);
  App().SelectCombo(ids::buttonCombo, 2);     // Middle
  App().SelectCombo(ids::clickTypeCombo, 2);  // Hold
  for (const TextValue& v : texts) App().SetText(v.id, v.text);
  for (const TextValue& v : texts) ASSERT_EQ(App().Text(v.id), v.text) << v.id;
  for (int id : checked) ASSERT_TRUE(App().Checked(id)) << id;

  ASSERT_TRUE(App().Close());
  EXPECT_EQ(App().ExitCode(), 0u);
  program_.reset();
  ASSERT_NE(GetFileAttributesW(SettingsFile().c_str()), INVALID_FILE_ATTRIBUTES);

  Start();
  for (const TextValue& v : texts) EXPECT_EQ(App().Text(v.id), v.text) << v.id;
  for (int id : checked) EXPECT_TRUE(App().Checked(id)) << id;
  for (int id : unchecked) EXPECT_FALSE(App().Checked(id)) << id;
  EXPECT_EQ(App().ComboIndex(ids::buttonCombo), 2);
  EXPECT_EQ(App().ComboIndex(ids::clickTypeCombo), 2);
  // The loaded values ran their handlers: the dependent controls are enabled, and the window
  // is on top again.
  for (int id :
       {ids::coordXEdit, ids::coordYEdit, ids::jitterEdit, ids::repeatCountEdit, ids::holdEdit})
    EXPECT_TRUE(App().Enabled(id)) << id;
  EXPECT_TRUE(IsTopMost(App().MainWindow()));
  EXPECT_EQ(App().Text(ids::statusLabel), L"Ready");
}

// ---------------------------------------------------------------------------------------------
// Hotkeys from the settings file, and a hotkey that is already taken.

TEST_F(WindowTest, StartHotkeyFromTheSettingsFileIsShownAndStartsTheRun) {
  TargetWindow target(kTargetRect);
  const POINT screen = target.ToScreen(kClient);
  WriteSettings("[HotkeyStart]\r\nvk=65\r\nmod=3\r\n[Target]\r\nmode=1\r\n[Coords]\r\nx=" +
                std::to_string(screen.x) + "\r\ny=" + std::to_string(screen.y) +
                "\r\n[Interval]\r\nms=100\r\n");
  Start();
  EXPECT_EQ(App().Text(ids::hotkeysLabel),
            L"Hotkeys \u2014 Start: Ctrl+Alt+A  |  Stop: Shift+Ctrl+X");
  EXPECT_EQ(App().Text(ids::statusLabel), L"Ready");
  target.Clear();

  // The default start hotkey no longer starts anything.
  PressHotkey(kCtrlShift, 'S');
  PumpFor(Ms{600});
  EXPECT_EQ(App().Text(ids::statusLabel), L"Ready");
  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_EQ(target.Events().size(), 0u) << Describe(target.Events());

  PressHotkey(MOD_CONTROL | MOD_ALT, 'A');
  ASSERT_TRUE(WaitUntil([&] { return target.Presses(0) >= 1; }, Ms{5000}))
      << "status: " << Narrow(App().Text(ids::statusLabel));
  EXPECT_EQ(App().Text(ids::statusLabel), L"Started");
  EXPECT_EQ(App().Caption(), kRunningCaption);

  PressHotkey(kCtrlShift, 'X');
  ASSERT_TRUE(WaitForRunEnd()) << Narrow(App().Text(ids::statusLabel));
  EXPECT_EQ(App().Text(ids::statusLabel).rfind(L"Stopped by hotkey. Clicks done: ", 0), 0u)
      << Narrow(App().Text(ids::statusLabel));
}

TEST_F(WindowTest, StopHotkeyHeldByAnotherProgramIsReported) {
  std::optional<HeldHotkey> held;
  held.emplace(kCtrlShift | MOD_NOREPEAT, 'X');
  ASSERT_TRUE(held->Ok()) << "the driver could not register Ctrl+Shift+X, error " << GetLastError();
  Start();
  const std::wstring status = L"Stop hotkey Shift+Ctrl+X is in use by another program.";
  EXPECT_EQ(App().Text(ids::statusLabel), status);
  EXPECT_EQ(App().Text(ids::hotkeysLabel), kDefaultHotkeys);

  // The start hotkey still reaches the program, which refuses a run it could not stop.
  App().SetText(ids::secondsEdit, L"10");  // a run would click only after ten seconds
  PressHotkey(kCtrlShift, 'S');
  const MessageBoxInfo box = App().WaitForMessageBox();
  EXPECT_EQ(box.text,
            L"The stop hotkey Shift+Ctrl+X is not available (it is in use by another program). "
            L"Choose another one with Hotkeys... before starting.");
  App().AnswerMessageBox(box, IDOK);
  EXPECT_EQ(App().Text(ids::statusLabel), status);
  EXPECT_TRUE(App().Enabled(ids::startButton));

  // Once the other program lets the key go, Start takes it and starts; the Stop button ends it.
  held.reset();
  PressHotkey(kCtrlShift, 'S');
  ASSERT_TRUE(WaitUntil([&] { return App().Text(ids::statusLabel) == L"Started"; }, Ms{3000}))
      << Narrow(App().Text(ids::statusLabel));
  App().Click(ids::stopButton);
  EXPECT_EQ(App().Text(ids::statusLabel), L"Stopped by button. Clicks done: 0");
}

// ---------------------------------------------------------------------------------------------

TEST_F(WindowTest, AboutBoxShowsTitleVersionAndTheCurrentYear) {
  Start();
  ASSERT_EQ(App().Click(ids::aboutButton), Program::ClickOutcome::MessageBoxShown);
  const MessageBoxInfo box = App().WaitForMessageBox();
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const std::wstring prefix = L"JUX Zura Divudiv\r\nVersion: 1.0\r\n";
  EXPECT_EQ(box.text.substr(0, prefix.size()), prefix) << Narrow(box.text);
  const size_t lastBreak = box.text.rfind(L"\r\n");
  ASSERT_NE(lastBreak, std::wstring::npos) << Narrow(box.text);
  const std::wstring lastLine = box.text.substr(lastBreak + 2);
  EXPECT_NE(lastLine.find(std::to_wstring(now.wYear)), std::wstring::npos) << Narrow(lastLine);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_EQ(box.owner, App().MainWindow());
  App().AnswerMessageBox(box, IDOK);
  EXPECT_EQ(App().Text(ids::statusLabel), L"Ready");
}

}  // namespace
}  // namespace e2e
