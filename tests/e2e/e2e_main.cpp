// The end-to-end driver's entry point.
//
//   e2e_driver.exe [gtest flags] [--program=PATH]
//       runs the tests against PATH (default: the ZD_E2E_PROGRAM environment variable, else
//       zivavavazezire.exe in ..\..\app next to this driver, as the build lays them out);
//   e2e_driver.exe --program=PATH --show-until=FILE
//       starts the program with a fresh APPDATA, prints "main window shown: WxH+X+Y" (its
//       window's rectangle) once the window is up, and closes it when FILE exists (at most two
//       minutes later): for screenshots.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "harness.h"

namespace {

std::wstring DefaultProgramPath() {
  wchar_t buffer[32768] = {};
  if (DWORD n = GetEnvironmentVariableW(L"ZD_E2E_PROGRAM", buffer, 32768); n > 0 && n < 32768)
    return buffer;
  GetModuleFileNameW(nullptr, buffer, 32768);
  return (std::filesystem::path(buffer).parent_path() / L".." / L".." / L"app" /
          L"zivavavazezire.exe")
      .lexically_normal()
      .wstring();
}

int ShowUntil(const std::wstring& releaseFile) {
  e2e::TempDir appData;
  e2e::Program program(appData.Path());
  e2e::PumpFor(e2e::Ms{1500});  // let it paint
  RECT r{};
  GetWindowRect(program.MainWindow(), &r);
  std::printf("main window shown: %ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left,
              r.top);
  std::fflush(stdout);
  bool released = e2e::WaitUntil(
      [&] { return GetFileAttributesW(releaseFile.c_str()) != INVALID_FILE_ATTRIBUTES; },
      e2e::Ms{120000});
  bool clean = program.Close();
  return released && clean ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  testing::InitGoogleTest(&argc, argv);
  std::wstring program = DefaultProgramPath();
  std::wstring showUntil;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg.rfind(L"--program=", 0) == 0) {
      program = arg.substr(10);
    } else if (arg.rfind(L"--show-until=", 0) == 0) {
      showUntil = arg.substr(13);
    } else {
      std::fprintf(stderr, "unknown argument: %s\n", e2e::Narrow(arg).c_str());
      return 2;
    }
  }
  if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "program not found: %s\n", e2e::Narrow(program).c_str());
    return 2;
  }
  e2e::SetProgramPath(program);
  try {
    if (!showUntil.empty()) return ShowUntil(showUntil);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return RUN_ALL_TESTS();
}
