// The macro model and the text format of a macro file (".juxmac").
//
// A macro file is UTF-8 text that begins with a byte-order mark, every line ending in CR LF:
//
//   Name=<the name, verbatim>        (only when the name is not empty)
//   DurationMs=<unsigned decimal>
//   E=<DeltaMs>|<Kind>|<X>|<Y>|<Button>   (one line per event, each field signed decimal)
//
// The reader is lenient about everything but the encoding: see ParseMacroText.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What a recorded event did. A kind read from a file may hold any byte value; the player keeps
// the time of a kind it does not know and sends nothing for it.
enum class MacroEventKind : uint8_t {
  Move = 0,             // the pointer moved to (X, Y)
  Down = 1,             // a button was pressed at (X, Y)
  Up = 2,               // a button was released at (X, Y)
  Wheel = 3,            // the wheel turned at (X, Y); Button is the signed delta, 120 a notch
  HorizontalWheel = 4,  // likewise, the horizontal wheel (positive: to the right)
  KeyDown = 5,          // a key was pressed (or repeated) while the pointer was at (X, Y)
  KeyUp = 6,            // a key was released
};

// The Button of a key event: virtual-key code | scan code << 8 | kMacroKeyExtended.
inline constexpr int32_t kMacroKeyExtended = 0x10000;
constexpr int32_t PackMacroKey(uint32_t vk, uint32_t scanCode, bool extended) {
  return static_cast<int32_t>((vk & 0xFF) | (scanCode & 0xFF) << 8) |
         (extended ? kMacroKeyExtended : 0);
}
constexpr uint32_t MacroKeyVk(int32_t key) {
  return static_cast<uint32_t>(key) & 0xFF;
}

struct MacroEvent {
  uint32_t DeltaMs = 0;  // milliseconds from the start of the recording (not from the last event)
  MacroEventKind Kind = MacroEventKind::Move;
  int32_t X = 0;  // virtual-screen pixels; negative left of or above the primary monitor
  int32_t Y = 0;
  // Down and Up: 0 left, 1 right, 2 middle, 3 and 4 the side buttons; Move: -1; Wheel and
  // HorizontalWheel: the delta; KeyDown and KeyUp: the packed key.
  int32_t Button = -1;

  friend bool operator==(const MacroEvent&, const MacroEvent&) = default;
};

class RecordedMacro {
 public:
  // Reads the macro file at `fileName` (a UTF-8 path) and returns a new macro whose FileName is
  // `fileName` exactly. Throws std::runtime_error, with a message that names the path, when the
  // file cannot be opened or read or is not valid UTF-8; its content never makes it fail.
  static std::unique_ptr<RecordedMacro> LoadFromFile(const std::string& fileName);

  // Writes this macro to `fileName`, replacing any file of that name in one step, and then sets
  // FileName to it. On failure the exception passes on, an existing file is left exactly as it
  // was, and nothing in this macro changes.
  void SaveToFile(const std::string& fileName);

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  uint32_t DurationMs() const { return durationMs_; }
  void SetDurationMs(uint32_t durationMs) { durationMs_ = durationMs; }
  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }
  std::vector<MacroEvent>& Events() { return events_; }
  const std::vector<MacroEvent>& Events() const { return events_; }

 private:
  std::string name_;         // display name; may be empty
  uint32_t durationMs_ = 0;  // informational: playback does not use it
  std::string fileName_;     // the file last read or written; empty for a new macro
  std::vector<MacroEvent> events_;
};

// The exact bytes of the macro's file. Bytes of the name that are not valid UTF-8 are written
// as U+FFFD, so that every file written can be read back.
std::string FormatMacroFile(const RecordedMacro& macro);

// Reads the bytes of a macro file into `out`'s name, duration and events (FileName is left
// alone). Returns false, leaving `out` untouched, only when the bytes after an optional
// byte-order mark are not valid UTF-8. Otherwise:
//   - lines end at CR LF, a lone CR or a lone LF;
//   - the first line that starts with "Name=" (key in any letter case) gives the name: the rest
//     of the line, verbatim; the first "DurationMs=" line (any case) gives the duration, read
//     with ParseIntSyntax, 0 when unreadable, kept as the 32 bits of the signed value;
//   - every line that starts with exactly "E=" gives one event when its text after "E=" splits
//     at "|" into at least five fields (an empty last field counts, extra fields are
//     ignored); an unreadable field takes 0, or -1 for Button; DeltaMs keeps the 32 bits of the
//     signed value and Kind its low byte;
//   - every other line is ignored.
bool ParseMacroText(std::string_view bytes, RecordedMacro& out);
