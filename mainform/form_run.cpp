// The window's run control: starting a clicking run or a macro playback (after the start delay),
// ending either with a status text, and what a clicking run reads from the controls at each tick.
#include "mainform/main_form.h"

#include <algorithm>
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
      clickRun_.Start();
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
  TimerDelay.SetEnabled(false);
  // Nothing more of the run is sent, and a button it holds is let go before the status line
  // says that it has stopped.
  clickRun_.Stop();
  player_.Stop();
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
    clickRun_.Start();
}

clicker::ClickPlan TFrmMain::CurrentClickPlan() {
  clicker::ClickPlan plan;
  plan.limitReached =
      rbRepeatCount.Checked() && static_cast<int32_t>(FClicksDone) >= seRepeat.Value();
  plan.moveFirst = rbCoordinates.Checked();
  plan.point = ClickTargetPoint();
  plan.button = std::max(cbButton.ItemIndex(), 0);
  plan.type = std::max(cbClickType.ItemIndex(), 0);
  plan.holdMs = seHoldMs.Value();
  plan.intervalMs = BaseIntervalMs();
  plan.jitterMs = chkJitter.Checked() ? seJitterMs.Value() : 0;
  return plan;
}

plat::Point TFrmMain::ClickTargetPoint() {
  plat::Point p;
  if (rbCurrentCursorPosition.Checked()) {
    svc_.Mouse->CursorPos(p);
  } else if (rbCoordinates.Checked()) {
    int32_t v = 0;
    p.X = ui::ParseDecimalInt(edtCoordX.Text(), v) ? v : 0;
    v = 0;
    p.Y = ui::ParseDecimalInt(edtCoordY.Text(), v) ? v : 0;
  }
  return p;
}

void TFrmMain::ClickRunEnded(End end) {
  if (end == End::Blocked) {
    StopRun(kBlockedClick);
    return;
  }
  StopRun("Completed repeat count. Clicks done: " + std::to_string(FClicksDone));
}
