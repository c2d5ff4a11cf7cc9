// A run can always be stopped: Start is refused while another program holds the stop hotkey,
// and moving the mouse by hand stops a run that moves the pointer itself (coordinates mode,
// playback), but not one at the cursor, nor one with the option turned off.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "harness.h"
#include "mainform/control_ids.h"
#include "program_test.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;
const RECT kTargetRect{40, 120, 340, 280};
constexpr POINT kClient{20, 20};  // the click point on the target
const std::wstring kHandStop = L"Stopped: the mouse was moved by hand.";

// Another program's low-level mouse hook, on a thread of its own as such programs have it.
class ForeignMouseHook {
 public:
  ForeignMouseHook() {
    thread_ = CreateThread(nullptr, 0, &ForeignMouseHook::Run, this, 0, &threadId_);
    WaitForSingleObject(ready_, 5000);
  }
  ~ForeignMouseHook() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
    CloseHandle(ready_);
  }
  ForeignMouseHook(const ForeignMouseHook&) = delete;
  ForeignMouseHook& operator=(const ForeignMouseHook&) = delete;
  bool Installed() const { return installed_; }

 private:
  static LRESULT CALLBACK Proc(int code, WPARAM wp, LPARAM lp) noexcept {
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  static DWORD WINAPI Run(void* self) {
    auto* me = static_cast<ForeignMouseHook*>(self);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for WM_QUIT
    const HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, Proc, GetModuleHandleW(nullptr), 0);
    me->installed_ = hook != nullptr;
    SetEvent(me->ready_);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    if (hook) UnhookWindowsHookEx(hook);
    return 0;
  }
  HANDLE ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  bool installed_ = false;
};

class SafetyTest : public ProgramTest {
 protected:
  // Coordinates mode at the click point, every 50 ms until stopped.
  void AimAtTarget() {
    const POINT p = target_.ToScreen(kClient);
    App().Click(ids::coordinatesRadio);
    App().SetText(ids::coordXEdit, std::to_wstring(p.x));
    App().SetText(ids::coordYEdit, std::to_wstring(p.y));
    App().SetText(ids::millisecondsEdit, L"50");
  }
  bool WaitForPresses(int n, Ms timeout = Ms{5000}) {
    return WaitUntil([&] { return target_.Presses(0) >= n; }, timeout);
  }
  // The hand moves the pointer to `to`: a move without the program's marker.
  static void HandMovesTo(POINT to) { MoveTo(to); }
  // The milliseconds from now until the status line starts with `prefix`; negative when that
  // does not happen within 3 s.
  double MsUntilStatus(const std::wstring& prefix, int64_t from) {
    if (!WaitUntil([&] { return App().Text(ids::statusLabel).rfind(prefix, 0) == 0; }, Ms{3000}))
      return -1;
    return QpcMs(from, QpcNow());
  }

  // A hand that moves the mouse as hands do: `stepPx` to the right every `everyMs`, from
  // wherever the pointer is, for at most `forMs`. The milliseconds from its first step until
  // the status line says that the hand stopped the run; negative when it did not.
  double HandDrags(int stepPx, int everyMs, int forMs) {
    const int64_t first = QpcNow();
    for (int step = 0; QpcMs(first, QpcNow()) < forMs; ++step) {
      while (QpcMs(first, QpcNow()) < static_cast<double>(step) * everyMs) Sleep(1);
      POINT p{};
      GetCursorPos(&p);
      MoveTo({p.x + stepPx, p.y});
      if (App().Text(ids::statusLabel).rfind(kHandStop, 0) == 0) return QpcMs(first, QpcNow());
    }
    return MsUntilStatus(kHandStop, first);
  }
  // The run that was started goes on for `during` with nobody touching the mouse, and then
  // it is the Stop button that ends it.
  void GoesOnUntilTheStopButton(Ms during) {
    PumpFor(during);
    EXPECT_FALSE(App().Enabled(ids::startButton)) << Narrow(App().Text(ids::statusLabel));
    App().Click(ids::stopButton);
    ASSERT_TRUE(WaitUntil([&] { return App().Enabled(ids::startButton); }, Ms{3000}));
    EXPECT_EQ(App().Text(ids::statusLabel).rfind(L"Stopped by button.", 0), 0u)
        << Narrow(App().Text(ids::statusLabel));
  }
  void WriteMacro(const std::string& name, const std::string& events, const char* mode = "2") {
    const fs::path folder = fs::path(appData_.Path()) / L"JUX Zura Divudiv";
    fs::create_directories(folder / L"Macros");
    std::ofstream(folder / L"Macros" / (std::wstring(name.begin(), name.end()) + L".juxmac"),
                  std::ios::binary)
        << "\xEF\xBB\xBFName=" << name << "\r\nDurationMs=5050\r\n"
        << events;
    std::ofstream(folder / L"settings.ini", std::ios::binary)
        << "[Target]\r\nmode=" << mode << "\r\n[Macros]\r\nselected=0\r\n";
  }

  TargetWindow target_{kTargetRect};
};

TEST_F(SafetyTest, StartIsRefusedWhileAnotherProgramHoldsTheStopHotkey) {
  HeldHotkey held(kCtrlShift | MOD_NOREPEAT, 'X');
  ASSERT_TRUE(held.Ok());
  Start();
  const std::wstring status = App().Text(ids::statusLabel);
  EXPECT_EQ(status, L"Stop hotkey Shift+Ctrl+X is in use by another program.");
  AimAtTarget();
  target_.Clear();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::MessageBoxShown);
  const MessageBoxInfo box = App().WaitForMessageBox();
  EXPECT_EQ(box.text,
            L"The stop hotkey Shift+Ctrl+X is not available (it is in use by another program). "
            L"Choose another one with Hotkeys... before starting.");
  App().AnswerMessageBox(box, IDOK);
  PumpFor(Ms{500});
  EXPECT_EQ(target_.Presses(0), 0) << Describe(target_.Events());
  EXPECT_TRUE(App().Enabled(ids::startButton));
  EXPECT_EQ(App().Text(ids::statusLabel), status);
}

TEST_F(SafetyTest, MovingTheMouseAwayStopsACoordinatesRun) {
  Start();
  AimAtTarget();
  ASSERT_TRUE(App().Checked(ids::stopOnMouseMoveCheck));
  target_.Clear();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  ASSERT_TRUE(WaitForPresses(3)) << Narrow(App().Text(ids::statusLabel));
  const POINT away = target_.ToScreen({kClient.x + 200, kClient.y});
  const int64_t moved = QpcNow();
  HandMovesTo(away);
  const double took = MsUntilStatus(kHandStop, moved);
  std::printf("hand move to stop: %.1f ms\n", took);
  EXPECT_GE(took, 0) << Narrow(App().Text(ids::statusLabel));
  EXPECT_LE(took, 300);
  const std::wstring status = App().Text(ids::statusLabel);
  EXPECT_EQ(status.rfind(kHandStop + L" Clicks done: ", 0), 0u) << Narrow(status);
  const int presses = target_.Presses(0);
  PumpFor(Ms{500});
  EXPECT_EQ(target_.Presses(0), presses) << "a click after the stop" << Describe(target_.Events());
  EXPECT_TRUE(App().Enabled(ids::startButton));
}

// The user moves the pointer on purpose: at the cursor, or with the option off, the run goes on.
TEST_F(SafetyTest, AtTheCursorOrWithTheOptionOffTheRunGoesOn) {
  Start();
  for (bool cursorMode : {true, false}) {
    SCOPED_TRACE(cursorMode ? "cursor position" : "coordinates, option off");
    if (cursorMode) {
      App().SetText(ids::millisecondsEdit, L"50");
      MoveTo(target_.ToScreen(kClient));
    } else {
      AimAtTarget();
      App().Click(ids::stopOnMouseMoveCheck);
      ASSERT_FALSE(App().Checked(ids::stopOnMouseMoveCheck));
    }
    PumpFor(Ms{50});
    target_.Clear();
    ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
    ASSERT_TRUE(WaitForPresses(2)) << Narrow(App().Text(ids::statusLabel));
    HandMovesTo(target_.ToScreen({kClient.x + 200, kClient.y}));
    const int presses = target_.Presses(0);
    PumpFor(Ms{600});
    EXPECT_FALSE(App().Enabled(ids::startButton)) << Narrow(App().Text(ids::statusLabel));
    EXPECT_GT(target_.Presses(0), presses) << "no click after the move";
    App().Click(ids::stopButton);
    ASSERT_TRUE(WaitUntil([&] { return App().Enabled(ids::startButton); }, Ms{3000}));
  }
}

// With the defaults, a hand of 8 px steps every 8 ms (1000 px/s) stops the run within 300 ms,
// although the run puts the pointer back before each click.
TEST_F(SafetyTest, AHandThatDragsStopsACoordinatesRunAtEveryInterval) {
  Start();
  ASSERT_TRUE(App().Checked(ids::stopOnMouseMoveCheck));
  for (const wchar_t* ms : {L"1", L"5", L"20"}) {
    SCOPED_TRACE(Narrow(ms) + " ms");
    AimAtTarget();
    App().SetText(ids::millisecondsEdit, ms);
    target_.Clear();
    ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
    ASSERT_TRUE(WaitForPresses(3)) << Narrow(App().Text(ids::statusLabel));
    const double took = HandDrags(8, 8, 1000);
    std::printf("%ls ms clicks: a hand at 1000 px/s stopped the run after %.1f ms\n", ms, took);
    EXPECT_GE(took, 0) << Narrow(App().Text(ids::statusLabel));
    EXPECT_LE(took, 300);
    EXPECT_EQ(App().Text(ids::statusLabel).rfind(kHandStop + L" Clicks done: ", 0), 0u)
        << Narrow(App().Text(ids::statusLabel));
    if (App().Enabled(ids::stopButton)) App().Click(ids::stopButton);
    ASSERT_TRUE(WaitUntil([&] { return App().Enabled(ids::startButton); }, Ms{3000}));
    MoveTo(target_.ToScreen(kClient));
    PumpFor(Ms{100});
  }
}

TEST_F(SafetyTest, AHandThatDragsStopsAPlaybackThatMovesEveryFiveMs) {
  // Five seconds of moves over the target, one every 5 ms.
  const POINT p = target_.ToScreen({150, 80});
  std::ostringstream events;
  for (int t = 0; t <= 5000; t += 5)
    events << "E=" << t << "|0|" << p.x + (t / 5) % 9 << "|" << p.y << "|-1\r\n";
  WriteMacro("moves", events.str());
  Start();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  PumpFor(Ms{600});  // the window has gone to its compact bar, the moves are under way
  ASSERT_FALSE(App().Enabled(ids::startButton)) << Narrow(App().Text(ids::statusLabel));
  const double took = HandDrags(8, 8, 1000);
  std::printf("playback moving every 5 ms: a hand at 1000 px/s stopped it after %.1f ms\n", took);
  EXPECT_GE(took, 0) << Narrow(App().Text(ids::statusLabel));
  EXPECT_LE(took, 300);
  EXPECT_EQ(App().Text(ids::statusLabel), kHandStop + L" Runs done: 0");
}

// No run stops without a hand: clicking at 1 ms, with the compact bar coming and going, and a
// playback that moves the pointer, for seconds each.
TEST_F(SafetyTest, NoRunStopsWithoutAHand) {
  const POINT p = target_.ToScreen({150, 80});
  std::ostringstream events;
  for (int t = 0; t <= 3000; t += 5)
    events << "E=" << t << "|0|" << p.x + (t / 5) % 40 << "|" << p.y + (t / 50) % 20 << "|-1\r\n";
  WriteMacro("moves", events.str(), "1");
  Start();
  ASSERT_TRUE(App().Checked(ids::coordinatesRadio));
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    AimAtTarget();
    App().SetText(ids::millisecondsEdit, L"1");
    target_.Clear();
    ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
    GoesOnUntilTheStopButton(Ms{1500});
    EXPECT_GT(target_.Presses(0), 300);

    App().Click(ids::macrosRadio);
    ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
    GoesOnUntilTheStopButton(Ms{2000});
  }
}

// While another program hooks the mouse, Wine leaves the X server's pointer behind at the
// program's moves and puts its own back there after 100 ms of rest: no hand did that.
TEST_F(SafetyTest, NoRunStopsWithoutAHandWhileAnotherProgramHooksTheMouse) {
  const POINT p = target_.ToScreen({150, 80});
  std::ostringstream events;
  events << "E=0|0|" << p.x << "|" << p.y << "|-1\r\n"
         << "E=1500|0|" << p.x + 30 << "|" << p.y << "|-1\r\n"
         << "E=3000|0|" << p.x << "|" << p.y << "|-1\r\n";
  WriteMacro("slow moves", events.str(), "1");
  MoveTo(target_.ToScreen({250, 140}));  // where the user's pointer rests
  Start();
  ForeignMouseHook hook;
  ASSERT_TRUE(hook.Installed());
  AimAtTarget();
  App().SetText(ids::millisecondsEdit, L"400");
  target_.Clear();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  GoesOnUntilTheStopButton(Ms{2500});
  EXPECT_GE(target_.Presses(0), 4);

  App().Click(ids::macrosRadio);
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  GoesOnUntilTheStopButton(Ms{2500});
}

TEST_F(SafetyTest, MovingTheMouseStopsAPlaybackDuringAWait) {
  // A press, five seconds of nothing, then the release.
  const POINT p = target_.ToScreen({150, 80});
  std::ostringstream text;
  text << "\xEF\xBB\xBFName=wait\r\nDurationMs=5050\r\n"
       << "E=0|0|" << p.x << "|" << p.y << "|-1\r\n"
       << "E=50|1|" << p.x << "|" << p.y << "|0\r\n"
       << "E=5050|2|" << p.x << "|" << p.y << "|0\r\n";
  const fs::path folder = fs::path(appData_.Path()) / L"JUX Zura Divudiv";
  fs::create_directories(folder / L"Macros");
  std::ofstream(folder / L"Macros" / L"wait.juxmac", std::ios::binary) << text.str();
  std::ofstream(folder / L"settings.ini", std::ios::binary) << "[Target]\r\nmode=2\r\n";
  Start();
  target_.Clear();
  ASSERT_EQ(App().Click(ids::startButton), Program::ClickOutcome::Handled);
  ASSERT_TRUE(WaitForPresses(1)) << Narrow(App().Text(ids::statusLabel));
  PumpFor(Ms{300});
  const int64_t moved = QpcNow();
  HandMovesTo({p.x, p.y + 200});
  const double took = MsUntilStatus(kHandStop, moved);
  std::printf("hand move to stop during a playback wait: %.1f ms\n", took);
  EXPECT_GE(took, 0) << Narrow(App().Text(ids::statusLabel));
  EXPECT_LE(took, 300);
  EXPECT_EQ(App().Text(ids::statusLabel), kHandStop + L" Runs done: 0");
  // Let go where the hand took the pointer, outside the target: the system's state tells.
  EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0) << "the button is still down";
}

}  // namespace
}  // namespace e2e
