#include "mainform/main_form.h"

#include "macros/recorded_macro.h"

#include "mainform/control_ids.h"
#include "product/product.h"

using ui::Bounds;

// The window's design: bounds in 96-DPI pixels within the parent (a group box or the panel). No
// control's rectangle lies over another's, at any DPI: a click lands on the control under it.
MainForm::MainForm(const mainform::FormServices& services)
    : startButton(ids::startButton, "startButton", {10, 14, 105, 25}),
      stopButton(ids::stopButton, "stopButton", {124, 14, 111, 25}),
      targetGroup(ids::targetGroup, "targetGroup", {10, 58, 225, 439}),
      cursorPositionRadio(ids::cursorPositionRadio, "cursorPositionRadio", {11, 26, 150, 17},
                          &targetGroup),
      coordinatesRadio(ids::coordinatesRadio, "coordinatesRadio", {11, 59, 96, 17}, &targetGroup),
      coordXEdit(ids::coordXEdit, "coordXEdit", {109, 56, 44, 24}, -100000, 100000, 0,
                 &targetGroup),
      coordSeparatorLabel(ids::coordSeparatorLabel, "coordSeparatorLabel", {161, 59, 10, 15},
                          &targetGroup),
      coordYEdit(ids::coordYEdit, "coordYEdit", {176, 56, 44, 24}, -100000, 100000, 0,
                 &targetGroup),
      pickButton(ids::pickButton, "pickButton", {166, 22, 54, 24}, &targetGroup),
      macrosRadio(ids::macrosRadio, "macrosRadio", {11, 94, 118, 17}, &targetGroup),
      createMacroButton(ids::createMacroButton, "createMacroButton", {11, 127, 65, 24},
                        &targetGroup),
      removeMacroButton(ids::removeMacroButton, "removeMacroButton", {82, 127, 59, 24},
                        &targetGroup),
      renameMacroButton(ids::renameMacroButton, "renameMacroButton", {148, 127, 65, 24},
                        &targetGroup),
      macroList(ids::macroList, "macroList", {10, 157, 204, 236}, &targetGroup),
      recordKeysCheck(ids::recordKeysCheck, "recordKeysCheck", {11, 405, 80, 17}, &targetGroup),
      speedLabel(ids::speedLabel, "speedLabel", {100, 406, 54, 15}, &targetGroup),
      speedEdit(ids::speedEdit, "speedEdit", {156, 402, 58, 24}, macros::MacroPlayer::kMinSpeed,
                macros::MacroPlayer::kMaxSpeed, 100, &targetGroup),
      intervalGroup(ids::intervalGroup, "intervalGroup", {253, 10, 297, 97}),
      hoursLabel(ids::hoursLabel, "hoursLabel", {16, 24, 50, 15}, &intervalGroup),
      minutesLabel(ids::minutesLabel, "minutesLabel", {80, 24, 60, 15}, &intervalGroup),
      secondsLabel(ids::secondsLabel, "secondsLabel", {152, 24, 60, 15}, &intervalGroup),
      millisecondsLabel(ids::millisecondsLabel, "millisecondsLabel", {224, 24, 70, 15},
                        &intervalGroup),
      hoursEdit(ids::hoursEdit, "hoursEdit", {16, 40, 49, 24}, 0, 23, 0, &intervalGroup),
      minutesEdit(ids::minutesEdit, "minutesEdit", {80, 40, 49, 24}, 0, 59, 0, &intervalGroup),
      secondsEdit(ids::secondsEdit, "secondsEdit", {152, 40, 49, 24}, 0, 59, 0, &intervalGroup),
      millisecondsEdit(ids::millisecondsEdit, "millisecondsEdit", {224, 40, 57, 24}, 0, 999, 50,
                       &intervalGroup),
      jitterCheck(ids::jitterCheck, "jitterCheck", {16, 72, 110, 17}, &intervalGroup),
      jitterEdit(ids::jitterEdit, "jitterEdit", {128, 70, 57, 24}, 0, 999, 0, &intervalGroup),
      clickTypeGroup(ids::clickTypeGroup, "clickTypeGroup", {253, 120, 297, 97}),
      buttonCombo(ids::buttonCombo, "buttonCombo", {16, 24, 113, 23}, &clickTypeGroup),
      clickTypeCombo(ids::clickTypeCombo, "clickTypeCombo", {152, 24, 129, 23}, &clickTypeGroup),
      holdLabel(ids::holdLabel, "holdLabel", {16, 60, 90, 15}, &clickTypeGroup),
      holdEdit(ids::holdEdit, "holdEdit", {112, 56, 73, 24}, 0, 10000, 80, &clickTypeGroup),
      startDelayGroup(ids::startDelayGroup, "startDelayGroup", {253, 231, 297, 57}),
      startDelayLabel(ids::startDelayLabel, "startDelayLabel", {16, 24, 80, 15}, &startDelayGroup),
      startDelayEdit(ids::startDelayEdit, "startDelayEdit", {112, 20, 73, 24}, 0, 65535, 0,
                     &startDelayGroup),
      repeatGroup(ids::repeatGroup, "repeatGroup", {253, 301, 297, 87}),
      untilStoppedRadio(ids::untilStoppedRadio, "untilStoppedRadio", {16, 24, 177, 17},
                        &repeatGroup),
      repeatCountRadio(ids::repeatCountRadio, "repeatCountRadio", {16, 48, 92, 17}, &repeatGroup),
      repeatCountEdit(ids::repeatCountEdit, "repeatCountEdit", {112, 46, 73, 24}, 1, 65535, 100,
                      &repeatGroup),
      additionalGroup(ids::additionalGroup, "additionalGroup", {253, 400, 297, 97}),
      minimizeToTrayCheck(ids::minimizeToTrayCheck, "minimizeToTrayCheck", {16, 24, 217, 17},
                          &additionalGroup),
      alwaysOnTopCheck(ids::alwaysOnTopCheck, "alwaysOnTopCheck", {16, 48, 113, 17},
                       &additionalGroup),
      stopOnMouseMoveCheck(ids::stopOnMouseMoveCheck, "stopOnMouseMoveCheck", {16, 72, 217, 17},
                           &additionalGroup),
      hotkeysLabel(ids::hotkeysLabel, "hotkeysLabel", {10, 509, 372, 15}),
      hotkeysButton(ids::hotkeysButton, "hotkeysButton", {388, 507, 79, 25}),
      aboutButton(ids::aboutButton, "aboutButton", {473, 507, 75, 25}),
      statusPanel(ids::statusPanel, "statusPanel", {0, 538, 559, 23}),
      statusLabel(ids::statusLabel, "statusLabel", {10, 5, 335, 15}, &statusPanel),
      websiteLink(ids::websiteLink, "websiteLink", {350, 5, 195, 15}, &statusPanel),
      svc_(services),
      dialogs_(*services.Dialogs, modalOpen_),
      input_(*services.Input),
      clickRun_(input_, *services.Random, services.Timers, *this),
      handCheck_(*services.Input, *services.Clock, services.Timers),
      player_(*services.Clock, services.Timers, *this),
      settingsFile_(*services.Profile, *services.Env),
      hotkeys_(*services.Hotkeys),
      library_(*services.Env, dialogs_),
      recorder_(*services.Clock, *services.Input, *services.InputEvents, *services.Env,
                services.Timers, library_, *this) {
  // Every box of the window is counted while it is open.
  svc_.Dialogs = &dialogs_;
  controls_ = {
      &startButton,       &stopButton,          &targetGroup,         &cursorPositionRadio,
      &coordinatesRadio,  &coordXEdit,          &coordSeparatorLabel, &coordYEdit,
      &pickButton,        &macrosRadio,         &createMacroButton,   &removeMacroButton,
      &renameMacroButton, &macroList,           &recordKeysCheck,     &speedLabel,
      &speedEdit,         &intervalGroup,       &hoursLabel,          &minutesLabel,
      &secondsLabel,      &millisecondsLabel,   &hoursEdit,           &minutesEdit,
      &secondsEdit,       &millisecondsEdit,    &jitterCheck,         &jitterEdit,
      &clickTypeGroup,    &buttonCombo,         &clickTypeCombo,      &holdLabel,
      &holdEdit,          &startDelayGroup,     &startDelayLabel,     &startDelayEdit,
      &repeatGroup,       &untilStoppedRadio,   &repeatCountRadio,    &repeatCountEdit,
      &additionalGroup,   &minimizeToTrayCheck, &alwaysOnTopCheck,    &stopOnMouseMoveCheck,
      &hotkeysLabel,      &hotkeysButton,       &aboutButton,         &statusPanel,
      &statusLabel,       &websiteLink};

  // Captions and design states.
  startButton.SetText("Start");
  stopButton.SetText("Stop");
  stopButton.SetEnabled(false);
  targetGroup.SetText("Target");
  cursorPositionRadio.SetText("Cursor position");
  coordinatesRadio.SetText("Coordinates:");
  coordSeparatorLabel.SetText("X");
  coordSeparatorLabel.SetEnabled(false);
  pickButton.SetText("Pick");
  pickButton.SetEnabled(false);
  macrosRadio.SetText("Macros:");
  createMacroButton.SetText("Create");
  createMacroButton.SetEnabled(false);
  removeMacroButton.SetText("Remove");
  removeMacroButton.OnClick = [this] { RemoveMacroClicked(); };
  renameMacroButton.OnClick = [this] { RenameMacroClicked(); };
  removeMacroButton.SetEnabled(false);
  renameMacroButton.SetText("Rename");
  renameMacroButton.SetEnabled(false);
  macroList.SetEnabled(false);
  recordKeysCheck.SetText("Keyboard");
  recordKeysCheck.SetEnabled(false);
  speedLabel.SetText("Speed %");
  speedLabel.SetEnabled(false);
  speedEdit.SetEnabled(false);
  intervalGroup.SetText("Click Interval");
  hoursLabel.SetText("Hours");
  minutesLabel.SetText("Minutes");
  secondsLabel.SetText("Seconds");
  millisecondsLabel.SetText("Milliseconds");
  jitterCheck.SetText("Jitter +/- (ms)");
  jitterEdit.SetEnabled(false);
  clickTypeGroup.SetText("Click Type");
  holdLabel.SetText("Hold time (ms)");
  holdLabel.SetEnabled(false);
  holdEdit.SetEnabled(false);
  startDelayGroup.SetText("Start Delay");
  startDelayLabel.SetText("Delay (s)");
  repeatGroup.SetText("Repeat");
  untilStoppedRadio.SetText("Repeat until stopped");
  repeatCountRadio.SetText("Repeat");
  repeatCountEdit.SetEnabled(false);
  additionalGroup.SetText("Additional");
  minimizeToTrayCheck.SetText("Minimize to tray when starting");
  alwaysOnTopCheck.SetText("Always on top");
  stopOnMouseMoveCheck.SetText("Stop when I move the mouse");
  hotkeysLabel.SetText("Hotkeys");
  hotkeysButton.SetText("Hotkeys...");
  aboutButton.SetText("About...");
  statusLabel.SetText("Ready");

  // Design check states are set before the handlers are attached: no handler runs for them.
  ui::RadioButton::MakeGroup({&cursorPositionRadio, &coordinatesRadio, &macrosRadio});
  ui::RadioButton::MakeGroup({&untilStoppedRadio, &repeatCountRadio});
  cursorPositionRadio.SetChecked(true);
  untilStoppedRadio.SetChecked(true);

  cursorPositionRadio.OnClick = [this] { CursorPositionClicked(); };
  coordinatesRadio.OnClick = [this] { CoordinatesClicked(); };
  macrosRadio.OnClick = [this] { MacrosClicked(); };
  repeatCountRadio.OnClick = [this] { RepeatCountClicked(); };
  untilStoppedRadio.OnClick = [this] { UntilStoppedClicked(); };
  clickTypeCombo.OnChange = [this] { ClickTypeChanged(); };
  jitterCheck.OnClick = [this] { JitterClicked(); };
  startButton.OnClick = [this] { StartClicked(); };
  stopButton.OnClick = [this] { StopClicked(); };
  createMacroButton.OnClick = [this] { CreateMacroClicked(); };
  alwaysOnTopCheck.OnClick = [this] { AlwaysOnTopClicked(); };
  minimizeToTrayCheck.OnClick = [this] { MinimizeToTrayClicked(); };
  aboutButton.OnClick = [this] { AboutClicked(); };
  hotkeysButton.OnClick = [this] { HotkeysClicked(); };
  pickButton.OnClick = [this] { PickClicked(); };
  websiteLink.OnClick = [this] { WebsiteLinkClicked(); };
  websiteLink.OnMouseEnter = [this] { WebsiteLinkEntered(); };
  websiteLink.OnMouseLeave = [this] { WebsiteLinkLeft(); };

  startDelayTimer_.OnTimer = [this] { StartDelayElapsed(); };
  deferredStopTimer_.OnTimer = [this] {
    deferredStopTimer_.SetEnabled(false);
    StopRun(deferredStopText_);
  };
  deferredStopTimer_.SetDriver(svc_.Timers);
  startDelayTimer_.SetDriver(svc_.Timers);
  player_.OnRunCompleted = [this] { ++clicksDone_; };
  input_.SetWatch(&handCheck_);
  handCheck_.OnHandMove = [this] {
    StopRun("Stopped: the mouse was moved by hand. " + DoneText());
  };
  player_.OnEnded = [this](macros::MacroPlayer::End end) { PlaybackEnded(end); };
}

MainForm::~MainForm() = default;

ui::Control* MainForm::ControlById(int id) const {
  for (ui::Control* c : controls_)
    if (c->Id() == id) return c;
  return nullptr;
}

void MainForm::SetCaption(const std::string& caption) {
  if (svc_.Window) svc_.Window->SetCaption(caption);
}

void MainForm::Create() {
  SetCaption(std::string("  ") + product::kTitle + " " + product::kVersionText);
  websiteLink.SetText(product::kWebsite);

  buttonCombo.SetItems({"Left", "Right", "Middle"});
  clickTypeCombo.SetItems({"Single", "Double", "Hold"});
  buttonCombo.SetItemIndex(0);
  clickTypeCombo.SetItemIndex(0);

  hoursEdit.SetValue(0);
  minutesEdit.SetValue(0);
  secondsEdit.SetValue(0);
  millisecondsEdit.SetValue(100);
  jitterEdit.SetValue(0);
  untilStoppedRadio.SetChecked(true);
  repeatCountEdit.SetValue(100);
  holdEdit.SetValue(80);
  alwaysOnTopCheck.SetChecked(false);
  minimizeToTrayCheck.SetChecked(false);
  stopOnMouseMoveCheck.SetChecked(true);
  startDelayEdit.SetValue(0);
  recordKeysCheck.SetChecked(false);
  speedEdit.SetValue(100);

  pendingSelection_ = -1;
  compactActive_ = false;

  hotkeys_.RegisterAll();
  LoadSettings();

  LoadMacroLibrary();
  ShowHotkeys();
  if (!hotkeys_.Problems().empty()) statusLabel.SetText(hotkeys_.Problems());
  ShowSessionEndNote();
  startDelayTimer_.SetEnabled(false);
}

void MainForm::Closing() {
  if (recorder_.Recording()) FinishRecording("Recording stopped because application is closing.");
  if (running_) StopRun("Closing");
}

void MainForm::Destroy() {
  if (svc_.PointPicker) svc_.PointPicker->Cancel();
  picking_ = false;
  recorder_.Shutdown();
  // Nothing ticks into a window that is going (closing during the countdown leaves it on).
  startDelayTimer_.SetEnabled(false);
  deferredStopTimer_.SetEnabled(false);
  // A window destroyed without being closed leaves no button down either.
  clickRun_.Stop();
  player_.Stop();
  handCheck_.Disarm();
  hotkeys_.UnregisterAll();
  if (!savedAtSessionEnd_) SaveSettings();
  library_.Clear();
}

// Control-state rules.

void MainForm::CursorPositionClicked() {
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &intervalGroup, &clickTypeGroup, &hoursEdit, &minutesEdit, &secondsEdit,
           &millisecondsEdit, &hoursLabel, &minutesLabel, &secondsLabel, &millisecondsLabel,
           &jitterCheck, &buttonCombo, &clickTypeCombo})
    c->SetEnabled(true);
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &coordXEdit, &coordSeparatorLabel, &coordYEdit, &pickButton, &renameMacroButton,
           &removeMacroButton, &createMacroButton, &macroList, &recordKeysCheck, &speedLabel,
           &speedEdit})
    c->SetEnabled(false);
  jitterEdit.SetEnabled(jitterCheck.Checked());
  const bool hold = clickTypeCombo.ItemIndex() == 2;
  holdEdit.SetEnabled(hold);
  holdLabel.SetEnabled(hold);
}

void MainForm::CoordinatesClicked() {
  CursorPositionClicked();
  coordXEdit.SetEnabled(true);
  coordSeparatorLabel.SetEnabled(true);
  coordYEdit.SetEnabled(true);
  pickButton.SetEnabled(true);
}

void MainForm::MacrosClicked() {
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &renameMacroButton, &removeMacroButton, &createMacroButton, &macroList, &recordKeysCheck,
           &speedLabel, &speedEdit})
    c->SetEnabled(true);
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &intervalGroup, &clickTypeGroup,    &coordXEdit,  &coordSeparatorLabel,
           &coordYEdit,    &pickButton,        &hoursEdit,   &minutesEdit,
           &secondsEdit,   &millisecondsEdit,  &hoursLabel,  &minutesLabel,
           &secondsLabel,  &millisecondsLabel, &jitterCheck, &jitterEdit,
           &buttonCombo,   &clickTypeCombo,    &holdLabel,   &holdEdit})
    c->SetEnabled(false);
}

void MainForm::RepeatCountClicked() {
  repeatCountEdit.SetEnabled(repeatCountRadio.Checked());
}

void MainForm::UntilStoppedClicked() {
  repeatCountEdit.SetEnabled(repeatCountRadio.Checked());
}

void MainForm::ClickTypeChanged() {
  const bool hold = clickTypeCombo.ItemIndex() == 2;
  holdEdit.SetEnabled(hold);
  holdLabel.SetEnabled(hold);
}

void MainForm::JitterClicked() {
  jitterEdit.SetEnabled(jitterCheck.Checked());
}

void MainForm::HotkeyPressed(uintptr_t id) {
  const std::optional<hotkeys::HotkeyAction> action = hotkeys_.ActionFor(id);
  if (!action) return;
  switch (*action) {
    case hotkeys::HotkeyAction::Start:
      if (!recorder_.Recording()) StartRun();
      break;
    case hotkeys::HotkeyAction::Stop:
      if (recorder_.Recording()) {
        const HotkeyData chord = hotkeys_.Key(hotkeys::HotkeyAction::Stop);
        FinishRecording("Recording stopped by hotkey.", &chord);
      } else {
        StopRun("Stopped by hotkey. " + DoneText());
      }
      break;
    case hotkeys::HotkeyAction::StartRecording:
      if (recorder_.CountingDown()) BeginRecording();
      break;
  }
}
