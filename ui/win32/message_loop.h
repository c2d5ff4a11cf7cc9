// The one message loop of the user-interface thread: the thread's messages and the deadlines of
// the window's precise timers, waited for together, so that nothing on the thread blocks.
#pragma once

#include <windows.h>

#include <functional>

namespace win {

struct MessageLoopHooks {
  // The timers' waitable handle, or null when there is none (asked before every wait).
  std::function<HANDLE()> timerHandle;
  // Called when the handle is signalled.
  std::function<void()> serviceTimers;
  // The window whose dialog keys (Tab, arrows, Enter, Esc) the dialog manager handles; may be
  // null.
  std::function<HWND()> dialogWindow;
  // Asked before every wait: true ends the loop.
  std::function<bool()> done;
};

// Runs until WM_QUIT (returns its exit code) or until `done` answers true (returns 0).
int RunMessageLoop(const MessageLoopHooks& hooks);

}  // namespace win
