#include "mainform/main_form.h"

#include "macros/recorded_macro.h"

#include "mainform/control_ids.h"
#include "product/product.h"

using ui::Bounds;

// The window's design: bounds in 96-DPI pixels within the parent (a group box or the panel).
TFrmMain::TFrmMain(const mainform::FormServices& services)
    : btnStart(ids::btnStart, "btnStart", {10, 14, 105, 25}),
      btnStop(ids::btnStop, "btnStop", {124, 14, 111, 25}),
      GroupBox1(ids::GroupBox1, "GroupBox1", {10, 58, 225, 439}),
      rbCurrentCursorPosition(ids::rbCurrentCursorPosition, "rbCurrentCursorPosition",
                              {11, 26, 190, 17}, &GroupBox1),
      rbCoordinates(ids::rbCoordinates, "rbCoordinates", {11, 59, 118, 17}, &GroupBox1),
      edtCoordX(ids::edtCoordX, "edtCoordX", {109, 56, 44, 24}, 0, 100000, 0, &GroupBox1),
      Label3(ids::Label3, "Label3", {161, 59, 10, 15}, &GroupBox1),
      edtCoordY(ids::edtCoordY, "edtCoordY", {176, 56, 44, 24}, 0, 100000, 0, &GroupBox1),
      rbMacros(ids::rbMacros, "rbMacros", {11, 94, 118, 17}, &GroupBox1),
      btnCreateMacros(ids::btnCreateMacros, "btnCreateMacros", {11, 127, 65, 24}, &GroupBox1),
      bRemove(ids::bRemove, "bRemove", {82, 127, 59, 24}, &GroupBox1),
      bRename(ids::bRename, "bRename", {148, 127, 65, 24}, &GroupBox1),
      lbMacroses(ids::lbMacroses, "lbMacroses", {10, 157, 204, 264}, &GroupBox1),
      grpInterval(ids::grpInterval, "grpInterval", {253, 10, 297, 97}),
      lblH(ids::lblH, "lblH", {16, 24, 50, 15}, &grpInterval),
      lblM(ids::lblM, "lblM", {80, 24, 60, 15}, &grpInterval),
      lblS(ids::lblS, "lblS", {152, 24, 60, 15}, &grpInterval),
      lblMS(ids::lblMS, "lblMS", {224, 24, 70, 15}, &grpInterval),
      seHours(ids::seHours, "seHours", {16, 40, 49, 24}, 0, 23, 0, &grpInterval),
      seMinutes(ids::seMinutes, "seMinutes", {80, 40, 49, 24}, 0, 59, 0, &grpInterval),
      seSeconds(ids::seSeconds, "seSeconds", {152, 40, 49, 24}, 0, 59, 0, &grpInterval),
      seMillis(ids::seMillis, "seMillis", {224, 40, 57, 24}, 0, 999, 50, &grpInterval),
      chkJitter(ids::chkJitter, "chkJitter", {16, 72, 113, 17}, &grpInterval),
      seJitterMs(ids::seJitterMs, "seJitterMs", {128, 70, 57, 24}, 0, 999, 0, &grpInterval),
      grpClickType(ids::grpClickType, "grpClickType", {253, 120, 297, 97}),
      cbButton(ids::cbButton, "cbButton", {16, 24, 113, 23}, &grpClickType),
      cbClickType(ids::cbClickType, "cbClickType", {152, 24, 129, 23}, &grpClickType),
      lblHold(ids::lblHold, "lblHold", {16, 60, 90, 15}, &grpClickType),
      seHoldMs(ids::seHoldMs, "seHoldMs", {112, 56, 73, 24}, 0, 10000, 80, &grpClickType),
      grpDelay(ids::grpDelay, "grpDelay", {253, 231, 297, 57}),
      lblDelayMs(ids::lblDelayMs, "lblDelayMs", {16, 24, 80, 15}, &grpDelay),
      seStartDelaySS(ids::seStartDelaySS, "seStartDelaySS", {112, 20, 73, 24}, 0, 65535, 0,
                     &grpDelay),
      grpClicks(ids::grpClicks, "grpClicks", {253, 301, 297, 87}),
      rbUntilStopped(ids::rbUntilStopped, "rbUntilStopped", {16, 24, 177, 17}, &grpClicks),
      rbRepeatCount(ids::rbRepeatCount, "rbRepeatCount", {16, 48, 113, 17}, &grpClicks),
      seRepeat(ids::seRepeat, "seRepeat", {112, 46, 73, 24}, 1, 65535, 100, &grpClicks),
      grpSafety(ids::grpSafety, "grpSafety", {253, 400, 297, 97}),
      chkMinimizeToTrayOnStart(ids::chkMinimizeToTrayOnStart, "chkMinimizeToTrayOnStart",
                               {16, 30, 217, 17}, &grpSafety),
      chkTopMost(ids::chkTopMost, "chkTopMost", {16, 60, 113, 17}, &grpSafety),
      lblHotkeys(ids::lblHotkeys, "lblHotkeys", {10, 509, 440, 15}),
      Button1(ids::Button1, "Button1", {473, 507, 75, 25}),
      Panel1(ids::Panel1, "Panel1", {0, 538, 559, 23}),
      Label1(ids::Label1, "Label1", {10, 5, 335, 15}, &Panel1),
      Label2(ids::Label2, "Label2", {350, 5, 195, 15}, &Panel1),
      TimerDelay(1000),
      svc_(services),
      input_(*services.Mouse),
      clickRun_(input_, *services.Random, services.Timers, *this),
      player_(*services.Clock, services.Timers, *this),
      settingsFile_(*services.Profile, *services.Env),
      hotkeys_(*services.Hotkeys),
      library_(*services.Env, *services.Dialogs),
      recorder_(*services.Clock, *services.Mouse, *services.MouseHook, *services.Env,
                services.Timers, library_, *this) {
  controls_ = {&btnStart,      &btnStop,
               &GroupBox1,     &rbCurrentCursorPosition,
               &rbCoordinates, &edtCoordX,
               &Label3,        &edtCoordY,
               &rbMacros,      &btnCreateMacros,
               &bRemove,       &bRename,
               &lbMacroses,    &grpInterval,
               &lblH,          &lblM,
               &lblS,          &lblMS,
               &seHours,       &seMinutes,
               &seSeconds,     &seMillis,
               &chkJitter,     &seJitterMs,
               &grpClickType,  &cbButton,
               &cbClickType,   &lblHold,
               &seHoldMs,      &grpDelay,
               &lblDelayMs,    &seStartDelaySS,
               &grpClicks,     &rbUntilStopped,
               &rbRepeatCount, &seRepeat,
               &grpSafety,     &chkMinimizeToTrayOnStart,
               &chkTopMost,    &lblHotkeys,
               &Button1,       &Panel1,
               &Label1,        &Label2};

  // Captions and design states.
  btnStart.SetText("Start");
  btnStop.SetText("Stop");
  btnStop.SetEnabled(false);
  GroupBox1.SetText("Target");
  rbCurrentCursorPosition.SetText("Cursor position");
  rbCoordinates.SetText("Coordinates:");
  Label3.SetText("X");
  Label3.SetEnabled(false);
  rbMacros.SetText("Macros:");
  btnCreateMacros.SetText("Create");
  btnCreateMacros.SetEnabled(false);
  bRemove.SetText("Remove");
  bRemove.OnClick = [this] { bRemoveClick(); };
  bRename.OnClick = [this] { bRenameClick(); };
  bRemove.SetEnabled(false);
  bRename.SetText("Rename");
  bRename.SetEnabled(false);
  lbMacroses.SetEnabled(false);
  grpInterval.SetText("Click Interval");
  lblH.SetText("Hours");
  lblM.SetText("Minutes");
  lblS.SetText("Seconds");
  lblMS.SetText("Milliseconds");
  chkJitter.SetText("Jitter +/- (ms)");
  seJitterMs.SetEnabled(false);
  grpClickType.SetText("Click Type");
  lblHold.SetText("Hold time (ms)");
  lblHold.SetEnabled(false);
  seHoldMs.SetEnabled(false);
  grpDelay.SetText("Start Delay");
  lblDelayMs.SetText("Delay (s)");
  grpClicks.SetText("Repeat");
  rbUntilStopped.SetText("Repeat until stopped");
  rbRepeatCount.SetText("Repeat");
  seRepeat.SetEnabled(false);
  grpSafety.SetText("Additional");
  chkMinimizeToTrayOnStart.SetText("Minimize to tray when starting");
  chkTopMost.SetText("Always on top");
  lblHotkeys.SetText("Hotkeys");
  Button1.SetText("About...");
  Label1.SetText("Ready");

  // Design check states are set before the handlers are attached: no handler runs for them.
  ui::RadioButton::MakeGroup({&rbCurrentCursorPosition, &rbCoordinates, &rbMacros});
  ui::RadioButton::MakeGroup({&rbUntilStopped, &rbRepeatCount});
  rbCurrentCursorPosition.SetChecked(true);
  rbUntilStopped.SetChecked(true);

  rbCurrentCursorPosition.OnClick = [this] { rbCurrentCursorPositionClick(); };
  rbCoordinates.OnClick = [this] { rbCoordinatesClick(); };
  rbMacros.OnClick = [this] { rbMacrosClick(); };
  rbRepeatCount.OnClick = [this] { rbRepeatCountClick(); };
  rbUntilStopped.OnClick = [this] { rbUntilStoppedClick(); };
  cbClickType.OnChange = [this] { cbClickTypeChange(); };
  chkJitter.OnClick = [this] { chkJitterClick(); };
  btnStart.OnClick = [this] { btnStartClick(); };
  btnStop.OnClick = [this] { btnStopClick(); };
  btnCreateMacros.OnClick = [this] { btnCreateMacrosClick(); };
  chkTopMost.OnClick = [this] { chkTopMostClick(); };
  chkMinimizeToTrayOnStart.OnClick = [this] { chkMinimizeToTrayOnStartClick(); };
  Button1.OnClick = [this] { Button1Click(); };
  Label2.OnClick = [this] { Label2Click(); };
  Label2.OnMouseEnter = [this] { Label2MouseEnter(); };
  Label2.OnMouseLeave = [this] { Label2MouseLeave(); };

  TimerDelay.OnTimer = [this] { TimerDelayTimer(); };
  TimerDelay.SetDriver(svc_.Timers);
  player_.OnRunCompleted = [this] { ++FClicksDone; };
  player_.OnEnded = [this](macros::MacroPlayer::End end) { PlaybackEnded(end); };
}

TFrmMain::~TFrmMain() = default;

ui::Control* TFrmMain::ControlById(int id) const {
  for (ui::Control* c : controls_)
    if (c->Id() == id) return c;
  return nullptr;
}

void TFrmMain::SetCaption(const std::string& caption) {
  if (svc_.Window) svc_.Window->SetCaption(caption);
}

void TFrmMain::FormCreate() {
  SetCaption(std::string("  ") + product::kTitle + " " + product::kVersionText);
  Label2.SetText(product::kWebsite);

  cbButton.SetItems({"Left", "Right", "Middle"});
  cbClickType.SetItems({"Single", "Double", "Hold"});
  cbButton.SetItemIndex(0);
  cbClickType.SetItemIndex(0);

  seHours.SetValue(0);
  seMinutes.SetValue(0);
  seSeconds.SetValue(0);
  seMillis.SetValue(100);
  seJitterMs.SetValue(0);
  rbUntilStopped.SetChecked(true);
  seRepeat.SetValue(100);
  seHoldMs.SetValue(80);
  chkTopMost.SetChecked(false);
  chkMinimizeToTrayOnStart.SetChecked(false);
  seStartDelaySS.SetValue(0);

  FPendingSelectedMacroIndex = -1;
  FRecUiActive = false;

  hotkeys_.RegisterAll();
  LoadSettings();

  LoadMacroLibrary();
  lblHotkeys.SetText("Hotkeys \xE2\x80\x94 Start: " + hotkeys_.Text(hotkeys::HotkeyAction::Start) +
                     "  |  Stop: " + hotkeys_.Text(hotkeys::HotkeyAction::Stop));
  if (!hotkeys_.Problems().empty()) Label1.SetText(hotkeys_.Problems());
  TimerDelay.SetEnabled(false);
}

void TFrmMain::FormCloseQuery() {
  if (recorder_.Recording()) FinishRecording("Recording stopped because application is closing.");
  if (FRunning) StopRun("Closing");
}

void TFrmMain::FormDestroy() {
  recorder_.Shutdown();
  // Nothing ticks into a window that is going (closing during the countdown leaves it on).
  TimerDelay.SetEnabled(false);
  // A window destroyed without being closed leaves no button down either.
  clickRun_.Stop();
  player_.Stop();
  hotkeys_.UnregisterAll();
  if (!FSessionEndSaved) SaveSettings();
  library_.Clear();
}

void TFrmMain::FormEndSession() {
  const std::string reason = "Windows is shutting down.";
  // A countdown is cancelled, a recording saved.
  FinishRecording("Recording stopped: " + reason);
  if (FRunning)
    StopRun("Stopped: " + reason + (rbMacros.Checked() ? " Runs done: " : " Clicks done: ") +
            std::to_string(FClicksDone));
  SaveSettings();
  FSessionEndSaved = true;
}

// Control-state rules.

void TFrmMain::rbCurrentCursorPositionClick() {
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &grpInterval, &grpClickType, &seHours, &seMinutes, &seSeconds, &seMillis, &lblH, &lblM,
           &lblS, &lblMS, &chkJitter, &cbButton, &cbClickType})
    c->SetEnabled(true);
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &edtCoordX, &Label3, &edtCoordY, &bRename, &bRemove, &btnCreateMacros, &lbMacroses})
    c->SetEnabled(false);
  seJitterMs.SetEnabled(chkJitter.Checked());
  const bool hold = cbClickType.ItemIndex() == 2;
  seHoldMs.SetEnabled(hold);
  lblHold.SetEnabled(hold);
}

void TFrmMain::rbCoordinatesClick() {
  rbCurrentCursorPositionClick();
  edtCoordX.SetEnabled(true);
  Label3.SetEnabled(true);
  edtCoordY.SetEnabled(true);
}

void TFrmMain::rbMacrosClick() {
  for (ui::Control* c :
       std::initializer_list<ui::Control*>{&bRename, &bRemove, &btnCreateMacros, &lbMacroses})
    c->SetEnabled(true);
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &grpInterval, &grpClickType, &edtCoordX, &Label3, &edtCoordY, &seHours, &seMinutes,
           &seSeconds, &seMillis, &lblH, &lblM, &lblS, &lblMS, &chkJitter, &seJitterMs, &cbButton,
           &cbClickType, &lblHold, &seHoldMs})
    c->SetEnabled(false);
}

void TFrmMain::rbRepeatCountClick() {
  seRepeat.SetEnabled(rbRepeatCount.Checked());
}

void TFrmMain::rbUntilStoppedClick() {
  seRepeat.SetEnabled(rbRepeatCount.Checked());
}

void TFrmMain::cbClickTypeChange() {
  const bool hold = cbClickType.ItemIndex() == 2;
  seHoldMs.SetEnabled(hold);
  lblHold.SetEnabled(hold);
}

void TFrmMain::chkJitterClick() {
  seJitterMs.SetEnabled(chkJitter.Checked());
}

void TFrmMain::WndProcHotkey(uintptr_t id) {
  const std::optional<hotkeys::HotkeyAction> action = hotkeys_.ActionFor(id);
  if (!action) return;
  switch (*action) {
    case hotkeys::HotkeyAction::Start:
      if (!recorder_.Recording()) StartRun();
      break;
    case hotkeys::HotkeyAction::Stop:
      if (recorder_.Recording())
        FinishRecording("Recording stopped by hotkey.");
      else if (rbMacros.Checked())
        StopRun("Stopped by hotkey. Runs done: " + std::to_string(FClicksDone));
      else
        StopRun("Stopped by hotkey. Clicks done: " + std::to_string(FClicksDone));
      break;
    case hotkeys::HotkeyAction::StartRecording:
      if (recorder_.CountingDown()) BeginRecording();
      break;
  }
}
