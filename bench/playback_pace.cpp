// Playback-pace benchmark: a 10 s macro of mouse moves recorded at 1000 Hz, played by the
// program's player (its events due on one clock, sent from the precise timers through the
// message loop), beside the same macro played with plain summed sleeps (a Sleep of each event's
// gap, then its input), in the same run.
//
//   bench_playback.exe [--seconds=10]
#include <windows.h>

#include <cstdio>
#include <string>

#include "mainform/main_form.h"
#include "platform/win32/services_win32.h"
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

  win::MouseInput mouse;
  win::Clock clock;
  win::Random random;
  win::Dialogs dialogs;
  win::Shell shell;
  win::Profile profile;
  win::Environment env;
  win::MouseHook hook;
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
  s.Mouse = &mouse;
  s.Clock = &clock;
  s.Random = &random;
  s.Dialogs = &dialogs;
  s.Shell = &shell;
  s.Timers = &timers;
  s.Window = &window;
  s.Hotkeys = &hotkeys;
  s.Profile = &profile;
  s.Env = &env;
  s.MouseHook = &hook;
  TFrmMain frm(s);
  frm.FormCreate();

  // The recording: one move per millisecond, to and fro over 200 pixels.
  auto macro = std::make_shared<TRecordedMacro>();
  macro->SetName("bench");
  const uint32_t events = static_cast<uint32_t>(seconds) * 1000;
  for (uint32_t t = 1; t <= events; ++t)
    macro->Events().push_back(
        {t, TMacroEventKind::mekMove, 300 + static_cast<int32_t>(t % 200), 400, -1});
  const uint64_t recordedUs = uint64_t{events} * 1000;
  frm.FMacros.push_back(macro);
  frm.RefreshMacroList();
  frm.lbMacroses.SetItemIndex(0);
  frm.rbMacros.SetChecked(true);
  frm.rbRepeatCount.SetChecked(true);
  frm.seRepeat.SetValue(1);

  const uint64_t t0 = clock.NowMicros();
  frm.StartRun();
  win::RunMessageLoop({[&] { return timers.Handle(); },
                       [&] { timers.OnSignaled(); },
                       {},
                       [&] { return !frm.FRunning; }});
  const uint64_t player = clock.NowMicros() - t0;

  // The plain way: sleep each gap, then send; the time spent sending adds up.
  const uint64_t t1 = clock.NowMicros();
  uint32_t previous = 0;
  for (const TMacroMouseEvent& e : macro->Events()) {
    if (e.DeltaMs > previous) Sleep(e.DeltaMs - previous);
    previous = e.DeltaMs;
    frm.MoveMouseAbsolute(e.X, e.Y);
  }
  const uint64_t summed = clock.NowMicros() - t1;

  std::printf("Playback pace: %u moves recorded at 1000 Hz, %.3f s long\n", events,
              Seconds(recordedUs));
  std::printf("%-30s %10s %10s\n", "", "played s", "vs recorded");
  std::printf("%-30s %10.3f %+9.2f%%\n", "player (one clock)", Seconds(player),
              (static_cast<double>(player) - recordedUs) * 100.0 / recordedUs);
  std::printf("%-30s %10.3f %+9.2f%%\n", "baseline (summed sleeps)", Seconds(summed),
              (static_cast<double>(summed) - recordedUs) * 100.0 / recordedUs);
  std::printf("Status after the player: %s\n", frm.Label1.Text().c_str());
  frm.FormDestroy();
  g_timers = nullptr;
  return 0;
}
