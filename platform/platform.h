// The operating-system services the portable core uses. Each has one Win32 implementation in
// platform/win32/ and small fakes in the unit tests.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

struct Point {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// One mouse INPUT record as SendInput takes it (type INPUT_MOUSE); the Win32 side copies the
// fields one to one.
struct MouseInputRecord {
  uint32_t type = 0;
  int32_t dx = 0;
  int32_t dy = 0;
  uint32_t mouseData = 0;
  uint32_t dwFlags = 0;
  uint32_t time = 0;
  uint64_t dwExtraInfo = 0;
  friend bool operator==(const MouseInputRecord&, const MouseInputRecord&) = default;
};

class IMouseInput {
 public:
  virtual ~IMouseInput() = default;
  // Sends exactly one record in one SendInput call.
  virtual void Send(const MouseInputRecord& record) = 0;
  virtual bool CursorPos(Point& out) = 0;
  // The virtual screen (SM_XVIRTUALSCREEN.. SM_CYVIRTUALSCREEN) for the main window's DPI.
  virtual Rect VirtualScreen() = 0;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // The 32-bit millisecond tick counter (GetTickCount).
  virtual uint32_t TickCount() = 0;
  // Blocks the calling thread; no messages are handled meanwhile.
  virtual void Sleep(uint32_t ms) = 0;
};

class IRandom {
 public:
  virtual ~IRandom() = default;
  // A uniformly drawn integer in 0 .. n-1.
  virtual int Below(int n) = 0;
};

enum class MsgKind { Information, Warning, Error, Confirmation };
enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok, Yes, No, Cancel };

// Modal boxes. Tests answer them; the Win32 side shows MessageBoxW and the rename input box.
class IDialogs {
 public:
  virtual ~IDialogs() = default;
  virtual MsgResult Message(MsgKind kind, MsgButtons buttons, const std::string& text) = 0;
  // Returns false when the user cancelled or closed the box; `value` holds the initial text
  // on entry and the entered text on return.
  virtual bool InputBox(const std::string& caption, const std::string& prompt,
                        std::string& value) = 0;
};

class IShell {
 public:
  virtual ~IShell() = default;
  // ShellExecuteW(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL); result not examined.
  virtual void Open(const std::string& target) = 0;
};

}  // namespace plat
