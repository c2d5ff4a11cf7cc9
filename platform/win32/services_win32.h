// Win32 implementations of the platform services the main window uses.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <random>

#include "platform/platform.h"

namespace win {

class SystemInput : public plat::IInput {
 public:
  // Metrics are read for this window's DPI.
  void SetWindow(HWND hwnd) { hwnd_ = hwnd; }
  bool Send(std::span<const plat::InputRecord> records) override;
  bool CursorPos(plat::Point& out) override;
  plat::Rect VirtualScreen() override;
  bool HigherIntegrityAt(const plat::Point& screen) override;
  uint32_t DpiAt(const plat::Point& screen) override;
  // Under Wine (its ntdll exports wine_get_version).
  bool PointerResyncs() override;
  void SyncDisplayPointer() override;

 private:
  HWND hwnd_ = nullptr;
};

class Clock : public plat::IClock {
 public:
  Clock();
  // Milliseconds that wrap like GetTickCount, but from the fine clock: GetTickCount moves in
  // steps of the 15.6 ms system tick, which would bunch up the events of a recording.
  uint32_t TickCount() override { return static_cast<uint32_t>(NowMicros() / 1000); }
  uint64_t NowMicros() override;

 private:
  LARGE_INTEGER frequency_{};
};

class Random : public plat::IRandom {
 public:
  Random();
  int Below(int n) override;

 private:
  std::mt19937 engine_;
};

class Shell : public plat::IShell {
 public:
  void Open(const std::string& target) override;
};

// The system metric for the window's DPI where the system offers per-monitor metrics.
int MetricForWindow(HWND hwnd, int index);

}  // namespace win

namespace win {

class Hotkeys : public plat::IHotkeys {
 public:
  void SetWindow(HWND hwnd) { hwnd_ = hwnd; }
  plat::HotkeyResult Register(int id, uint32_t modifiers, uint32_t vk) override;
  void Unregister(int id) override;
  uint32_t ScanCode(uint32_t vk) override;
  std::string KeyName(uint32_t scanCode) override;

 private:
  HWND hwnd_ = nullptr;
};

class Profile : public plat::IProfile {
 public:
  bool Read(const std::string& path, const std::string& section, const std::string& key,
            std::string& value) override;
  bool Write(const std::string& path, const std::string& section, const std::string& key,
             const std::string& value) override;
};

class Environment : public plat::IEnvironment {
 public:
  plat::DateTime LocalNow() override;
  std::string DecimalSeparator() override;
  std::string Variable(const std::string& name) override;
  std::string ExeFolder() override;
  void CreateFolders(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::vector<std::string> ListFiles(const std::string& folder) override;
  void RemoveFile(const std::string& path) override;
};

// A menu made by CreatePopupMenu; destroyed once.
class MenuHandle {
 public:
  explicit MenuHandle(HMENU h) : h_(h) {}
  ~MenuHandle() {
    if (h_) DestroyMenu(h_);
  }
  MenuHandle(const MenuHandle&) = delete;
  MenuHandle& operator=(const MenuHandle&) = delete;
  HMENU Get() const { return h_; }

 private:
  HMENU h_ = nullptr;
};

// The notification-area icon of a window: added once, re-added when the taskbar is re-created,
// removed by its owner's destruction. Each addition asks for the behaviour of version 4 (the
// event in LOWORD(lParam), the point in wParam, the keyboard's select and menu keys).
class TrayIcon {
 public:
  static constexpr UINT kCallbackMessage = WM_APP + 1;
  TrayIcon() = default;
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;
  void Add(HWND hwnd, HICON icon, const std::wstring& tip);
  void Readd();
  void Remove();
  // The shell took NOTIFYICON_VERSION_4 for the icon.
  bool Version4() const { return version4_; }
  // The callback's event, and the point it tells of in screen pixels.
  UINT Event(LPARAM lp) const { return version4_ ? LOWORD(lp) : static_cast<UINT>(lp); }
  POINT Point(WPARAM wp) const;
  // Shows `menu` at `at` for the window and returns the chosen command (0: none), as the classic
  // sample does it: the window comes to the foreground first, so that the menu closes when the
  // user clicks elsewhere, and a WM_NULL after it lets the next click open it again.
  static UINT TrackMenu(HWND hwnd, HMENU menu, POINT at);

 private:
  void SetVersion();
  NOTIFYICONDATAW data_{};
  bool added_ = false;
  bool version4_ = false;
};

}  // namespace win
