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

void MainForm::ShowStartedFor(const plat::Point& point) {
  statusLabel.SetText(svc_.Input->HigherIntegrityAt(point) ? kStartedElevated : "Started");
}

std::string MainForm::DoneText() const {
  return (PlaysMacro() ? "Runs done: " : "Clicks done: ") + std::to_string(clicksDone_);
}

std::string MainForm::RunningCaption() {
  return "Running... Press " + hotkeys_.Text(hotkeys::HotkeyAction::Stop) + " to stop";
}

bool MainForm::StopHotkeyWorks() {
  if (hotkeys_.Unavailable(hotkeys::HotkeyAction::Stop).empty()) return true;
  // The program that held it may have let it go meanwhile.
  hotkeys_.RegisterAll();
  const std::string unavailable = hotkeys_.Unavailable(hotkeys::HotkeyAction::Stop);
  if (unavailable.empty()) return true;
  // A run that nothing can stop is not started: at a short interval the pointer is not the
  // user's any more.
  svc_.Dialogs->Message(plat::MsgKind::Warning, plat::MsgButtons::Ok,
                        unavailable + " Choose another one with Hotkeys... before starting.");
  return false;
}

void MainForm::StartRun() {
  if (running_ || recorder_.Recording() || recorder_.CountingDown()) return;
  if (!StopHotkeyWorks()) return;
  if (PlaysMacro() && !MacroToPlay()) {
    svc_.Dialogs->Message(plat::MsgKind::Information, plat::MsgButtons::Ok,
                          "Please select a macro to play back.");
    return;
  }
  startButton.SetEnabled(false);
  stopButton.SetEnabled(true);
  statusLabel.SetText("Started");
  // What is under the pointer can change before the first click: this only warns.
  if (!PlaysMacro()) ShowStartedFor(ClickTargetPoint());
  clicksDone_ = 0;
  running_ = true;
  // Where the program moves the pointer itself, the user's own movement stops the run.
  if (stopOnMouseMoveCheck.Checked() && (PlaysMacro() || !cursorPositionRadio.Checked()))
    handCheck_.Arm();

  if (minimizeToTrayCheck.Checked())
    HideMainWindow();
  else
    EnterCompactUi(RunningCaption());

  const int32_t delay = startDelayEdit.Value();
  if (delay <= 0) {
    if (PlaysMacro())
      BeginMacroPlayback();
    else
      clickRun_.Start();
  } else {
    startDelayTimer_.SetInterval(static_cast<uint32_t>(delay) * kMsPerSecond);
    startDelayTimer_.SetEnabled(true);
  }
}

void MainForm::StopRun(const std::string& text) {
  if (!running_) return;
  if (input_.Sending()) {
    // The system is delivering this while it waits for a low-level hook inside SendInput:
    // nothing more is sent from now on, and the rest of the stop (releases, the hook's removal,
    // the status, the window) follows once the input under way is out.
    clickRun_.Halt();
    player_.Halt();
    startDelayTimer_.SetEnabled(false);
    deferredStopText_ = text;
    deferredStopTimer_.Restart(1);
    return;
  }
  deferredStopTimer_.SetEnabled(false);
  startButton.SetEnabled(true);
  stopButton.SetEnabled(false);
  running_ = false;
  commandPlayback_.reset();
  startDelayTimer_.SetEnabled(false);
  handCheck_.Disarm();
  // Nothing more of the run is sent, and a button it holds is let go before the status line
  // says that it has stopped.
  clickRun_.Stop();
  player_.Stop();
  statusLabel.SetText(text);
  if (compactActive_ && !recorder_.Recording() && !recorder_.CountingDown()) LeaveCompactUi();
  if (!svc_.Window->IsVisible()) RestoreMainWindow();
}

int32_t MainForm::BaseIntervalMs() {
  // Signed 32-bit arithmetic as the controls give it; the unsigned detour keeps an
  // out-of-range text from being undefined behaviour.
  const uint32_t sum = static_cast<uint32_t>(hoursEdit.Value()) * 3600000u +
                       static_cast<uint32_t>(minutesEdit.Value()) * 60000u +
                       static_cast<uint32_t>(secondsEdit.Value()) * 1000u +
                       static_cast<uint32_t>(millisecondsEdit.Value());
  const int32_t interval = static_cast<int32_t>(sum);
  return interval == 0 ? 1 : interval;
}

void MainForm::StartClicked() {
  StartRun();
}

void MainForm::StopClicked() {
  StopRun("Stopped by button. " + DoneText());
}

void MainForm::StartDelayElapsed() {
  startDelayTimer_.SetEnabled(false);
  if (!minimizeToTrayCheck.Checked()) EnterCompactUi(RunningCaption());
  if (PlaysMacro())
    BeginMacroPlayback();
  else
    clickRun_.Start();
}

clicker::ClickPlan MainForm::CurrentClickPlan() {
  clicker::ClickPlan plan;
  plan.limitReached =
      repeatCountRadio.Checked() && static_cast<int32_t>(clicksDone_) >= repeatCountEdit.Value();
  plan.moveFirst = coordinatesRadio.Checked();
  plan.point = ClickTargetPoint();
  plan.button = std::max(buttonCombo.ItemIndex(), 0);
  plan.type = std::max(clickTypeCombo.ItemIndex(), 0);
  plan.holdMs = holdEdit.Value();
  plan.intervalMs = BaseIntervalMs();
  plan.jitterMs = jitterCheck.Checked() ? jitterEdit.Value() : 0;
  return plan;
}

plat::Point MainForm::ClickTargetPoint() {
  plat::Point p;
  if (cursorPositionRadio.Checked()) {
    svc_.Input->CursorPos(p);
  } else if (coordinatesRadio.Checked()) {
    // Within the boxes' range, as they will show it when they lose the focus: starting by
    // button (which takes the focus) and by hotkey (which does not) click at the same point.
    const auto read = [](const ui::SpinEdit& edit) {
      return std::clamp(edit.Value(), edit.Min(), edit.Max());
    };
    p.X = read(coordXEdit);
    p.Y = read(coordYEdit);
  }
  return p;
}

void MainForm::ClickRunEnded(End end) {
  if (end == End::Blocked) {
    StopRun(kBlockedClick);
    return;
  }
  StopRun("Completed repeat count. Clicks done: " + std::to_string(clicksDone_));
}
