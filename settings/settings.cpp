#include "settings/settings.h"

#include <stdexcept>
#include <string>

#include "product/product.h"
#include "settings/ini_value.h"

namespace settings {

namespace {

constexpr const char* kFileName = "settings.ini";

std::string WithDelimiter(std::string folder) {
  if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += plat::kPathDelim;
  return folder;
}

}  // namespace

std::string SettingsFolderIn(plat::IEnvironment& env) {
  // A portable copy: the settings file beside the program. The folder exists, and nothing is
  // made anywhere else.
  if (std::string exeFolder = env.ExeFolder(); !exeFolder.empty()) {
    exeFolder = WithDelimiter(exeFolder);
    if (env.FileExists(exeFolder + kFileName)) {
      exeFolder.pop_back();
      return exeFolder;
    }
  }
  std::string base = env.Variable("APPDATA");
  if (base.empty()) base = env.ExeFolder();
  const std::string folder = WithDelimiter(base) + product::kTitle;
  env.CreateFolders(folder);
  return folder;
}

std::string SettingsFilePathIn(plat::IEnvironment& env) {
  return SettingsFolderIn(env) + plat::kPathDelim + kFileName;
}

SettingsFile::SettingsFile(plat::IProfile& profile, plat::IEnvironment& env)
    : profile_(profile), env_(env) {}

std::string SettingsFile::Path() {
  return SettingsFilePathIn(env_);
}

bool SettingsFile::Read(Settings& v) {
  const std::string path = Path();
  if (!env_.FileExists(path)) return false;
  auto get = [&](const char* section, const char* key, int32_t def) {
    std::string text;
    int32_t value = 0;
    if (profile_.Read(path, section, key, text) && ParseIniInt(text, value)) return value;
    return def;
  };
  auto flag = [&](const char* section, const char* key, bool def) {
    return get(section, key, def ? 1 : 0) != 0;
  };
  auto hotkey = [&](const char* section, HotkeyData& k) {
    k.Vk = static_cast<uint32_t>(get(section, "vk", static_cast<int32_t>(k.Vk)));
    k.Modifiers = static_cast<uint32_t>(get(section, "mod", static_cast<int32_t>(k.Modifiers)));
  };
  v.targetMode = get("Target", "mode", 0);
  v.hours = get("Interval", "h", v.hours);
  v.minutes = get("Interval", "m", v.minutes);
  v.seconds = get("Interval", "s", v.seconds);
  v.millis = get("Interval", "ms", v.millis);
  v.jitterEnabled = flag("Interval", "jitterEnabled", v.jitterEnabled);
  v.jitterMs = get("Interval", "jitterMs", v.jitterMs);
  v.untilStopped = flag("Repeat", "untilStopped", true);
  v.repeatCount = get("Repeat", "count", v.repeatCount);
  v.button = get("Click", "button", v.button);
  v.clickType = get("Click", "type", v.clickType);
  v.holdMs = get("Click", "holdMs", v.holdMs);
  v.topMost = flag("UI", "topMost", v.topMost);
  v.startDelaySeconds = get("Delay", "startDelayS", v.startDelaySeconds);
  v.minimizeOnStart = flag("UI", "minimizeOnStart", false);
  v.stopOnMouseMove = flag("UI", "stopOnMouseMove", true);
  hotkey("HotkeyStart", v.startHotkey);
  hotkey("HotkeyStop", v.stopHotkey);
  hotkey("HotkeyStartMacros", v.recordHotkey);
  v.coordX = get("Coords", "x", v.coordX);
  v.coordY = get("Coords", "y", v.coordY);
  v.selectedMacro = get("Macros", "selected", -1);
  v.recordKeys = flag("Macros", "recordKeys", false);
  v.speedPercent = get("Macros", "speed", 100);
  return true;
}

std::string FallbackFolderIn(plat::IEnvironment& env) {
  std::string base = env.Variable("TEMP");
  if (base.empty()) base = env.Variable("TMP");
  if (base.empty()) return {};
  return WithDelimiter(base) + product::kTitle;
}

void SettingsFile::Write(const Settings& v) {
  WriteTo(Path(), v);
}

void SettingsFile::WriteTo(const std::string& path, const Settings& v) {
  auto put = [&](const char* section, const char* key, int64_t value) {
    if (!profile_.Write(path, section, key, std::to_string(value)))
      throw std::runtime_error("Unable to write to " + path);
  };
  auto hotkey = [&](const char* section, const HotkeyData& k) {
    put(section, "vk", static_cast<int32_t>(k.Vk));
    put(section, "mod", static_cast<int32_t>(k.Modifiers));
  };
  put("Target", "mode", v.targetMode);
  put("Interval", "h", v.hours);
  put("Interval", "m", v.minutes);
  put("Interval", "s", v.seconds);
  put("Interval", "ms", v.millis);
  put("Interval", "jitterEnabled", v.jitterEnabled ? 1 : 0);
  put("Interval", "jitterMs", v.jitterMs);
  put("Repeat", "untilStopped", v.untilStopped ? 1 : 0);
  put("Repeat", "count", v.repeatCount);
  put("Click", "button", v.button);
  put("Click", "type", v.clickType);
  put("Click", "holdMs", v.holdMs);
  put("UI", "topMost", v.topMost ? 1 : 0);
  put("Delay", "startDelayS", v.startDelaySeconds);
  put("UI", "minimizeOnStart", v.minimizeOnStart ? 1 : 0);
  put("UI", "stopOnMouseMove", v.stopOnMouseMove ? 1 : 0);
  hotkey("HotkeyStart", v.startHotkey);
  hotkey("HotkeyStop", v.stopHotkey);
  hotkey("HotkeyStartMacros", v.recordHotkey);
  put("Coords", "x", v.coordX);
  put("Coords", "y", v.coordY);
  put("Macros", "selected", v.selectedMacro);
  put("Macros", "recordKeys", v.recordKeys ? 1 : 0);
  put("Macros", "speed", v.speedPercent);
}

}  // namespace settings
