// Dialog control IDs of the main window: tests, accessibility and scripting tools find the
// controls by these numbers, so they never change.
#pragma once

namespace ids {

inline constexpr int btnStart = 101;
inline constexpr int btnStop = 102;
inline constexpr int rbCurrentCursorPosition = 110;
inline constexpr int rbCoordinates = 111;
inline constexpr int edtCoordX = 112;
inline constexpr int edtCoordY = 113;
inline constexpr int Label3 = 114;
inline constexpr int rbMacros = 115;
inline constexpr int btnCreateMacros = 116;
inline constexpr int bRemove = 117;
inline constexpr int bRename = 118;
inline constexpr int lbMacroses = 119;
inline constexpr int GroupBox1 = 120;
inline constexpr int grpInterval = 130;
inline constexpr int seHours = 131;
inline constexpr int seMinutes = 132;
inline constexpr int seSeconds = 133;
inline constexpr int seMillis = 134;
inline constexpr int chkJitter = 135;
inline constexpr int seJitterMs = 136;
inline constexpr int lblH = 137;
inline constexpr int lblM = 138;
inline constexpr int lblS = 139;
inline constexpr int lblMS = 140;
inline constexpr int grpClickType = 150;
inline constexpr int cbButton = 151;
inline constexpr int cbClickType = 152;
inline constexpr int lblHold = 153;
inline constexpr int seHoldMs = 154;
inline constexpr int grpDelay = 160;
inline constexpr int lblDelayMs = 161;
inline constexpr int seStartDelaySS = 162;
inline constexpr int grpClicks = 170;
inline constexpr int rbUntilStopped = 171;
inline constexpr int rbRepeatCount = 172;
inline constexpr int seRepeat = 173;
inline constexpr int grpSafety = 180;
inline constexpr int chkMinimizeToTrayOnStart = 181;
inline constexpr int chkTopMost = 182;
inline constexpr int lblHotkeys = 190;
inline constexpr int Button1 = 191;
inline constexpr int Label1 = 192;
inline constexpr int Label2 = 193;
inline constexpr int Panel1 = 194;

}  // namespace ids
