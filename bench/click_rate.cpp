// Click-rate benchmark: runs the real program under Wine (or on Windows) against a target
// window of its own, for a range of intervals, and prints what it measured beside the same
// program built with plain SetTimer click timers; then the program's coordinates mode (its move
// and click in one SendInput call, with "Stop when I move the mouse" on, as a new user has it,
// and off) beside its cursor mode, and, with --before, an earlier build's coordinates mode in
// the same run.
//
//   bench_click_rate.exe --program=PRECISE.exe --baseline=SETTIMER.exe [--before=EARLIER.exe]
//                        [--seconds=3] [--modes-only]
//
// Every time comes from QueryPerformanceCounter, read when the target window handles the press.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "mainform/control_ids.h"
#include "tests/e2e/harness.h"

namespace {

struct Figures {
  double meanMs = 0;       // mean interval between presses
  double medianDevMs = 0;  // median of |interval - requested|
  double p99DevMs = 0;     // 99th percentile of |interval - requested|
  double clicksPerSecond = 0;
  int clicks = 0;
};

enum class Mode {
  Cursor,              // the click at the cursor, resting on the target
  Coordinates,         // a move to the target with each click, the hand check on (the default)
  CoordinatesNoWatch,  // the same with "Stop when I move the mouse" off
};

Figures Measure(const std::wstring& exe, int intervalMs, double seconds, Mode mode = Mode::Cursor) {
  e2e::TempDir appData;
  e2e::Program program(appData.Path(), exe);
  e2e::TargetWindow target({40, 120, 340, 280});
  e2e::PumpFor(e2e::Ms{300});
  const POINT at = target.ToScreen({150, 80});
  SetCursorPos(at.x, at.y);
  if (mode != Mode::Cursor) {
    program.Click(ids::coordinatesRadio);
    program.SetText(ids::coordXEdit, std::to_wstring(at.x));
    program.SetText(ids::coordYEdit, std::to_wstring(at.y));
    if (mode == Mode::CoordinatesNoWatch) program.Click(ids::stopOnMouseMoveCheck);
  }
  program.SetText(ids::millisecondsEdit, std::to_wstring(intervalMs));
  target.Clear();
  program.Click(ids::startButton);
  e2e::PumpFor(e2e::Ms{static_cast<long long>(seconds * 1000)});
  program.Click(ids::stopButton);
  e2e::PumpFor(e2e::Ms{200});

  std::vector<int64_t> presses;
  for (const auto& e : target.Events())
    if (e.message == WM_LBUTTONDOWN || e.message == WM_LBUTTONDBLCLK) presses.push_back(e.qpc);
  Figures f;
  f.clicks = static_cast<int>(presses.size());
  if (presses.size() < 3) return f;
  // The first press after Start and the last before Stop bound the measured span.
  const double span = e2e::QpcMs(presses.front(), presses.back());
  f.meanMs = span / static_cast<double>(presses.size() - 1);
  f.clicksPerSecond = (presses.size() - 1) * 1000.0 / span;
  std::vector<double> dev;
  for (size_t i = 1; i < presses.size(); ++i)
    dev.push_back(std::fabs(e2e::QpcMs(presses[i - 1], presses[i]) - intervalMs));
  std::sort(dev.begin(), dev.end());
  f.medianDevMs = dev[dev.size() / 2];
  f.p99DevMs = dev[std::min(dev.size() - 1, static_cast<size_t>(dev.size() * 0.99))];
  return f;
}

// CPU time the program uses over `seconds` of doing nothing.
double IdleCpuMs(const std::wstring& exe, double seconds) {
  e2e::TempDir appData;
  e2e::Program program(appData.Path(), exe);
  e2e::PumpFor(e2e::Ms{1000});
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, program.ProcessId());
  if (!process) return -1;
  auto cpu = [&] {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) {
      return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
  };
  const double before = cpu();
  e2e::PumpFor(e2e::Ms{static_cast<long long>(seconds * 1000)});
  const double used = cpu() - before;
  CloseHandle(process);
  return used;
}

// The program beside the same program with plain SetTimer click timers, in cursor mode.
void CompareWithBaseline(const std::wstring& precise, const std::wstring& baseline,
                         double seconds) {
  std::printf("Click rate, %.0f s per interval, cursor mode, left single click, no jitter\n",
              seconds);
  std::printf("%-9s | %-44s | %-44s\n", "", "precise timer (this program)", "baseline: SetTimer");
  std::printf("%-9s | %9s %9s %9s %9s %5s | %9s %9s %9s %9s %5s\n", "interval", "mean ms",
              "med dev", "p99 dev", "clicks/s", "err%", "mean ms", "med dev", "p99 dev", "clicks/s",
              "err%");
  for (int interval : {1, 2, 5, 10, 16, 20, 50, 100}) {
    try {
      const Figures p = Measure(precise, interval, seconds);
      const Figures b = Measure(baseline, interval, seconds);
      auto err = [&](const Figures& f) { return (f.meanMs - interval) * 100.0 / interval; };
      std::printf("%6d ms | %9.3f %9.3f %9.3f %9.1f %+5.1f | %9.3f %9.3f %9.3f %9.1f %+5.1f\n",
                  interval, p.meanMs, p.medianDevMs, p.p99DevMs, p.clicksPerSecond, err(p),
                  b.meanMs, b.medianDevMs, b.p99DevMs, b.clicksPerSecond, err(b));
    } catch (const std::exception& e) {
      std::printf("%6d ms | failed: %s\n", interval, e.what());
    }
    std::fflush(stdout);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  std::wstring precise, baseline, before;
  double seconds = 3;
  bool modesOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.rfind(L"--program=", 0) == 0)
      precise = arg.substr(10);
    else if (arg.rfind(L"--baseline=", 0) == 0)
      baseline = arg.substr(11);
    else if (arg.rfind(L"--before=", 0) == 0)
      before = arg.substr(9);
    else if (arg.rfind(L"--seconds=", 0) == 0)
      seconds = std::stod(arg.substr(10));
    else if (arg == L"--modes-only")
      modesOnly = true;
  }
  if (precise.empty() || baseline.empty()) {
    std::fprintf(stderr, "usage: bench_click_rate --program=EXE --baseline=EXE [--seconds=S]\n");
    return 2;
  }
  e2e::SetProgramPath(precise);
  if (!modesOnly) CompareWithBaseline(precise, baseline, seconds);
  std::printf("\nThis program by mode, left single click: clicks/s and mean interval error\n");
  std::printf("%-9s | %-16s | %-16s | %-16s | %-16s\n", "interval", "cursor", "coordinates",
              "coord., option off", before.empty() ? "" : "coord., earlier");
  for (int interval : {1, 2, 10, 50}) {
    std::printf("%6d ms", interval);
    const struct {
      const std::wstring* exe;
      Mode mode;
    } columns[] = {{&precise, Mode::Cursor},
                   {&precise, Mode::Coordinates},
                   {&precise, Mode::CoordinatesNoWatch},
                   {&before, Mode::Coordinates}};
    for (const auto& column : columns) {
      if (column.exe->empty()) continue;
      try {
        const Figures f = Measure(*column.exe, interval, seconds, column.mode);
        std::printf(" | %8.1f %+6.1f%%", f.clicksPerSecond,
                    (f.meanMs - interval) * 100.0 / interval);
      } catch (const std::exception&) {
        std::printf(" | %-16s", "failed");
      }
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  if (modesOnly) return 0;
  try {
    const double idleP = IdleCpuMs(precise, 10);
    const double idleB = IdleCpuMs(baseline, 10);
    std::printf("Idle CPU time over 10 s: precise %.1f ms, baseline %.1f ms\n", idleP, idleB);
  } catch (const std::exception& e) {
    std::printf("Idle CPU: failed: %s\n", e.what());
  }
  return 0;
}
