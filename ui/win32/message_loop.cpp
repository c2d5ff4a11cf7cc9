#include "ui/win32/message_loop.h"

namespace win {

int RunMessageLoop(const MessageLoopHooks& hooks) {
  MSG msg{};
  for (;;) {
    if (hooks.done && hooks.done()) return 0;
    HANDLE timer = hooks.timerHandle ? hooks.timerHandle() : nullptr;
    const DWORD handles = timer ? 1 : 0;
    const DWORD woke = MsgWaitForMultipleObjectsEx(handles, timer ? &timer : nullptr, INFINITE,
                                                   QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (timer && (woke == WAIT_OBJECT_0 || WaitForSingleObject(timer, 0) == WAIT_OBJECT_0) &&
        hooks.serviceTimers)
      hooks.serviceTimers();
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      const HWND dialog = hooks.dialogWindow ? hooks.dialogWindow() : nullptr;
      if (!dialog || !IsDialogMessageW(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
}

}  // namespace win
