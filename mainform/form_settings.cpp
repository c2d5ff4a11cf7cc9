// The window's side of the settings file: its controls and hotkeys to and from the settings
// value, in the order whose handler calls let "Minimize to tray when starting" win over "Always
// on top" when a file holds both.
#include "mainform/main_form.h"

std::string MainForm::SettingsFilePath() {
  return settingsFile_.Path();
}

int MainForm::TargetModeIndex() {
  if (cursorPositionRadio.Checked()) return 0;
  if (coordinatesRadio.Checked()) return 1;
  return 2;
}

settings::Settings MainForm::CurrentSettings() {
  settings::Settings s;
  s.targetMode = TargetModeIndex();
  s.hours = hoursEdit.Value();
  s.minutes = minutesEdit.Value();
  s.seconds = secondsEdit.Value();
  s.millis = millisecondsEdit.Value();
  s.jitterEnabled = jitterCheck.Checked();
  s.jitterMs = jitterEdit.Value();
  s.untilStopped = untilStoppedRadio.Checked();
  s.repeatCount = repeatCountEdit.Value();
  s.button = buttonCombo.ItemIndex();
  s.clickType = clickTypeCombo.ItemIndex();
  s.holdMs = holdEdit.Value();
  s.topMost = alwaysOnTopCheck.Checked();
  s.startDelaySeconds = startDelayEdit.Value();
  s.minimizeOnStart = minimizeToTrayCheck.Checked();
  s.stopOnMouseMove = stopOnMouseMoveCheck.Checked();
  s.startHotkey = hotkeys_.Key(hotkeys::HotkeyAction::Start);
  s.stopHotkey = hotkeys_.Key(hotkeys::HotkeyAction::Stop);
  s.recordHotkey = hotkeys_.Key(hotkeys::HotkeyAction::StartRecording);
  s.coordX = coordXEdit.Value();
  s.coordY = coordYEdit.Value();
  s.selectedMacro = macroList.ItemIndex();
  s.recordKeys = recordKeysCheck.Checked();
  s.speedPercent = speedEdit.Value();
  return s;
}

void MainForm::SaveSettings() {
  settingsFile_.Write(CurrentSettings());
}

void MainForm::LoadSettings() {
  settings::Settings s = CurrentSettings();
  if (!settingsFile_.Read(s)) {
    cursorPositionRadio.SetChecked(true);
    CursorPositionClicked();
    return;
  }
  switch (s.targetMode) {
    case 0:
      cursorPositionRadio.SetChecked(true);
      break;
    case 1:
      coordinatesRadio.SetChecked(true);
      break;
    case 2:
      macrosRadio.SetChecked(true);
      break;
    default:
      break;
  }
  hoursEdit.SetValue(s.hours);
  minutesEdit.SetValue(s.minutes);
  secondsEdit.SetValue(s.seconds);
  millisecondsEdit.SetValue(s.millis);
  jitterCheck.SetChecked(s.jitterEnabled);
  JitterClicked();
  jitterEdit.SetValue(s.jitterMs);
  untilStoppedRadio.SetChecked(s.untilStopped);
  repeatCountRadio.SetChecked(!untilStoppedRadio.Checked());
  repeatCountEdit.SetValue(s.repeatCount);
  buttonCombo.SetItemIndex(s.button);
  clickTypeCombo.SetItemIndex(s.clickType);
  ClickTypeChanged();
  holdEdit.SetValue(s.holdMs);
  alwaysOnTopCheck.SetChecked(s.topMost);
  startDelayEdit.SetValue(s.startDelaySeconds);
  minimizeToTrayCheck.SetChecked(s.minimizeOnStart);
  stopOnMouseMoveCheck.SetChecked(s.stopOnMouseMove);
  hotkeys_.SetKey(hotkeys::HotkeyAction::Start, s.startHotkey);
  hotkeys_.SetKey(hotkeys::HotkeyAction::Stop, s.stopHotkey);
  hotkeys_.SetKey(hotkeys::HotkeyAction::StartRecording, s.recordHotkey);
  coordXEdit.SetValue(s.coordX);
  coordYEdit.SetValue(s.coordY);
  pendingSelection_ = s.selectedMacro;
  recordKeysCheck.SetChecked(s.recordKeys);
  speedEdit.SetValue(s.speedPercent);

  hotkeys_.RegisterAll();
  if (cursorPositionRadio.Checked())
    CursorPositionClicked();
  else if (coordinatesRadio.Checked())
    CoordinatesClicked();
  else
    MacrosClicked();
}
