// The settings file: every control's value and the hotkeys, read once at start and written once
// at the end through the system's profile functions.
#include <stdexcept>
#include <string>

#include "product/product.h"
#include "mainform/main_form.h"
#include "settings/ini_value.h"
#include "settings/settings_path.h"

namespace {

constexpr const char* kFileName = "settings.ini";

std::string WithDelimiter(std::string folder) {
  if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += plat::kPathDelim;
  return folder;
}

}  // namespace

std::string SettingsFilePathIn(plat::IEnvironment& env) {
  std::string base = env.Variable("APPDATA");
  if (base.empty()) base = env.ExeFolder();
  const std::string folder = WithDelimiter(base) + product::kTitle;
  env.CreateFolders(folder);
  return folder + plat::kPathDelim + kFileName;
}

std::string TFrmMain::SettingsFilePath() {
  return SettingsFilePathIn(*svc_.Env);
}

int TFrmMain::TargetModeIndex() {
  if (rbCurrentCursorPosition.Checked()) return 0;
  if (rbCoordinates.Checked()) return 1;
  return 2;
}

void TFrmMain::SaveSettings() {
  const std::string path = SettingsFilePath();
  auto put = [&](const char* section, const char* key, int64_t value) {
    if (!svc_.Profile->Write(path, section, key, std::to_string(value)))
      throw std::runtime_error("Unable to write to " + path);
  };
  auto hotkey = [&](const char* section, const THotkeyData& k) {
    put(section, "vk", static_cast<int32_t>(k.Vk));
    put(section, "mod", static_cast<int32_t>(k.Modifiers));
  };
  put("Target", "mode", TargetModeIndex());
  put("Interval", "h", seHours.Value());
  put("Interval", "m", seMinutes.Value());
  put("Interval", "s", seSeconds.Value());
  put("Interval", "ms", seMillis.Value());
  put("Interval", "jitterEnabled", chkJitter.Checked() ? 1 : 0);
  put("Interval", "jitterMs", seJitterMs.Value());
  put("Repeat", "untilStopped", rbUntilStopped.Checked() ? 1 : 0);
  put("Repeat", "count", seRepeat.Value());
  put("Click", "button", cbButton.ItemIndex());
  put("Click", "type", cbClickType.ItemIndex());
  put("Click", "holdMs", seHoldMs.Value());
  put("UI", "topMost", chkTopMost.Checked() ? 1 : 0);
  put("Delay", "startDelayS", seStartDelaySS.Value());
  put("UI", "minimizeOnStart", chkMinimizeToTrayOnStart.Checked() ? 1 : 0);
  hotkey("HotkeyStart", FStartHK);
  hotkey("HotkeyStop", FStpHK);
  hotkey("HotkeyStartMacros", FStartMacrosHK);
  put("Coords", "x", edtCoordX.Value());
  put("Coords", "y", edtCoordY.Value());
  put("Macros", "selected", lbMacroses.ItemIndex());
}

void TFrmMain::LoadSettings() {
  const std::string path = SettingsFilePath();
  if (!svc_.Env->FileExists(path)) {
    rbCurrentCursorPosition.SetChecked(true);
    rbCurrentCursorPositionClick();
    return;
  }
  auto get = [&](const char* section, const char* key, int32_t def) {
    std::string text;
    int32_t v = 0;
    if (svc_.Profile->Read(path, section, key, text) && ParseIniInt(text, v)) return v;
    return def;
  };
  auto spin = [&](ui::SpinEdit& se, const char* section, const char* key) {
    se.SetValue(get(section, key, se.Value()));
  };

  switch (get("Target", "mode", 0)) {
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
  spin(seHours, "Interval", "h");
  spin(seMinutes, "Interval", "m");
  spin(seSeconds, "Interval", "s");
  spin(seMillis, "Interval", "ms");
  chkJitter.SetChecked(get("Interval", "jitterEnabled", chkJitter.Checked()) != 0);
  chkJitterClick();
  spin(seJitterMs, "Interval", "jitterMs");
  rbUntilStopped.SetChecked(get("Repeat", "untilStopped", 1) != 0);
  rbRepeatCount.SetChecked(!rbUntilStopped.Checked());
  spin(seRepeat, "Repeat", "count");
  cbButton.SetItemIndex(get("Click", "button", cbButton.ItemIndex()));
  cbClickType.SetItemIndex(get("Click", "type", cbClickType.ItemIndex()));
  cbClickTypeChange();
  spin(seHoldMs, "Click", "holdMs");
  chkTopMost.SetChecked(get("UI", "topMost", chkTopMost.Checked()) != 0);
  spin(seStartDelaySS, "Delay", "startDelayS");
  chkMinimizeToTrayOnStart.SetChecked(get("UI", "minimizeOnStart", 0) != 0);
  auto hotkey = [&](const char* section, THotkeyData& k) {
    k.Vk = static_cast<uint32_t>(get(section, "vk", static_cast<int32_t>(k.Vk)));
    k.Modifiers = static_cast<uint32_t>(get(section, "mod", static_cast<int32_t>(k.Modifiers)));
  };
  hotkey("HotkeyStart", FStartHK);
  hotkey("HotkeyStop", FStpHK);
  hotkey("HotkeyStartMacros", FStartMacrosHK);
  spin(edtCoordX, "Coords", "x");
  spin(edtCoordY, "Coords", "y");
  FPendingSelectedMacroIndex = get("Macros", "selected", -1);

  RegisterHotkeys();
  if (rbCurrentCursorPosition.Checked())
    rbCurrentCursorPositionClick();
  else if (rbCoordinates.Checked())
    rbCoordinatesClick();
  else
    rbMacrosClick();
}
