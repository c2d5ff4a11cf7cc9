// The window's side of the settings file: its controls and hotkeys to and from the settings
// value, in the order whose handler calls let "Minimize to tray when starting" win over "Always
// on top" when a file holds both.
#include "mainform/main_form.h"

std::string TFrmMain::SettingsFilePath() {
  return settingsFile_.Path();
}

int TFrmMain::TargetModeIndex() {
  if (rbCurrentCursorPosition.Checked()) return 0;
  if (rbCoordinates.Checked()) return 1;
  return 2;
}

settings::Settings TFrmMain::CurrentSettings() {
  settings::Settings s;
  s.targetMode = TargetModeIndex();
  s.hours = seHours.Value();
  s.minutes = seMinutes.Value();
  s.seconds = seSeconds.Value();
  s.millis = seMillis.Value();
  s.jitterEnabled = chkJitter.Checked();
  s.jitterMs = seJitterMs.Value();
  s.untilStopped = rbUntilStopped.Checked();
  s.repeatCount = seRepeat.Value();
  s.button = cbButton.ItemIndex();
  s.clickType = cbClickType.ItemIndex();
  s.holdMs = seHoldMs.Value();
  s.topMost = chkTopMost.Checked();
  s.startDelaySeconds = seStartDelaySS.Value();
  s.minimizeOnStart = chkMinimizeToTrayOnStart.Checked();
  s.startHotkey = hotkeys_.Key(hotkeys::HotkeyAction::Start);
  s.stopHotkey = hotkeys_.Key(hotkeys::HotkeyAction::Stop);
  s.recordHotkey = hotkeys_.Key(hotkeys::HotkeyAction::StartRecording);
  s.coordX = edtCoordX.Value();
  s.coordY = edtCoordY.Value();
  s.selectedMacro = lbMacroses.ItemIndex();
  return s;
}

void TFrmMain::SaveSettings() {
  settingsFile_.Write(CurrentSettings());
}

void TFrmMain::LoadSettings() {
  settings::Settings s = CurrentSettings();
  if (!settingsFile_.Read(s)) {
    rbCurrentCursorPosition.SetChecked(true);
    rbCurrentCursorPositionClick();
    return;
  }
  switch (s.targetMode) {
    case 0:
      rbCurrentCursorPosition.SetChecked(true);
      break;
    case 1:
      rbCoordinates.SetChecked(true);
      break;
    case 2:
      rbMacros.SetChecked(true);
      break;
    default:
      break;
  }
  seHours.SetValue(s.hours);
  seMinutes.SetValue(s.minutes);
  seSeconds.SetValue(s.seconds);
  seMillis.SetValue(s.millis);
  chkJitter.SetChecked(s.jitterEnabled);
  chkJitterClick();
  seJitterMs.SetValue(s.jitterMs);
  rbUntilStopped.SetChecked(s.untilStopped);
  rbRepeatCount.SetChecked(!rbUntilStopped.Checked());
  seRepeat.SetValue(s.repeatCount);
  cbButton.SetItemIndex(s.button);
  cbClickType.SetItemIndex(s.clickType);
  cbClickTypeChange();
  seHoldMs.SetValue(s.holdMs);
  chkTopMost.SetChecked(s.topMost);
  seStartDelaySS.SetValue(s.startDelaySeconds);
  chkMinimizeToTrayOnStart.SetChecked(s.minimizeOnStart);
  hotkeys_.SetKey(hotkeys::HotkeyAction::Start, s.startHotkey);
  hotkeys_.SetKey(hotkeys::HotkeyAction::Stop, s.stopHotkey);
  hotkeys_.SetKey(hotkeys::HotkeyAction::StartRecording, s.recordHotkey);
  edtCoordX.SetValue(s.coordX);
  edtCoordY.SetValue(s.coordY);
  FPendingSelectedMacroIndex = s.selectedMacro;

  hotkeys_.RegisterAll();
  if (rbCurrentCursorPosition.Checked())
    rbCurrentCursorPositionClick();
  else if (rbCoordinates.Checked())
    rbCoordinatesClick();
  else
    rbMacrosClick();
}
