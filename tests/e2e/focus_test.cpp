// Who has the keyboard focus: a run started and stopped by hotkey leaves the user's window in
// front (the compact bar, the window hidden in the notification area, and a minimised window
// all come and go without activating the program), and a second start of the program brings the
// running copy's window to the front and ends at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "harness.h"
#include "mainform/control_ids.h"

namespace e2e {
namespace {

const std::wstring kCaption = L"  JUX Zura Divudiv 1.0";
constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The foreground window, named for a failure message.
std::string ForegroundName() {
  const HWND hwnd = GetForegroundWindow();
  if (!hwnd) return "no foreground window";
  wchar_t cls[128] = {};
  GetClassNameW(hwnd, cls, 128);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return "the foreground window is a " + Narrow(cls) + " of process " + std::to_string(pid);
}

// ---------------------------------------------------------------------------------------------
// A run between the start and stop hotkeys, pressed while the user works in another window.

enum class RunPresentation {
  CompactBar,        // the window shrinks to the compact bar
  HiddenInTray,      // "Minimize to tray when starting"
  MinimisedAtStart,  // the window was minimised when the run started: the compact bar
};

class KeepsFocusTest : public testing::TestWithParam<RunPresentation> {
 protected:
  TempDir appData_;
};

TEST_P(KeepsFocusTest, TheUsersWindowStaysInFrontThroughAHotkeyRun) {
  const RunPresentation presentation = GetParam();
  Program app(appData_.Path());
  const HWND main = app.MainWindow();
  const RECT normal = WindowRect(main);
  app.SetText(ids::hoursEdit, L"1");  // no click comes during the test
  if (presentation == RunPresentation::HiddenInTray) {
    app.Click(ids::minimizeToTrayCheck);
    ASSERT_TRUE(app.Checked(ids::minimizeToTrayCheck));
  }
  if (presentation == RunPresentation::MinimisedAtStart) {
    ShowWindowAsync(main, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(main) != FALSE; }, Ms{3000}));
  }
  UserWindow user;
  user.BringToFront();

  PressHotkey(kCtrlShift, 'S');
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (app.Text(ids::statusLabel) != L"Started") return false;
        return presentation == RunPresentation::HiddenInTray
                   ? !IsWindowVisible(main)
                   : app.Caption().rfind(L"  Running...", 0) == 0;
      },
      Ms{5000}))
      << "status: " << Narrow(app.Text(ids::statusLabel));
  if (presentation != RunPresentation::HiddenInTray) {
    EXPECT_FALSE(IsIconic(main)) << "the compact bar is shown, not minimised";
    EXPECT_TRUE(IsWindowVisible(main));
  }
  PumpFor(Ms{300});
  // Wine without a window manager gives the foreground to the desktop when a minimised window is
  // restored without activation, whichever process restores it (the driver's own
  // ShowWindow(SW_SHOWNOACTIVATE) does the same); Windows leaves it with the user's window. The
  // program's window must never have it.
  const auto expectUserKeepsTheFront = [&](const char* when) {
    const HWND front = GetForegroundWindow();
    if (presentation == RunPresentation::MinimisedAtStart && UnderWine() &&
        front == GetDesktopWindow())
      return;
    EXPECT_EQ(front, user.Hwnd()) << when << " " << ForegroundName();
  };
  expectUserKeepsTheFront("during the run");

  PressHotkey(kCtrlShift, 'X');
  ASSERT_TRUE(WaitUntil(
      [&] { return app.Enabled(ids::startButton) && IsWindowVisible(main) && !IsIconic(main); },
      Ms{5000}))
      << "status: " << Narrow(app.Text(ids::statusLabel));
  EXPECT_EQ(app.Text(ids::statusLabel), L"Stopped by hotkey. Clicks done: 0");
  EXPECT_EQ(app.Caption(), kCaption);
  const RECT after = WindowRect(main);
  EXPECT_TRUE(EqualRect(&after, &normal)) << "before " << Str(normal) << ", after " << Str(after);
  PumpFor(Ms{300});
  expectUserKeepsTheFront("after the run");
  if (const std::string problem = CloseProblem(app); !problem.empty()) ADD_FAILURE() << problem;
}

INSTANTIATE_TEST_SUITE_P(Presentations, KeepsFocusTest,
                         testing::Values(RunPresentation::CompactBar, RunPresentation::HiddenInTray,
                                         RunPresentation::MinimisedAtStart),
                         [](const testing::TestParamInfo<RunPresentation>& p) {
                           switch (p.param) {
                             case RunPresentation::CompactBar:
                               return std::string("CompactBar");
                             case RunPresentation::HiddenInTray:
                               return std::string("HiddenInTray");
                             case RunPresentation::MinimisedAtStart:
                               return std::string("MinimisedAtStart");
                           }
                           return std::string("Unknown");
                         });

// ---------------------------------------------------------------------------------------------
// A second start of the program in the same session, while the first copy's window is out of
// sight: minimised, or hidden in the notification area during a run.

class SecondCopyTest : public testing::TestWithParam<bool> {
 protected:
  TempDir appData_;
};

TEST_P(SecondCopyTest, BringsTheFirstCopyToTheFrontAndEndsAtOnce) {
  const bool hiddenInTray = GetParam();
  Program first(appData_.Path());
  const HWND main = first.MainWindow();
  if (hiddenInTray) {
    first.SetText(ids::hoursEdit, L"1");
    first.Click(ids::minimizeToTrayCheck);
    ASSERT_EQ(first.Click(ids::startButton), Program::ClickOutcome::Handled);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, Ms{3000}));
  } else {
    ShowWindowAsync(main, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(main) != FALSE; }, Ms{3000}));
  }
  UserWindow user;
  user.BringToFront();

  const int64_t start = QpcNow();
  const std::optional<DWORD> exitCode = RunToEnd(appData_.Path(), Ms{15000});
  ASSERT_TRUE(exitCode.has_value()) << "the second copy still ran after 15 s";
  EXPECT_EQ(*exitCode, 0u);
  EXPECT_LT(QpcMs(start, QpcNow()), 10000.0) << "the second copy took long to end";

  ASSERT_TRUE(first.Running()) << "the first copy ended, exit code " << first.ExitCode();
  EXPECT_TRUE(WaitUntil(
      [&] { return IsWindowVisible(main) && !IsIconic(main) && GetForegroundWindow() == main; },
      Ms{5000}))
      << "visible " << IsWindowVisible(main) << ", minimised " << IsIconic(main) << ", "
      << ForegroundName();
  // The first copy answers and goes on as before.
  EXPECT_EQ(first.Caption(), kCaption);
  EXPECT_EQ(first.Text(ids::statusLabel), hiddenInTray ? L"Started" : L"Ready");
  // Nothing wrote the settings: the first copy writes them when it closes, the second never.
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(appData_.Path()) /
                                       L"JUX Zura Divudiv" / L"settings.ini"));
  if (const std::string problem = CloseProblem(first); !problem.empty()) ADD_FAILURE() << problem;
}

INSTANTIATE_TEST_SUITE_P(FirstCopy, SecondCopyTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& p) {
                           return p.param ? std::string("HiddenInTray") : std::string("Minimised");
                         });

}  // namespace
}  // namespace e2e
