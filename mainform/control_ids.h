// Dialog control IDs of the main window: tests, accessibility and scripting tools find the
// controls by these numbers, so they never change.
#pragma once

namespace ids {

inline constexpr int startButton = 101;
inline constexpr int stopButton = 102;
inline constexpr int cursorPositionRadio = 110;
inline constexpr int coordinatesRadio = 111;
inline constexpr int coordXEdit = 112;
inline constexpr int coordYEdit = 113;
inline constexpr int coordSeparatorLabel = 114;
inline constexpr int macrosRadio = 115;
inline constexpr int createMacroButton = 116;
inline constexpr int removeMacroButton = 117;
inline constexpr int renameMacroButton = 118;
inline constexpr int macroList = 119;
inline constexpr int targetGroup = 120;
inline constexpr int intervalGroup = 130;
inline constexpr int hoursEdit = 131;
inline constexpr int minutesEdit = 132;
inline constexpr int secondsEdit = 133;
inline constexpr int millisecondsEdit = 134;
inline constexpr int jitterCheck = 135;
inline constexpr int jitterEdit = 136;
inline constexpr int hoursLabel = 137;
inline constexpr int minutesLabel = 138;
inline constexpr int secondsLabel = 139;
inline constexpr int millisecondsLabel = 140;
inline constexpr int clickTypeGroup = 150;
inline constexpr int buttonCombo = 151;
inline constexpr int clickTypeCombo = 152;
inline constexpr int holdLabel = 153;
inline constexpr int holdEdit = 154;
inline constexpr int startDelayGroup = 160;
inline constexpr int startDelayLabel = 161;
inline constexpr int startDelayEdit = 162;
inline constexpr int repeatGroup = 170;
inline constexpr int untilStoppedRadio = 171;
inline constexpr int repeatCountRadio = 172;
inline constexpr int repeatCountEdit = 173;
inline constexpr int additionalGroup = 180;
inline constexpr int minimizeToTrayCheck = 181;
inline constexpr int alwaysOnTopCheck = 182;
inline constexpr int hotkeysLabel = 190;
inline constexpr int aboutButton = 191;
inline constexpr int statusLabel = 192;
inline constexpr int websiteLink = 193;
inline constexpr int statusPanel = 194;
inline constexpr int recordKeysCheck = 401;
inline constexpr int speedEdit = 402;
inline constexpr int hotkeysButton = 403;
inline constexpr int pickButton = 404;
inline constexpr int speedLabel = 405;
inline constexpr int stopOnMouseMoveCheck = 406;

// The notification-area icon's menu: its items send WM_COMMAND with these to the main window.
inline constexpr int trayStart = 901;
inline constexpr int trayStop = 902;
inline constexpr int trayShowWindow = 903;
inline constexpr int trayExit = 904;

}  // namespace ids
