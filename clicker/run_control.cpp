// Run control: starting, timing and ending a clicking run or a macro playback.
#include "mainform/main_form.h"

#include <string>

namespace {
constexpr uint32_t kMsPerSecond = 1000;
constexpr const char* kBlockedClick =
    "Windows blocked the click. The window under the pointer may belong to a program running "
    "as administrator.";
constexpr const char* kStartedElevated =
    "Started. The window under the pointer belongs to a program running as administrator; "
    "Windows may block the clicks.";
}  // namespace

void TFrmMain::ShowStartedFor(const plat::Point& point) {
  Label1.SetText(svc_.Mouse->HigherIntegrityAt(point) ? kStartedElevated : "Started");
}

std::string TFrmMain::RunningCaption() {
  return "Running... Press " + hotkeys_.Text(hotkeys::HotkeyAction::Stop) + " to stop";
}

void TFrmMain::StartRun() {
  if (FRunning || recorder_.Recording() || recorder_.CountingDown()) return;
  if (rbMacros.Checked() && SelectedMacro() == nullptr) {
    svc_.Dialogs->Message(plat::MsgKind::Information, plat::MsgButtons::Ok,
                          "Please select a macro to play back.");
    return;
  }
  btnStart.SetEnabled(false);
  btnStop.SetEnabled(true);
  Label1.SetText("Started");
  // What is under the pointer can change before the first click: this only warns.
  if (!rbMacros.Checked()) ShowStartedFor(ClickTargetPoint());
  FClicksDone = 0;
  FRunning = true;

  if (chkMinimizeToTrayOnStart.Checked())
    HideMainWindow();
  else
    EnterCompactUi(RunningCaption());

  const int32_t delay = seStartDelaySS.Value();
  if (delay <= 0) {
    if (rbMacros.Checked())
      BeginMacroPlayback();
    else
      ArmClickTimer();
  } else {
    TimerDelay.SetInterval(static_cast<uint32_t>(delay) * kMsPerSecond);
    TimerDelay.SetEnabled(true);
  }
}

void TFrmMain::StopRun(const std::string& text) {
  if (!FRunning) return;
  btnStart.SetEnabled(true);
  btnStop.SetEnabled(false);
  FRunning = false;
  TimerClick.SetEnabled(false);
  TimerDelay.SetEnabled(false);
  // Nothing more of the run is sent, and a button it holds is let go before the status line
  // says that it has stopped.
  player_.Stop();
  EndHold();
  Label1.SetText(text);
  if (FRecUiActive && !recorder_.Recording() && !recorder_.CountingDown()) LeaveCompactUi();
  if (!svc_.Window->IsVisible()) RestoreMainWindow();
}

int32_t TFrmMain::BaseIntervalMs() {
  // Signed 32-bit arithmetic as the controls give it; the unsigned detour keeps an
  // out-of-range text from being undefined behaviour.
  const uint32_t sum = static_cast<uint32_t>(seHours.Value()) * 3600000u +
                       static_cast<uint32_t>(seMinutes.Value()) * 60000u +
                       static_cast<uint32_t>(seSeconds.Value()) * 1000u +
                       static_cast<uint32_t>(seMillis.Value());
  const int32_t interval = static_cast<int32_t>(sum);
  return interval == 0 ? 1 : interval;
}

void TFrmMain::ArmClickTimer() {
  const int64_t base = BaseIntervalMs();
  const int64_t jitter = chkJitter.Checked() ? seJitterMs.Value() : 0;
  const int r = svc_.Random->Below(3);
  int64_t interval = base + jitter * (r - 1);
  if (interval < 1) interval = 1;
  TimerClick.SetInterval(static_cast<uint32_t>(interval));
  TimerClick.SetEnabled(true);
}

void TFrmMain::btnStartClick() {
  StartRun();
}

void TFrmMain::btnStopClick() {
  const char* prefix =
      rbMacros.Checked() ? "Stopped by button. Runs done: " : "Stopped by button. Clicks done: ";
  StopRun(prefix + std::to_string(FClicksDone));
}

void TFrmMain::TimerDelayTimer() {
  TimerDelay.SetEnabled(false);
  if (!chkMinimizeToTrayOnStart.Checked()) EnterCompactUi(RunningCaption());
  if (rbMacros.Checked())
    BeginMacroPlayback();
  else
    ArmClickTimer();
}

void TFrmMain::TimerClickTimer() {
  if (!FRunning) return;
  if (FHeldButton >= 0) {
    // No click starts while a button is held: the tick follows the release.
    FTickDuringHold = true;
    return;
  }
  if (rbRepeatCount.Checked() && static_cast<int32_t>(FClicksDone) >= seRepeat.Value()) {
    StopRun("Completed repeat count. Clicks done: " + std::to_string(FClicksDone));
    return;
  }
  if (!PerformClickAction(ClickTargetPoint())) {
    StopRun(kBlockedClick);  // a refused click is not counted
    return;
  }
  ++FClicksDone;
  ArmClickTimer();
}

void TFrmMain::HoldTimerTimer() {
  FHoldTimer.SetEnabled(false);
  if (FHeldButton < 0) return;
  const int32_t button = FHeldButton;
  FHeldButton = -1;
  if (!MouseButtonUp(button)) {
    StopRun(kBlockedClick);
    return;
  }
  if (FTickDuringHold) {
    FTickDuringHold = false;
    TimerClickTimer();
  }
}

void TFrmMain::EndHold() {
  FHoldTimer.SetEnabled(false);
  FTickDuringHold = false;
  if (FHeldButton < 0) return;
  const int32_t button = FHeldButton;
  FHeldButton = -1;
  MouseButtonUp(button);
}
