// Win32 implementations of the platform services the main window uses.
#pragma once

#include <windows.h>

#include <random>

#include "platform/platform.h"

namespace win {

class MouseInput : public plat::IMouseInput {
 public:
  // Metrics are read for this window's DPI.
  void SetWindow(HWND hwnd) { hwnd_ = hwnd; }
  void Send(const plat::MouseInputRecord& record) override;
  bool CursorPos(plat::Point& out) override;
  plat::Rect VirtualScreen() override;

 private:
  HWND hwnd_ = nullptr;
};

class Clock : public plat::IClock {
 public:
  uint32_t TickCount() override { return GetTickCount(); }
  void Sleep(uint32_t ms) override { ::Sleep(ms); }
};

class Random : public plat::IRandom {
 public:
  Random();
  int Below(int n) override;

 private:
  std::mt19937 engine_;
};

class Dialogs : public plat::IDialogs {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  plat::MsgResult Message(plat::MsgKind kind, plat::MsgButtons buttons,
                          const std::string& text) override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) override;

 private:
  HWND owner_ = nullptr;
};

class Shell : public plat::IShell {
 public:
  void Open(const std::string& target) override;
};

// The system metric for the window's DPI where the system offers per-monitor metrics.
int MetricForWindow(HWND hwnd, int index);

}  // namespace win
