// Playback-pace benchmark: 10 s macros of mouse moves recorded at 1000 Hz and at 250 Hz, each
// played by the program's player (its events due on one clock, sent from the precise timers
// through the message loop), beside the same macro played with plain summed sleeps (a Sleep of
// each event's gap, then its input), in the same run; the 250 Hz macro at the speeds 50, 100
// and 200 %, against its recorded length divided by the speed. It prints what one SendInput
// costs first: where that comes near a millisecond, no player keeps the 1000 Hz pace.
//
//   bench_playback.exe [--seconds=10]
#include <windows.h>

#include <cstdio>
#include <string>

#include "mainform/main_form.h"
#include "platform/win32/input_thread.h"
#include "platform/win32/services_win32.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/precise_timers.h"

namespace {

// The parts of the main window the player needs, without a window: everything does nothing.
class HeadlessWindow : public mainform::IFormWindow {
 public:
  std::string Caption() override { return caption_; }
  void SetCaption(const std::string& c) override { caption_ = c; }
  plat::Rect Bounds() override { return {0, 0, 575, 600}; }
  void SetBounds(const plat::Rect&) override {}
  bool IsVisible() override { return true; }
  void Show() override {}
  void Activate() override {}
  void Hide() override {}
  void Close() override {}
  void SetTopMost(bool) override {}
  void PlaceTopMost(const plat::Rect&) override {}
  void Repaint() override {}
  int CaptionHeight() override { return 23; }
  int FrameHeight() override { return 4; }
  plat::Rect WorkArea() override { return {0, 0, 1280, 1000}; }

 private:
  std::string caption_;
};

class NoHotkeys : public plat::IHotkeys {
 public:
  plat::HotkeyResult Register(int, uint32_t, uint32_t) override { return plat::HotkeyResult::Ok; }
  void Unregister(int) override {}
  uint32_t ScanCode(uint32_t) override { return 0; }
  std::string KeyName(uint32_t) override { return {}; }
};

// A message-only window for the timers' stand-in WM_TIMER.
win::PreciseTimers* g_timers = nullptr;

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_TIMER && g_timers && g_timers->OnTimer(wp)) return 0;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

double Seconds(uint64_t us) {
  return us / 1e6;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  int seconds = 10;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.rfind(L"--seconds=", 0) == 0) seconds = std::stoi(arg.substr(10));
  }
  // Settings and macros of this run go to a folder of its own.
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring appData = std::wstring(temp) + L"zd-bench-playback";
  CreateDirectoryW(appData.c_str(), nullptr);
  SetEnvironmentVariableW(L"APPDATA", appData.c_str());

  win::SystemInput mouse;
  win::Clock clock;
  win::Random random;
  win::Dialogs dialogs;
  win::Shell shell;
  win::Profile profile;
  win::Environment env;
  win::InputThread inputEvents(clock);  // the recorder's; never started here
  HeadlessWindow window;
  NoHotkeys hotkeys;
  WNDCLASSW wc{};
  wc.lpfnWndProc = TimerWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"BenchTimers";
  RegisterClassW(&wc);
  const HWND timerWindow = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                           nullptr, wc.hInstance, nullptr);
  win::PreciseTimers timers(timerWindow);
  g_timers = &timers;
  mainform::FormServices s;
  s.Input = &mouse;
  s.Clock = &clock;
  s.Random = &random;
  s.Dialogs = &dialogs;
  s.Shell = &shell;
  s.Timers = &timers;
  s.Window = &window;
  s.Hotkeys = &hotkeys;
  s.Profile = &profile;
  s.Env = &env;
  s.InputEvents = &inputEvents;
  MainForm frm(s);
  frm.Create();

  // What one SendInput costs on this machine: at 1000 Hz a macro leaves 1 ms per event, so a
  // cost near that caps any player's pace.
  constexpr int kCostSamples = 500;
  const uint64_t c0 = clock.NowMicros();
  clicker::InputSynthesizer input(mouse);
  for (int i = 0; i < kCostSamples; ++i) input.MoveTo(300 + i % 200, 400);
  const double sendMs = (clock.NowMicros() - c0) / 1000.0 / kCostSamples;
  std::printf("Playback pace: %d s macros of mouse moves; one SendInput costs %.3f ms here\n",
              seconds, sendMs);
  std::printf("%-40s %10s %10s %12s\n", "", "target s", "played s", "vs target");

  frm.macrosRadio.SetChecked(true);
  frm.repeatCountRadio.SetChecked(true);
  frm.repeatCountEdit.SetValue(1);
  const struct {
    uint32_t hz;
    int32_t speed;  // percent
  } rows[] = {{1000, 100}, {250, 50}, {250, 100}, {250, 200}};
  for (const auto& r : rows) {
    // The recording: one move per 1000/hz ms, to and fro over 200 pixels.
    const uint32_t stepMs = 1000 / r.hz;
    auto macro = std::make_shared<RecordedMacro>();
    macro->SetName("bench");
    const uint32_t events = static_cast<uint32_t>(seconds) * r.hz;
    for (uint32_t i = 1; i <= events; ++i)
      macro->Events().push_back(
          {i * stepMs, MacroEventKind::Move, 300 + static_cast<int32_t>(i % 200), 400, -1});
    // The recorded length divided by the speed.
    const uint64_t targetUs = uint64_t{events} * stepMs * 1000 * 100 / r.speed;
    frm.Library().Clear();
    frm.Library().Add(macro);
    frm.RefreshMacroList();
    frm.macroList.SetItemIndex(0);
    frm.speedEdit.SetValue(r.speed);

    const uint64_t t0 = clock.NowMicros();
    frm.StartRun();
    win::RunMessageLoop({[&] { return timers.Handle(); },
                         [&] { timers.OnSignaled(); },
                         {},
                         [&] { return !frm.Running(); }});
    const uint64_t player = clock.NowMicros() - t0;

    // The plain way: sleep each gap (divided by the speed), then send; the time spent sending
    // adds up.
    const uint64_t t1 = clock.NowMicros();
    uint32_t previous = 0;
    for (const MacroEvent& e : macro->Events()) {
      if (e.DeltaMs > previous)
        Sleep((e.DeltaMs - previous) * 100 / static_cast<uint32_t>(r.speed));
      previous = e.DeltaMs;
      input.MoveTo(e.X, e.Y);
    }
    const uint64_t summed = clock.NowMicros() - t1;

    const auto row = [&](const char* what, uint64_t us) {
      char label[64];
      std::snprintf(label, sizeof label, "%s, %u Hz, %d %%", what, r.hz, r.speed);
      std::printf("%-40s %10.3f %10.3f %+11.2f%%\n", label, Seconds(targetUs), Seconds(us),
                  (static_cast<double>(us) - targetUs) * 100.0 / targetUs);
    };
    row("player (one clock)", player);
    row("baseline (summed sleeps)", summed);
    std::printf("  status after the player: %s\n", frm.statusLabel.Text().c_str());
  }
  frm.Destroy();
  g_timers = nullptr;
  return 0;
}
