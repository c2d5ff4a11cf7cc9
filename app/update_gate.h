// The update gate of the start-up: before the main window exists, the version check asks the
// maker's server whether a newer or a mandatory version exists, and the new-version dialog
// offers it.
#pragma once

#include <windows.h>

namespace win {

// Runs the version check (against the server that the optional key `server` of section
// `Update` in settings.ini names, else the maker's) and, when it offers an update, shows the
// new-version dialog modally with no owner. Returns true when start-up goes on to the main
// window, false when the process must end (a mandatory update, or the user chose to update).
// Reads settings.ini but never writes it and creates no folder.
bool PassUpdateGate(HINSTANCE instance);

}  // namespace win
