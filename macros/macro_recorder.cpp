#include "macros/macro_recorder.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <initializer_list>

namespace macros {

namespace {

constexpr uint32_t kWmMouseMove = 0x0200;
constexpr uint32_t kWmLButtonDown = 0x0201;
constexpr uint32_t kWmLButtonUp = 0x0202;
constexpr uint32_t kWmRButtonDown = 0x0204;
constexpr uint32_t kWmRButtonUp = 0x0205;
constexpr uint32_t kWmMButtonDown = 0x0207;
constexpr uint32_t kWmMButtonUp = 0x0208;
constexpr uint32_t kWmMouseWheel = 0x020A;
constexpr uint32_t kWmXButtonDown = 0x020B;
constexpr uint32_t kWmXButtonUp = 0x020C;
constexpr uint32_t kWmMouseHWheel = 0x020E;
constexpr uint32_t kWmKeyDown = 0x0100;
constexpr uint32_t kWmKeyUp = 0x0101;
constexpr uint32_t kWmSysKeyDown = 0x0104;
constexpr uint32_t kWmSysKeyUp = 0x0105;
constexpr uint32_t kLlkhfExtended = 0x01;
constexpr int32_t kCountdownStart = 10;

// The high word of a hook's mouseData, signed: the wheel delta or the side button.
int32_t HighWord(uint32_t mouseData) {
  return static_cast<int16_t>(static_cast<uint16_t>(mouseData >> 16));
}

// The virtual-key codes a chord's keys may arrive with: the key itself and, for each modifier,
// its generic code and those of its left and right keys.
std::bitset<256> ChordKeys(const HotkeyData& chord) {
  std::bitset<256> keys;
  keys.set(chord.Vk & 0xFF);
  const auto add = [&](uint32_t modifier, std::initializer_list<uint32_t> vks) {
    if ((chord.Modifiers & modifier) == 0) return;
    for (uint32_t vk : vks) keys.set(vk);
  };
  add(hk::kModShift, {0x10, 0xA0, 0xA1});
  add(hk::kModControl, {0x11, 0xA2, 0xA3});
  add(hk::kModAlt, {0x12, 0xA4, 0xA5});
  add(hk::kModWin, {0x5B, 0x5C});
  return keys;
}

bool IsKey(const MacroEvent& e) {
  return e.Kind == MacroEventKind::KeyDown || e.Kind == MacroEventKind::KeyUp;
}

std::string Format(const char* pattern, int value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, pattern, value);
  return buf;
}

}  // namespace

MacroRecorder::MacroRecorder(plat::IClock& clock, plat::IInput& mouse,
                             plat::IInputEventSource& input, plat::IEnvironment& env,
                             ui::TimerDriver* timers, MacroLibrary& library, IRecorderHost& host)
    : clock_(clock), mouse_(mouse), input_(input), env_(env), library_(library), host_(host) {
  countdownTimer_.OnTimer = [this] { CountdownTick(); };
  countdownTimer_.SetDriver(timers);
  blinkTimer_.OnTimer = [this] {
    blinkTimer_.SetEnabled(false);
    host_.SetRecorderCaption(blinkCaption_);
  };
  blinkTimer_.SetDriver(timers);
}

MacroRecorder::~MacroRecorder() {
  RemoveHooks();
}

void MacroRecorder::StartCountdown(const std::string& recordingCaption, bool withKeys) {
  if (recording_ || countingDown_) return;
  recordingCaption_ = recordingCaption;
  withKeys_ = withKeys;
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
  keysDown_.reset();
  hasLastPoint_ = false;
  RemoveHooks();
  // Before the hooks: no event is older than the start.
  startMicros_ = clock_.NowMicros();
  const plat::IInputEventSource::Hooks hooks = input_.Start(withKeys_, *this);
  hooksStarted_ = true;
  keyHookInstalled_ = withKeys_ && hooks.keyboard;
  recording_ = true;
  plat::Point p;
  if (mouse_.CursorPos(p)) {
    lastPoint_ = p;
    hasLastPoint_ = true;
  }
  host_.ShowRecorderBar(recordingCaption_);
  host_.RecordingStarted();
}

void MacroRecorder::RemoveHooks() {
  if (hooksStarted_) input_.Stop();
  hooksStarted_ = false;
}

void MacroRecorder::Shutdown() {
  RemoveHooks();
  keyHookInstalled_ = false;
  countdownTimer_.SetEnabled(false);
  blinkTimer_.SetEnabled(false);
}

void MacroRecorder::DrainInput() {
  input_.Take(taken_);
  for (const plat::InputEvent& e : taken_) {
    if (e.device == plat::InputEvent::Device::Keyboard)
      OnKey(e);
    else
      OnMouse(e);
  }
  taken_.clear();
}

void MacroRecorder::OnMouse(const plat::InputEvent& e) noexcept {
  if (!recording_) return;
  const uint32_t message = e.message;
  const int32_t x = e.x, y = e.y;
  const uint64_t t = e.micros;
  int32_t button = -1;
  MacroEventKind kind = MacroEventKind::Move;
  switch (message) {
    case kWmMouseMove:
      Record(t, MacroEventKind::Move, x, y, -1);
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
    case kWmXButtonDown:
    case kWmXButtonUp: {
      const int32_t which = HighWord(e.mouseData);  // XBUTTON1 or XBUTTON2
      if (which != 1 && which != 2) return;
      button = which + 2;
      kind = message == kWmXButtonDown ? MacroEventKind::Down : MacroEventKind::Up;
      break;
    }
    case kWmMouseWheel:
      button = HighWord(e.mouseData), kind = MacroEventKind::Wheel;
      break;
    case kWmMouseHWheel:
      button = HighWord(e.mouseData), kind = MacroEventKind::HorizontalWheel;
      break;
    default:
      return;
  }
  Record(t, MacroEventKind::Move, x, y, -1);
  Record(t, kind, x, y, button);
}

void MacroRecorder::OnKey(const plat::InputEvent& e) noexcept {
  if (!recording_ || !keyHookInstalled_) return;
  const size_t index = e.vk & 0xFF;
  const int32_t key = PackMacroKey(e.vk, e.scanCode, (e.flags & kLlkhfExtended) != 0);
  switch (e.message) {
    case kWmKeyDown:
    case kWmSysKeyDown:
      keysDown_.set(index);
      Record(e.micros, MacroEventKind::KeyDown, lastPoint_.X, lastPoint_.Y, key);
      return;
    case kWmKeyUp:
    case kWmSysKeyUp:
      // A release whose press came before the recording (the keys of the start-recording
      // hotkey, a key held through the countdown) would release a key that playback never
      // pressed.
      if (!keysDown_.test(index)) return;
      keysDown_.reset(index);
      Record(e.micros, MacroEventKind::KeyUp, lastPoint_.X, lastPoint_.Y, key);
      return;
    default:
      return;
  }
}

void MacroRecorder::Record(uint64_t micros, MacroEventKind kind, int32_t x, int32_t y,
                           int32_t button) noexcept {
  if (kind == MacroEventKind::Move) {
    // Only a new position is recorded: the hook reports the same pixel again and again.
    if (hasLastPoint_ && lastPoint_.X == x && lastPoint_.Y == y) return;
    lastPoint_ = {x, y};
    hasLastPoint_ = true;
  }
  // The time the hook saw it, not the time it is taken from the queue.
  const uint64_t sinceStart = micros > startMicros_ ? (micros - startMicros_) / 1000 : 0;
  const uint32_t deltaMs = static_cast<uint32_t>(std::min<uint64_t>(sinceStart, UINT32_MAX));
  try {
    events_.push_back({deltaMs, kind, x, y, button});
  } catch (...) {
    return;  // out of memory: the event is dropped, the recording goes on
  }
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

void MacroRecorder::DropStopChord(const HotkeyData& chord) {
  const std::bitset<256> chordKeys = ChordKeys(chord);
  const auto isChordKey = [&](const MacroEvent& e) {
    return IsKey(e) && chordKeys.test(MacroKeyVk(e.Button));
  };
  const auto isDownOf = [](const MacroEvent& e, const std::bitset<256>& keys) {
    return e.Kind == MacroEventKind::KeyDown && keys.test(MacroKeyVk(e.Button));
  };
  // The press of the chord's key that fired the hotkey: the last one, after which only moves
  // and the chord's keys come. When the hook did not see it, the end of the recording.
  size_t trigger = events_.size();
  for (size_t i = events_.size(); i-- > 0;) {
    const MacroEvent& e = events_[i];
    if (e.Kind != MacroEventKind::Move && !isChordKey(e)) break;
    if (e.Kind == MacroEventKind::KeyDown && MacroKeyVk(e.Button) == (chord.Vk & 0xFF)) {
      trigger = i;
      break;
    }
  }
  std::vector<bool> drop(events_.size(), false);
  std::bitset<256> droppedDown;
  // Right before it, the presses and repeats of the modifiers held for it (and of its key, when
  // it repeated before the hotkey came through).
  for (size_t i = trigger; i-- > 0;) {
    const MacroEvent& e = events_[i];
    if (e.Kind == MacroEventKind::Move) continue;
    if (!isDownOf(e, chordKeys)) break;
    drop[i] = true;
    droppedDown.set(MacroKeyVk(e.Button));
  }
  // From it on, the chord's keys: its presses, repeats and releases, except the release of a
  // key pressed before the chord (it ends a press that stays in the recording).
  for (size_t i = trigger; i < events_.size(); ++i) {
    const MacroEvent& e = events_[i];
    if (!isChordKey(e)) continue;
    const size_t vk = MacroKeyVk(e.Button);
    if (e.Kind == MacroEventKind::KeyDown) {
      drop[i] = true;
      droppedDown.set(vk);
    } else if (droppedDown.test(vk)) {
      drop[i] = true;
      droppedDown.reset(vk);
    }
  }
  size_t kept = 0;
  for (size_t i = 0; i < events_.size(); ++i)
    if (!drop[i]) events_[kept++] = events_[i];
  events_.resize(kept);
}

void MacroRecorder::DropFrom(uint64_t micros) {
  const uint32_t cut =
      micros > startMicros_ ? static_cast<uint32_t>((micros - startMicros_) / 1000) : 0;
  size_t end = events_.size();
  // (What came in the same millisecond came before: the menu opens after the click.)
  while (end > 0 && events_[end - 1].DeltaMs > cut) --end;
  // Before it, the right button's press and release (and the moves around them), when nothing
  // else came after the press.
  const auto right = [](const MacroEvent& e, MacroEventKind kind) {
    return e.Kind == kind && e.Button == 1;
  };
  size_t i = end;
  while (i > 0 && events_[i - 1].Kind == MacroEventKind::Move) --i;
  if (i > 0 && right(events_[i - 1], MacroEventKind::Up)) {
    --i;
    while (i > 0 && events_[i - 1].Kind == MacroEventKind::Move) --i;
    if (i > 0 && right(events_[i - 1], MacroEventKind::Down)) {
      end = i - 1;
      // The press comes with a move to its point.
      const MacroEvent& press = events_[end];
      if (end > 0 && events_[end - 1].Kind == MacroEventKind::Move &&
          events_[end - 1].X == press.X && events_[end - 1].Y == press.Y)
        --end;
    }
  }
  events_.resize(end);
}

MacroRecorder::Result MacroRecorder::Finish(const HotkeyData* stopChord,
                                            std::optional<uint64_t> cutMicros) {
  Result result;
  if (!recording_ && !countingDown_) return result;
  countingDown_ = false;
  countdownTimer_.SetEnabled(false);
  blinkTimer_.SetEnabled(false);
  uint32_t duration = 0;
  if (recording_) {
    // The input thread ends first; what it queued before then (the stop chord's keys among it,
    // which may come after the hotkey) is recorded before the chord is dropped.
    RemoveHooks();
    DrainInput();
    recording_ = false;
    keyHookInstalled_ = false;
    if (cutMicros) DropFrom(*cutMicros);
    if (stopChord) DropStopChord(*stopChord);
    // Until the last event kept (the clock ticks with each event recorded).
    duration = events_.empty() ? 0 : events_.back().DeltaMs;
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
  keysDown_.reset();
  hasLastPoint_ = false;
  return result;
}

}  // namespace macros
