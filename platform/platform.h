// The operating-system services the portable core uses. Each has one Win32 implementation in
// platform/win32/ and small fakes in the unit tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace plat {

// The separator between a folder and a name in the paths the program builds.
#ifdef _WIN32
inline constexpr char kPathDelim = '\\';
#else
inline constexpr char kPathDelim = '/';
#endif

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

// One INPUT record as SendInput takes it: a mouse record (type kInputMouse: dx .. dwExtraInfo)
// or a keyboard record (type kInputKeyboard: wVk, wScan, dwFlags, time, dwExtraInfo). The
// Win32 side copies the fields one to one.
inline constexpr uint32_t kInputMouse = 0;
inline constexpr uint32_t kInputKeyboard = 1;

struct InputRecord {
  uint32_t type = kInputMouse;
  int32_t dx = 0;
  int32_t dy = 0;
  uint32_t mouseData = 0;
  uint16_t wVk = 0;
  uint16_t wScan = 0;
  uint32_t dwFlags = 0;
  uint32_t time = 0;
  uint64_t dwExtraInfo = 0;
  friend bool operator==(const InputRecord&, const InputRecord&) = default;
};

// The system's input: synthesised mouse and keyboard input, and where the pointer is.
class IInput {
 public:
  virtual ~IInput() = default;
  // Sends the records in one SendInput call, so that no other input comes between them; false
  // when the system did not insert them all (input into a window of a program of a higher
  // integrity level, the secure desktop).
  virtual bool Send(std::span<const InputRecord> records) = 0;
  virtual bool CursorPos(Point& out) = 0;
  // The virtual screen (SM_XVIRTUALSCREEN.. SM_CYVIRTUALSCREEN) for the main window's DPI.
  virtual Rect VirtualScreen() = 0;
  // Whether the window at a screen point belongs to a process of a higher integrity level
  // than this one (a program running as administrator), whose input Windows refuses.
  virtual bool HigherIntegrityAt(const Point& screen) = 0;
  // The DPI of the monitor nearest to a screen point (96 at 100 %).
  virtual uint32_t DpiAt(const Point& screen) = 0;
  // Whether the system may put its pointer back where the display server has it once the
  // pointer has rested for kPointerResyncMs (Wine does: its GetCursorPos then asks the X server,
  // whose pointer a move sent while a low-level hook is installed anywhere leaves behind).
  virtual bool PointerResyncs() = 0;
  // Where it does, brings the display server's pointer to where the system has it (a move by
  // a pixel and back: a move to the point the system already has does not reach the display
  // server).
  virtual void SyncDisplayPointer() = 0;
};
inline constexpr uint32_t kPointerResyncMs = 100;

class IClock {
 public:
  virtual ~IClock() = default;
  // The 32-bit millisecond tick counter (GetTickCount).
  virtual uint32_t TickCount() = 0;
  // A fine monotonic clock, in microseconds (QueryPerformanceCounter). Nothing on the
  // user-interface thread waits on it: waits are deadlines on the window's timers. The input
  // thread stamps the recorder's events with it, so it answers on any thread.
  virtual uint64_t NowMicros() = 0;
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

enum class HotkeyResult { Ok, InUse, Failed };

// System-wide hotkeys bound to the main window, and the keyboard layout's key names.
class IHotkeys {
 public:
  virtual ~IHotkeys() = default;
  // RegisterHotKey(main window, id, modifiers, vk); the caller adds MOD_NOREPEAT.
  virtual HotkeyResult Register(int id, uint32_t modifiers, uint32_t vk) = 0;
  virtual void Unregister(int id) = 0;
  // MapVirtualKeyW(vk, MAPVK_VK_TO_VSC): 0 when the key has no scan code.
  virtual uint32_t ScanCode(uint32_t vk) = 0;
  // GetKeyNameTextW(scanCode << 16) with a 256-character buffer: empty when it returns 0.
  virtual std::string KeyName(uint32_t scanCode) = 0;
};

// An INI file through the system's profile functions.
class IProfile {
 public:
  virtual ~IProfile() = default;
  // The value's text (at most 2047 characters), or false when the key is missing.
  virtual bool Read(const std::string& path, const std::string& section, const std::string& key,
                    std::string& value) = 0;
  // False when the write failed.
  virtual bool Write(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

struct DateTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// Process environment, folders and the user's locale.
class IEnvironment {
 public:
  virtual ~IEnvironment() = default;
  virtual DateTime LocalNow() = 0;
  // The user's decimal separator (for example "." or ",").
  virtual std::string DecimalSeparator() = 0;
  virtual std::string Variable(const std::string& name) = 0;
  // The folder of the program's executable, with its trailing backslash.
  virtual std::string ExeFolder() = 0;
  // Creates the folder and any missing parents; the result is not reported.
  virtual void CreateFolders(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // The names of the files (not folders) directly in a folder, in the system's order. Throws
  // std::runtime_error with the system's text when the folder cannot be listed.
  virtual std::vector<std::string> ListFiles(const std::string& folder) = 0;
  // Deletes a file; throws std::runtime_error with the system's text on failure.
  virtual void RemoveFile(const std::string& path) = 0;
};

}  // namespace plat
