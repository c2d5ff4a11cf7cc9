// The settings file: a plain value with every setting the program keeps between runs, read from
// and written to an INI file through the system's profile functions. The window maps the value
// to and from its controls (which clamp each value to its range).
#pragma once

#include <cstdint>
#include <string>

#include "hotkeys/hotkey_data.h"
#include "platform/platform.h"

namespace settings {

struct Settings {
  int32_t targetMode = 0;  // 0 cursor position, 1 coordinates, 2 macros
  int32_t hours = 0;
  int32_t minutes = 0;
  int32_t seconds = 0;
  int32_t millis = 100;
  bool jitterEnabled = false;
  int32_t jitterMs = 0;
  bool untilStopped = true;
  int32_t repeatCount = 100;
  int32_t button = 0;     // item index; -1 none
  int32_t clickType = 0;  // item index; -1 none
  int32_t holdMs = 80;
  bool topMost = false;
  int32_t startDelaySeconds = 0;
  bool minimizeOnStart = false;
  bool stopOnMouseMove = true;  // a movement by hand stops a run that moves the pointer
  HotkeyData startHotkey;
  HotkeyData stopHotkey;
  HotkeyData recordHotkey;
  int32_t coordX = 0;
  int32_t coordY = 0;
  int32_t selectedMacro = -1;  // the macro list's selection; -1 none
  bool recordKeys = false;     // recordings take the keyboard too
  int32_t speedPercent = 100;  // macro playback speed
};

// The folder of the settings file and the macro folder, without a trailing delimiter: the
// program's own folder when a file "settings.ini" stands there (a portable copy; nothing is
// created), else "<APPDATA or the program's folder>\JUX Zura Divudiv", created (with any missing
// parents) when missing.
std::string SettingsFolderIn(plat::IEnvironment& env);
// "<SettingsFolderIn>\settings.ini".
std::string SettingsFilePathIn(plat::IEnvironment& env);

// "<TEMP, else TMP>\JUX Zura Divudiv" (not created here): where the end of the Windows session
// puts what cannot be written in its own place. Empty when neither variable is set.
std::string FallbackFolderIn(plat::IEnvironment& env);

class SettingsFile {
 public:
  SettingsFile(plat::IProfile& profile, plat::IEnvironment& env);

  // The file's path (see SettingsFilePathIn).
  std::string Path();
  // Reads the file over `values`: a key that is missing or does not read as an integer keeps the
  // value it has. False, with `values` untouched, when there is no file. The target mode and the
  // repeat mode have fixed defaults (cursor position, until stopped), whatever `values` holds.
  bool Read(Settings& values);
  // Writes every key, in the file's order. Throws std::runtime_error("Unable to write to
  // <path>") at the first key that cannot be written. Other keys and sections of the file stay.
  void Write(const Settings& values);
  // The same into the file at `path`.
  void WriteTo(const std::string& path, const Settings& values);

 private:
  plat::IProfile& profile_;
  plat::IEnvironment& env_;
};

}  // namespace settings
