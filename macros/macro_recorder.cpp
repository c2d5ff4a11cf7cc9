#include "macros/macro_recorder.h"

#include <cstdio>
#include <exception>

namespace macros {

namespace {

constexpr uint32_t kWmMouseMove = 0x0200;
constexpr uint32_t kWmLButtonDown = 0x0201;
constexpr uint32_t kWmLButtonUp = 0x0202;
constexpr uint32_t kWmRButtonDown = 0x0204;
constexpr uint32_t kWmRButtonUp = 0x0205;
constexpr uint32_t kWmMButtonDown = 0x0207;
constexpr uint32_t kWmMButtonUp = 0x0208;
constexpr int32_t kCountdownStart = 10;

std::string Format(const char* pattern, int value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, pattern, value);
  return buf;
}

}  // namespace

MacroRecorder::MacroRecorder(plat::IClock& clock, plat::IMouseInput& mouse, plat::IMouseHook& hook,
                             plat::IEnvironment& env, ui::TimerDriver* timers,
                             MacroLibrary& library, IRecorderHost& host)
    : clock_(clock), mouse_(mouse), hook_(hook), env_(env), library_(library), host_(host) {
  countdownTimer_.OnTimer = [this] { CountdownTick(); };
  countdownTimer_.SetDriver(timers);
  blinkTimer_.OnTimer = [this] {
    blinkTimer_.SetEnabled(false);
    host_.SetRecorderCaption(blinkCaption_);
  };
  blinkTimer_.SetDriver(timers);
}

MacroRecorder::~MacroRecorder() {
  RemoveHook();
}

void MacroRecorder::StartCountdown(const std::string& recordingCaption) {
  if (recording_ || countingDown_) return;
  recordingCaption_ = recordingCaption;
  countingDown_ = true;
  countdown_ = kCountdownStart;
  host_.ShowRecorderBar(Format("Recording starts in %d...", kCountdownStart));
  countdownTimer_.SetEnabled(true);
}

void MacroRecorder::CountdownTick() {
  if (!countingDown_) return;
  if (countdown_ == 0) {
    Begin();
    return;
  }
  // A short blink, so that the same number shown twice still reads as a tick; the blink timer
  // shows the number when it has passed.
  host_.SetRecorderCaption("");
  blinkCaption_ = Format("Recording starts in %d ...", countdown_);
  blinkTimer_.SetEnabled(true);
  --countdown_;
}

void MacroRecorder::Begin() {
  if (recording_) return;
  countingDown_ = false;
  countdownTimer_.SetEnabled(false);
  blinkTimer_.SetEnabled(false);
  events_.clear();
  hasLastPoint_ = false;
  startTick_ = clock_.TickCount();
  lastTick_ = startTick_;
  RemoveHook();
  hookInstalled_ = hook_.Install(*this);
  recording_ = true;
  plat::Point p;
  if (mouse_.CursorPos(p)) {
    lastPoint_ = p;
    hasLastPoint_ = true;
  }
  host_.ShowRecorderBar(recordingCaption_);
  host_.RecordingStarted();
}

void MacroRecorder::RemoveHook() {
  if (!hookInstalled_) return;
  hook_.Remove();
  hookInstalled_ = false;
}

void MacroRecorder::Shutdown() {
  RemoveHook();
  countdownTimer_.SetEnabled(false);
  blinkTimer_.SetEnabled(false);
}

void MacroRecorder::OnMouse(uint32_t message, int32_t x, int32_t y) noexcept {
  if (!recording_) return;
  int32_t button = -1;
  MacroEventKind kind = MacroEventKind::Move;
  switch (message) {
    case kWmMouseMove:
      Record(MacroEventKind::Move, x, y, -1);
      return;
    case kWmLButtonDown:
      button = 0, kind = MacroEventKind::Down;
      break;
    case kWmLButtonUp:
      button = 0, kind = MacroEventKind::Up;
      break;
    case kWmRButtonDown:
      button = 1, kind = MacroEventKind::Down;
      break;
    case kWmRButtonUp:
      button = 1, kind = MacroEventKind::Up;
      break;
    case kWmMButtonDown:
      button = 2, kind = MacroEventKind::Down;
      break;
    case kWmMButtonUp:
      button = 2, kind = MacroEventKind::Up;
      break;
    default:
      return;  // wheel, horizontal wheel, extra buttons
  }
  Record(MacroEventKind::Move, x, y, -1);
  Record(kind, x, y, button);
}

void MacroRecorder::Record(MacroEventKind kind, int32_t x, int32_t y, int32_t button) noexcept {
  if (kind == MacroEventKind::Move) {
    // Only a new position is recorded: the hook reports the same pixel again and again.
    if (hasLastPoint_ && lastPoint_.X == x && lastPoint_.Y == y) return;
    lastPoint_ = {x, y};
    hasLastPoint_ = true;
  }
  const uint32_t now = clock_.TickCount();
  try {
    events_.push_back({now - startTick_, kind, x, y, button});
  } catch (...) {
    return;  // out of memory: the event is dropped, the hook goes on
  }
  lastTick_ = now;
}

std::string MacroRecorder::TimeStamp(const plat::DateTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d.%02d.%02d", t.Year, t.Month, t.Day, t.Hour,
                t.Minute, t.Second);
  return buf;
}

std::string MacroRecorder::Name(const std::string& stamp, uint32_t durationMs,
                                const std::string& decimalSeparator) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%0.1f", durationMs / 1000.0);
  std::string seconds = buf;
  const size_t dot = seconds.find('.');
  if (dot != std::string::npos) seconds.replace(dot, 1, decimalSeparator);
  return stamp + " (" + seconds + "s)";
}

MacroRecorder::Result MacroRecorder::Finish() {
  Result result;
  if (!recording_ && !countingDown_) return result;
  countingDown_ = false;
  countdownTimer_.SetEnabled(false);
  blinkTimer_.SetEnabled(false);
  uint32_t duration = 0;
  if (recording_) {
    RemoveHook();
    recording_ = false;
    duration = lastTick_ - startTick_;
  }
  if (!events_.empty()) {
    const std::string stamp = TimeStamp(env_.LocalNow());
    auto macro = std::make_shared<RecordedMacro>();
    macro->SetName(Name(stamp, duration, env_.DecimalSeparator()));
    macro->SetDurationMs(duration);
    macro->Events() = std::move(events_);
    // A recording is never lost: when its file cannot be written it still joins the library,
    // without a file, to be played at once and saved later by renaming it.
    try {
      macro->SaveToFile(library_.NewFilePath(stamp));
    } catch (const std::exception& e) {
      result.saveError = e.what();
    }
    library_.Add(macro);
    result.macro = macro;
  }
  events_.clear();
  hasLastPoint_ = false;
  return result;
}

}  // namespace macros
