// Setting the program up from its window: the hotkey dialog (a new start hotkey that works at
// once and after a restart, refusals that keep the dialog open) and picking the click point on
// the screen with the cover; coordinates left of the primary monitor survive a restart.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>

#include "harness.h"
#include "mainform/control_ids.h"
#include "program_test.h"

namespace e2e {
namespace {

constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;
// The dialog's rows and buttons.
constexpr int kStartRow = 501, kStopRow = 502, kRecordRow = 503, kDefaults = 504;
// HOTKEYF_* of the hotkey control.
constexpr WORD kHotkeyfShift = 0x01, kHotkeyfControl = 0x02;

std::wstring TextOfBox(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    if (_wcsicmp(cls, L"Static") != 0) continue;
    wchar_t buf[512] = {};
    SendMessageTimeoutW(child, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 5000,
                        nullptr);
    text += buf;
  }
  return text;
}

// Presses a dialog button the way the harness answers message boxes: posted, so that the
// program's handler runs on its own thread.
void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class SetupTest : public ProgramTest {
 protected:
  // Opens the hotkey dialog with its button.
  HWND OpenHotkeyDialog() {
    if (App().Click(ids::hotkeysButton) != Program::ClickOutcome::MessageBoxShown)
      throw HarnessError("the Hotkeys button opened no dialog");
    const MessageBoxInfo dialog = App().WaitForMessageBox();
    if (dialog.caption != L"Hotkeys") throw HarnessError("not the hotkey dialog");
    return dialog.hwnd;
  }
  // OK, and the message box that refuses it: its text (the box is answered).
  std::wstring OkRefused(HWND dialog) {
    Press(dialog, IDOK);
    HWND box = nullptr;
    if (!WaitUntil(
            [&] { return (box = FindWindowOf(App().ProcessId(), L"#32770", dialog)) != nullptr; },
            Ms{5000}))
      return L"(no message box)";
    const std::wstring text = TextOfBox(box);
    Press(box, IDOK);
    WaitUntil([&] { return !IsWindow(box); }, Ms{5000});
    return text;
  }
  bool WaitForStatusStart(const std::wstring& prefix) {
    return WaitUntil([&] { return App().Text(ids::statusLabel).rfind(prefix, 0) == 0; }, Ms{5000});
  }
};

TEST_F(SetupTest, ANewStartHotkeyWorksAtOnceAndAfterARestart) {
  Start();
  const HWND dialog = OpenHotkeyDialog();
  EXPECT_EQ(Ask(GetDlgItem(dialog, kStartRow), HKM_GETHOTKEY),
            MAKEWORD('S', kHotkeyfControl | kHotkeyfShift));
  EXPECT_EQ(Ask(GetDlgItem(dialog, kStopRow), HKM_GETHOTKEY),
            MAKEWORD('X', kHotkeyfControl | kHotkeyfShift));
  EXPECT_EQ(Ask(GetDlgItem(dialog, kRecordRow), HKM_GETHOTKEY),
            MAKEWORD('R', kHotkeyfControl | kHotkeyfShift));
  Ask(GetDlgItem(dialog, kStartRow), HKM_SETHOTKEY, MAKEWORD(VK_F9, 0));
  Press(dialog, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, Ms{5000})) << "OK left it open";
  EXPECT_EQ(App().Text(ids::hotkeysLabel), L"Hotkeys \u2014 Start: F9  |  Stop: Shift+Ctrl+X");

  App().SetText(ids::hoursEdit, L"1");  // no click comes during the test
  PressHotkey(0, VK_F9);
  EXPECT_TRUE(WaitForStatusStart(L"Started")) << Narrow(App().Text(ids::statusLabel));
  PressHotkey(kCtrlShift, 'X');
  ASSERT_TRUE(WaitForStatusStart(L"Stopped by hotkey.")) << Narrow(App().Text(ids::statusLabel));
  // The old start hotkey is free again: the driver can hold it.
  {
    HeldHotkey old(kCtrlShift | MOD_NOREPEAT, 'S');
    EXPECT_TRUE(old.Ok());
  }

  Restart();
  EXPECT_EQ(App().Text(ids::hotkeysLabel), L"Hotkeys \u2014 Start: F9  |  Stop: Shift+Ctrl+X");
  PressHotkey(0, VK_F9);
  EXPECT_TRUE(WaitForStatusStart(L"Started")) << Narrow(App().Text(ids::statusLabel));
  App().Click(ids::stopButton);

  // Defaults puts the three standard keys back.
  const HWND again = OpenHotkeyDialog();
  Press(again, kDefaults);
  EXPECT_TRUE(WaitUntil(
      [&] {
        return Ask(GetDlgItem(again, kStartRow), HKM_GETHOTKEY) ==
               MAKEWORD('S', kHotkeyfControl | kHotkeyfShift);
      },
      Ms{3000}));
  Press(again, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(again); }, Ms{5000}));
  EXPECT_EQ(App().Text(ids::hotkeysLabel),
            L"Hotkeys \u2014 Start: Shift+Ctrl+S  |  Stop: Shift+Ctrl+X");
}

TEST_F(SetupTest, OkIsRefusedForAHeldCombinationAndAPlainLetter) {
  Start();
  HeldHotkey held(MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, 'Q');
  ASSERT_TRUE(held.Ok());
  const HWND dialog = OpenHotkeyDialog();
  const HWND start = GetDlgItem(dialog, kStartRow);
  Ask(start, HKM_SETHOTKEY, MAKEWORD('Q', kHotkeyfControl | 0x04));  // Ctrl+Alt+Q
  EXPECT_EQ(OkRefused(dialog),
            L"Start hotkey Ctrl+Alt+Q is in use by another program. Choose another one.");
  EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog closed";
  Ask(start, HKM_SETHOTKEY, MAKEWORD('A', 0));
  EXPECT_EQ(OkRefused(dialog),
            L"\"Start\" is A, which would fire while you type. Add Ctrl, Alt or Win to it, or "
            L"choose a function key such as F6.");
  EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog closed";
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, Ms{5000}));
  EXPECT_EQ(App().Text(ids::hotkeysLabel),
            L"Hotkeys \u2014 Start: Shift+Ctrl+S  |  Stop: Shift+Ctrl+X");
  // The keys of before work again.
  App().SetText(ids::hoursEdit, L"1");
  PressHotkey(kCtrlShift, 'S');
  EXPECT_TRUE(WaitForStatusStart(L"Started")) << Narrow(App().Text(ids::statusLabel));
  PressHotkey(kCtrlShift, 'X');
  EXPECT_TRUE(WaitForStatusStart(L"Stopped by hotkey.")) << Narrow(App().Text(ids::statusLabel));
}

// The cover of the whole desktop: a click puts its point into X and Y and brings the window
// back; the window below the cover never sees the click; a right click cancels.
TEST_F(SetupTest, PickPutsTheClickedPointIntoTheBoxes) {
  TargetWindow below(RECT{300, 600, 500, 760});
  Start();
  EXPECT_FALSE(App().Enabled(ids::pickButton));
  App().Click(ids::coordinatesRadio);
  ASSERT_TRUE(App().Enabled(ids::pickButton));
  EXPECT_EQ(App().Text(ids::pickButton), L"Pick");
  // Each button record carries its point too: Wine may put the pointer back where X has it
  // when a window appears under it.
  POINT at{333, 644};
  const auto click = [&at](DWORD down, DWORD up) {
    return [&at, down, up] {
      constexpr DWORD kHere = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
      SendMouse(down | kHere, at);
      PumpFor(Ms{30});
      SendMouse(up | kHere, at);
    };
  };
  const struct {
    const char* label;
    std::function<void()> act;
    const wchar_t* x;
    const wchar_t* y;
  } cases[] = {
      {"left click", click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP), L"333", L"644"},
      {"right click cancels", click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP), L"333", L"644"},
      {"Esc cancels", [] { PressHotkey(0, VK_ESCAPE); }, L"333", L"644"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    below.Clear();
    // As after the user's own click on Pick: the program is the foreground window.
    SetForegroundWindow(App().MainWindow());
    ASSERT_EQ(App().Click(ids::pickButton), Program::ClickOutcome::Handled);
    HWND cover = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
          cover = FindWindowW(L"PickPointCover", nullptr);
          return cover && IsWindowVisible(cover);
        },
        Ms{5000}))
        << "no cover";
    EXPECT_FALSE(IsWindowVisible(App().MainWindow())) << "the window stayed";
    const RECT covered = WindowRect(cover);
    EXPECT_EQ(covered.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(covered.right - covered.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(covered.bottom - covered.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    MoveTo(at);
    PumpFor(Ms{50});
    c.act();
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(cover); }, Ms{5000})) << "the cover stayed";
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(App().MainWindow()) != FALSE; }, Ms{5000}))
        << "the window did not come back";
    EXPECT_EQ(App().Text(ids::coordXEdit), c.x);
    EXPECT_EQ(App().Text(ids::coordYEdit), c.y);
    PumpFor(Ms{200});
    EXPECT_EQ(below.Events().size(), 0u) << Describe(below.Events());
    at = {410, 700};  // the cancelled pick aims elsewhere
  }
}

TEST_F(SetupTest, CoordinatesLeftOfThePrimaryMonitorSurviveARestart) {
  Start();
  App().Click(ids::coordinatesRadio);
  App().SetText(ids::coordXEdit, L"-5");
  App().SetText(ids::coordYEdit, L"-100000");
  Restart();
  EXPECT_TRUE(App().Checked(ids::coordinatesRadio));
  EXPECT_EQ(App().Text(ids::coordXEdit), L"-5");
  EXPECT_EQ(App().Text(ids::coordYEdit), L"-100000");
}

}  // namespace
}  // namespace e2e
