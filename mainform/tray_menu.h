// The notification-area icon: what its callback events ask for, and the items of its menu. The
// Win32 side shows the icon and the menu; what the items do is the main window's (MainForm).
#pragma once

#include <cstdint>
#include <string>

namespace mainform {

// Messages of the icon's callback (LOWORD(lParam) with NOTIFYICON_VERSION_4, lParam before).
inline constexpr uint32_t kTrayContextMenu = 0x007B;    // WM_CONTEXTMENU
inline constexpr uint32_t kTrayLeftButtonUp = 0x0202;   // WM_LBUTTONUP
inline constexpr uint32_t kTrayRightButtonUp = 0x0205;  // WM_RBUTTONUP
inline constexpr uint32_t kTraySelect = 0x0400;         // NIN_SELECT (WM_USER)
inline constexpr uint32_t kTrayKeySelect = 0x0401;      // NIN_KEYSELECT

enum class TrayRequest { None, ShowWindow, OpenMenu };

// What a callback event asks for. With version 4 (`version4`: the shell took NIM_SETVERSION)
// the shell follows a left click's WM_LBUTTONUP with NIN_SELECT, a right click's WM_RBUTTONUP
// with WM_CONTEXTMENU, and the keyboard sends NIN_KEYSELECT and WM_CONTEXTMENU: only those act,
// so that one click acts once. Without it, the button releases act.
TrayRequest TrayRequestFor(uint32_t event, bool version4);

struct TrayMenuItem {
  int id;            // the WM_COMMAND identifier (ids::tray...)
  std::string text;  // a tab before the shortcut's text
  bool enabled;
};

}  // namespace mainform
