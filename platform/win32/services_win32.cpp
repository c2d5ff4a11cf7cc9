#include "platform/win32/services_win32.h"

#include "platform/win32/dpi.h"

#include <shellapi.h>

#include <cstring>
#include <iterator>
#include <vector>

#include "platform/win32/text.h"

namespace win {

int MetricForWindow(HWND hwnd, int index) {
  using ForDpi = int(WINAPI*)(int, UINT);
  using DpiForWindow = UINT(WINAPI*)(HWND);
  static const auto forDpi = reinterpret_cast<ForDpi>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
  static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (forDpi && dpiForWindow && hwnd) {
    const UINT dpi = dpiForWindow(hwnd);
    if (dpi != 0) return forDpi(index, dpi);
  }
  return GetSystemMetrics(index);
}

bool SystemInput::Send(std::span<const plat::InputRecord> records) {
  INPUT in[8];
  std::vector<INPUT> many;
  INPUT* out = in;
  if (records.size() > std::size(in)) {
    many.resize(records.size());
    out = many.data();
  }
  for (size_t i = 0; i < records.size(); ++i) {
    const plat::InputRecord& r = records[i];
    INPUT& one = out[i];
    std::memset(&one, 0, sizeof one);
    one.type = r.type;
    if (r.type == INPUT_KEYBOARD) {
      one.ki.wVk = r.wVk;
      one.ki.wScan = r.wScan;
      one.ki.dwFlags = r.dwFlags;
      one.ki.time = r.time;
      one.ki.dwExtraInfo = static_cast<ULONG_PTR>(r.dwExtraInfo);
    } else {
      one.mi.dx = r.dx;
      one.mi.dy = r.dy;
      one.mi.mouseData = r.mouseData;
      one.mi.dwFlags = r.dwFlags;
      one.mi.time = r.time;
      one.mi.dwExtraInfo = static_cast<ULONG_PTR>(r.dwExtraInfo);
    }
  }
  const UINT count = static_cast<UINT>(records.size());
  return SendInput(count, out, sizeof(INPUT)) == count;
}

namespace {

// A kernel handle closed when it goes.
class KernelHandle {
 public:
  KernelHandle() = default;
  ~KernelHandle() {
    if (h_) CloseHandle(h_);
  }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  HANDLE* Out() { return &h_; }
  HANDLE Get() const { return h_; }
  void Reset(HANDLE h) {
    if (h_) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

// The mandatory integrity level (its RID) of a process's token; false when it cannot be read.
bool IntegrityLevel(HANDLE process, DWORD& level) {
  KernelHandle token;
  if (!OpenProcessToken(process, TOKEN_QUERY, token.Out())) return false;
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenIntegrityLevel, nullptr, 0, &size);
  if (size == 0) return false;
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token.Get(), TokenIntegrityLevel, buffer.data(), size, &size))
    return false;
  const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
  const DWORD count = *GetSidSubAuthorityCount(label->Label.Sid);
  if (count == 0) return false;
  level = *GetSidSubAuthority(label->Label.Sid, count - 1);
  return true;
}

}  // namespace

bool SystemInput::HigherIntegrityAt(const plat::Point& screen) {
  const HWND window = WindowFromPoint({screen.X, screen.Y});
  if (!window) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == 0 || pid == GetCurrentProcessId()) return false;
  DWORD ours = 0;
  if (!IntegrityLevel(GetCurrentProcess(), ours)) return false;
  KernelHandle process;
  process.Reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  DWORD theirs = 0;
  // A process whose token a program of our level may not even read is above it.
  if (!process.Get() || !IntegrityLevel(process.Get(), theirs))
    return GetLastError() == ERROR_ACCESS_DENIED;
  return theirs > ours;
}

uint32_t SystemInput::DpiAt(const plat::Point& screen) {
  // GetDpiForMonitor lives in shcore.dll, which Windows 8.1 and later have; without it the
  // system's DPI is the best answer.
  using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto dpiForMonitor = [] {
    const HMODULE shcore = LoadLibraryW(L"shcore.dll");
    return shcore ? reinterpret_cast<DpiForMonitor>(
                        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  const HMONITOR monitor = MonitorFromPoint(POINT{screen.X, screen.Y}, MONITOR_DEFAULTTONEAREST);
  UINT x = 0, y = 0;
  if (dpiForMonitor && monitor && SUCCEEDED(dpiForMonitor(monitor, 0, &x, &y)) && x > 0) return x;
  const HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? static_cast<uint32_t>(dpi) : 96;
}

bool SystemInput::PointerResyncs() {
  static const bool wine =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

void SystemInput::SyncDisplayPointer() {
  POINT p;
  if (!GetCursorPos(&p)) return;
  const plat::Rect screen = VirtualScreen();
  SetCursorPos(p.x + 1 < screen.Right ? p.x + 1 : p.x - 1, p.y);
  SetCursorPos(p.x, p.y);
}

bool SystemInput::CursorPos(plat::Point& out) {
  POINT p;
  if (!GetCursorPos(&p)) return false;
  out = {p.x, p.y};
  return true;
}

plat::Rect SystemInput::VirtualScreen() {
  const int left = MetricForWindow(hwnd_, SM_XVIRTUALSCREEN);
  const int top = MetricForWindow(hwnd_, SM_YVIRTUALSCREEN);
  return {left, top, left + MetricForWindow(hwnd_, SM_CXVIRTUALSCREEN),
          top + MetricForWindow(hwnd_, SM_CYVIRTUALSCREEN)};
}

Random::Random() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  engine_.seed(static_cast<std::mt19937::result_type>(now.QuadPart));
}

int Random::Below(int n) {
  if (n <= 1) return 0;
  return std::uniform_int_distribution<int>(0, n - 1)(engine_);
}

void Shell::Open(const std::string& target) {
  ShellExecuteW(nullptr, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace win
