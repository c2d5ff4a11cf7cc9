// The macro recorder: a countdown in the compact bar, then every mouse movement, press and
// release through the low-level hook until the stop hotkey, saved as a new macro file.
#include <cstdio>
#include <exception>
#include <string>

#include "mainform/main_form.h"

TFrmMain* HookTargetForm = nullptr;

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

void TFrmMain::btnCreateMacrosClick() {
  BeginRecordCountdown();
}

void TFrmMain::BeginRecordCountdown() {
  if (FRecording || FRunning || FWaitingForRecordStart) return;
  FWaitingForRecordStart = true;
  FCountdownValue = kCountdownStart;
  EnterCompactUi(Format("Recording starts in %d...", kCountdownStart));
  FCountdownTimer.SetEnabled(true);
}

void TFrmMain::CountdownTimerTick() {
  if (!FWaitingForRecordStart) return;
  if (FCountdownValue == 0) {
    BeginRecording();
    return;
  }
  // A short blink, so that the same number shown twice still reads as a tick; the blink timer
  // shows the number when it has passed.
  SetCompactCaption("");
  FBlinkCaption = Format("Recording starts in %d ...", FCountdownValue);
  FBlinkTimer.SetEnabled(true);
  --FCountdownValue;
}

void TFrmMain::BeginRecording() {
  if (FRecording) return;
  FWaitingForRecordStart = false;
  FCountdownTimer.SetEnabled(false);
  FBlinkTimer.SetEnabled(false);
  FRecordedEvents.clear();
  FHasLastRecordedPoint = false;
  FRecordingStartTick = svc_.Clock->TickCount();
  FLastRecordTick = FRecordingStartTick;
  InstallMouseHook();
  FRecording = true;
  plat::Point p;
  if (svc_.Mouse->CursorPos(p)) {
    FLastRecordedPoint = p;
    FHasLastRecordedPoint = true;
  }
  EnterCompactUi("Recording... Press " + hotkeys_.Text(hotkeys::HotkeyAction::Stop) + " to stop");
  Label1.SetText("Recording macro...");
}

void TFrmMain::InstallMouseHook() {
  RemoveMouseHook();
  FMouseHookInstalled = svc_.MouseHook->Install();
}

void TFrmMain::RemoveMouseHook() {
  if (!FMouseHookInstalled) return;
  svc_.MouseHook->Remove();
  FMouseHookInstalled = false;
}

void TFrmMain::HookMouseEvent(uint32_t message, int32_t x, int32_t y) noexcept {
  if (!FRecording) return;
  int32_t button = -1;
  TMacroEventKind kind = TMacroEventKind::mekMove;
  switch (message) {
    case kWmMouseMove:
      RecordMouseEvent(TMacroEventKind::mekMove, x, y, -1);
      return;
    case kWmLButtonDown:
      button = 0, kind = TMacroEventKind::mekDown;
      break;
    case kWmLButtonUp:
      button = 0, kind = TMacroEventKind::mekUp;
      break;
    case kWmRButtonDown:
      button = 1, kind = TMacroEventKind::mekDown;
      break;
    case kWmRButtonUp:
      button = 1, kind = TMacroEventKind::mekUp;
      break;
    case kWmMButtonDown:
      button = 2, kind = TMacroEventKind::mekDown;
      break;
    case kWmMButtonUp:
      button = 2, kind = TMacroEventKind::mekUp;
      break;
    default:
      return;  // wheel, horizontal wheel, extra buttons
  }
  RecordMouseEvent(TMacroEventKind::mekMove, x, y, -1);
  RecordMouseEvent(kind, x, y, button);
}

void TFrmMain::RecordMouseEvent(TMacroEventKind kind, int32_t x, int32_t y,
                                int32_t button) noexcept {
  if (!FRecording) return;
  if (kind == TMacroEventKind::mekMove) {
    if (FHasLastRecordedPoint && FLastRecordedPoint.X == x && FLastRecordedPoint.Y == y) return;
    FLastRecordedPoint = {x, y};
    FHasLastRecordedPoint = true;
  }
  const uint32_t now = svc_.Clock->TickCount();
  try {
    FRecordedEvents.push_back({now - FRecordingStartTick, kind, x, y, button});
  } catch (...) {
    return;  // out of memory: the event is dropped, the hook goes on
  }
  FLastRecordTick = now;
}

std::string TFrmMain::RecordingTimeStamp(const plat::DateTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d.%02d.%02d", t.Year, t.Month, t.Day, t.Hour,
                t.Minute, t.Second);
  return buf;
}

std::string TFrmMain::RecordingName(const std::string& stamp, uint32_t durationMs,
                                    const std::string& decimalSeparator) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%0.1f", durationMs / 1000.0);
  std::string seconds = buf;
  const size_t dot = seconds.find('.');
  if (dot != std::string::npos) seconds.replace(dot, 1, decimalSeparator);
  return stamp + " (" + seconds + "s)";
}

void TFrmMain::FinishRecording(const std::string& reason) {
  if (!FRecording && !FWaitingForRecordStart) return;
  FWaitingForRecordStart = false;
  FCountdownTimer.SetEnabled(false);
  FBlinkTimer.SetEnabled(false);
  uint32_t duration = 0;
  if (FRecording) {
    RemoveMouseHook();
    FRecording = false;
    duration = FLastRecordTick - FRecordingStartTick;
  }
  LeaveCompactUi();
  if (FRecordedEvents.empty()) {
    Label1.SetText("Macro recording cancelled or empty.");
  } else {
    const std::string stamp = RecordingTimeStamp(svc_.Env->LocalNow());
    auto macro = std::make_shared<TRecordedMacro>();
    macro->SetName(RecordingName(stamp, duration, svc_.Env->DecimalSeparator()));
    macro->SetDurationMs(duration);
    macro->Events() = FRecordedEvents;
    // Two recordings finished within the same second must not overwrite each other.
    const std::string path = library_.NewFilePath(stamp);
    FRecordedEvents.clear();
    FHasLastRecordedPoint = false;
    // A recording is never lost: when its file cannot be written it still joins the list,
    // without a file, to be played at once and saved later by renaming it.
    std::string failure;
    try {
      macro->SaveToFile(path);
    } catch (const std::exception& e) {
      failure = e.what();
    }
    library_.Add(macro);
    RefreshMacroList();
    for (int i = 0; i < lbMacroses.Count(); ++i)
      if (lbMacroses.Items()[static_cast<size_t>(i)] == macro->Name()) {
        lbMacroses.SetItemIndex(i);
        break;
      }
    if (failure.empty()) {
      Label1.SetText("Macro saved: " + macro->Name() + ". " + reason);
    } else {
      Label1.SetText("Macro recorded but not saved: " + macro->Name() + ". " + reason);
      svc_.Dialogs->Message(plat::MsgKind::Error, plat::MsgButtons::Ok,
                            "The macro could not be saved:\r\n" + failure +
                                "\r\n\r\nIt is in the list and can be played. Rename it to "
                                "save it once the folder can be written.");
    }
  }
  FRecordedEvents.clear();
  FHasLastRecordedPoint = false;
}
