// The macro recorder: a countdown of ten seconds in the compact bar (the start-recording hotkey
// cuts it short), then every mouse movement, press, release and wheel turn through the
// low-level mouse hook and, when asked, every key through the low-level keyboard hook, each
// with its time since the start; at the end the recording becomes a macro named after the
// date, time and length, saved as a new file of the library and added to it. The hooks live on
// an input thread that stamps and queues each event (plat::IInputEventSource); the recorder
// takes the queued events on the user-interface thread, so their times are those of the
// hooks' calls however late the thread gets to them.
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
#include "platform/input_events.h"
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

class MacroRecorder : private plat::IInputEventListener {
 public:
  // `clock` is the one the input thread of `input` stamps the events with.
  MacroRecorder(plat::IClock& clock, plat::IInput& mouse, plat::IInputEventSource& input,
                plat::IEnvironment& env, ui::TimerDriver* timers, MacroLibrary& library,
                IRecorderHost& host);
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
  // Records the events the input thread has queued (the thread's notice of a batch; Finish
  // does it too).
  void DrainInput();
  // Begins recording now (the countdown is cut short); nothing while recording.
  void Begin();
  struct Result {
    std::shared_ptr<RecordedMacro> macro;  // none: a countdown, or nothing was recorded
    std::string saveError;                 // why its file could not be written; empty: saved
  };
  // Ends the countdown or the recording: the hooks are removed, what they queued is recorded and
  // the timers stop. A recording with events becomes a macro of the library, saved as a new file
  // when the folder can be written and kept without a file when it cannot (the error is in the
  // result). With `stopChord`, the hotkey that ended the recording, its keys at the end are left
  // out. With `cutMicros` (a time of the clock's NowMicros), what was recorded from then on is
  // left out, and so is the right click that led there (the one that opened the notification
  // icon's menu).
  Result Finish(const HotkeyData* stopChord = nullptr,
                std::optional<uint64_t> cutMicros = std::nullopt);
  // Removes the hook and stops the timers, keeping nothing (the window is going).
  void Shutdown();

  // "yyyy-mm-dd hh.nn.ss" for a date and time.
  static std::string TimeStamp(const plat::DateTime& t);
  // "<stamp> (<seconds with one decimal>s)" with the user's decimal separator.
  static std::string Name(const std::string& stamp, uint32_t durationMs,
                          const std::string& decimalSeparator);

 private:
  void InputQueued() override { DrainInput(); }
  void CountdownTick();
  void OnMouse(const plat::InputEvent& e) noexcept;
  void OnKey(const plat::InputEvent& e) noexcept;
  // `micros`: when the hook saw the event.
  void Record(uint64_t micros, MacroEventKind kind, int32_t x, int32_t y, int32_t button) noexcept;
  void RemoveHooks();
  // Leaves out the stop hotkey's keys at the end of the recording: the press that fired it,
  // the modifiers held for it, and what follows of them (repeats, releases).
  void DropStopChord(const HotkeyData& chord);
  // Leaves out the events from `micros` on and the right click just before them.
  void DropFrom(uint64_t micros);

  plat::IClock& clock_;
  plat::IInput& mouse_;
  plat::IInputEventSource& input_;
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
  bool hooksStarted_ = false;  // the input thread runs
  bool keyHookInstalled_ = false;
  // Keys whose press was recorded and whose release was not yet, by virtual-key code.
  std::bitset<256> keysDown_;
  int32_t countdown_ = 0;
  uint64_t startMicros_ = 0;
  std::vector<MacroEvent> events_;
  std::vector<plat::InputEvent> taken_;  // the last batch; its storage goes back to the queue
  bool hasLastPoint_ = false;
  plat::Point lastPoint_;
};

}  // namespace macros
