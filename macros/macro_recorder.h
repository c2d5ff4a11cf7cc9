// The macro recorder: a countdown of ten seconds in the compact bar (the start-recording hotkey
// cuts it short), then every mouse movement, press, release and wheel turn through the
// low-level mouse hook and, when asked, every key through the low-level keyboard hook, each
// with its time since the start; at the end the recording becomes a macro named after the
// date, time and length, saved as a new file of the library and added to it.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hotkeys/hotkey_data.h"
#include "macros/macro_library.h"
#include "macros/recorded_macro.h"
#include "platform/platform.h"
#include "ui/controls.h"

namespace macros {

// What the recorder shows through the window.
class IRecorderHost {
 public:
  virtual ~IRecorderHost() = default;
  // Shows the compact bar (entering it when needed) with a caption.
  virtual void ShowRecorderBar(const std::string& caption) = 0;
  // Changes the compact bar's caption.
  virtual void SetRecorderCaption(const std::string& caption) = 0;
  // The countdown is over and the hook records.
  virtual void RecordingStarted() = 0;
};

class MacroRecorder : public plat::IMouseHookSink, public plat::IKeyHookSink {
 public:
  MacroRecorder(plat::IClock& clock, plat::IInput& mouse, plat::IMouseHook& hook,
                plat::IKeyboardHook& keyHook, plat::IEnvironment& env, ui::TimerDriver* timers,
                MacroLibrary& library, IRecorderHost& host);
  ~MacroRecorder() override;
  MacroRecorder(const MacroRecorder&) = delete;
  MacroRecorder& operator=(const MacroRecorder&) = delete;

  bool CountingDown() const { return countingDown_; }
  bool Recording() const { return recording_; }
  // The events recorded so far.
  const std::vector<MacroEvent>& Events() const { return events_; }

  // Starts the countdown; its end begins the recording with `recordingCaption` on the bar.
  // With `withKeys` the keyboard is recorded too.
  void StartCountdown(const std::string& recordingCaption, bool withKeys);
  // The keyboard hook is in place: keys are being recorded.
  bool RecordingKeys() const { return keyHookInstalled_; }
  // Begins recording now (the countdown is cut short); nothing while recording.
  void Begin();
  struct Result {
    std::shared_ptr<RecordedMacro> macro;  // none: a countdown, or nothing was recorded
    std::string saveError;                 // why its file could not be written; empty: saved
  };
  // Ends the countdown or the recording: the hooks are removed and the timers stop. A recording
  // with events becomes a macro of the library, saved as a new file when the folder can be
  // written and kept without a file when it cannot (the error is in the result). With
  // `stopChord`, the hotkey that ended the recording, its keys at the end are left out. With
  // `cutTick` (a tick of the clock), what was recorded from then on is left out, and so is the
  // right click that led there (the one that opened the notification icon's menu).
  Result Finish(const HotkeyData* stopChord = nullptr,
                std::optional<uint32_t> cutTick = std::nullopt);
  // Removes the hook and stops the timers, keeping nothing (the window is going).
  void Shutdown();

  // One call of the low-level mouse hook. Constant work; never touches files or windows.
  void OnMouse(uint32_t message, int32_t x, int32_t y, uint32_t mouseData,
               uint64_t extraInfo) noexcept override;
  // One call of the low-level keyboard hook; likewise.
  void OnKey(uint32_t message, uint32_t vk, uint32_t scanCode, uint32_t flags) noexcept override;

  // "yyyy-mm-dd hh.nn.ss" for a date and time.
  static std::string TimeStamp(const plat::DateTime& t);
  // "<stamp> (<seconds with one decimal>s)" with the user's decimal separator.
  static std::string Name(const std::string& stamp, uint32_t durationMs,
                          const std::string& decimalSeparator);

 private:
  void CountdownTick();
  void Record(MacroEventKind kind, int32_t x, int32_t y, int32_t button) noexcept;
  void RemoveHooks();
  // Leaves out the stop hotkey's keys at the end of the recording: the press that fired it,
  // the modifiers held for it, and what follows of them (repeats, releases).
  void DropStopChord(const HotkeyData& chord);
  // Leaves out the events from `tick` on and the right click just before them.
  void DropFrom(uint32_t tick);

  plat::IClock& clock_;
  plat::IInput& mouse_;
  plat::IMouseHook& hook_;
  plat::IKeyboardHook& keyHook_;
  plat::IEnvironment& env_;
  MacroLibrary& library_;
  IRecorderHost& host_;
  ui::Timer countdownTimer_{1000};
  ui::Timer blinkTimer_{100};
  std::string blinkCaption_;  // shown again when the blink before it has passed
  std::string recordingCaption_;
  bool countingDown_ = false;
  bool recording_ = false;
  bool withKeys_ = false;
  bool hookInstalled_ = false;
  bool keyHookInstalled_ = false;
  // Keys whose press was recorded and whose release was not yet, by virtual-key code.
  std::bitset<256> keysDown_;
  int32_t countdown_ = 0;
  uint32_t startTick_ = 0;
  uint32_t lastTick_ = 0;
  std::vector<MacroEvent> events_;
  bool hasLastPoint_ = false;
  plat::Point lastPoint_;
};

}  // namespace macros
