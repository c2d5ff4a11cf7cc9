// Program entry: common controls, the main window, the message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/main_window.h"
#include "app/update_gate.h"
#include "mainform/app_info.h"
#include "platform/win32/text.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  INITCOMMONCONTROLSEX icc{sizeof icc,
                           ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);

  if (!win::PassUpdateGate(instance)) return 0;

  win::MainWindow window;
  if (!window.Create(instance)) return 1;
  window.ShowInitially(show);

  // The thread's messages and the click timer's deadlines, on the one thread.
  MSG msg{};
  for (;;) {
    HANDLE timer = window.TimerHandle();
    const DWORD handles = timer ? 1 : 0;
    const DWORD woke = MsgWaitForMultipleObjectsEx(handles, timer ? &timer : nullptr, INFINITE,
                                                   QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (timer && (woke == WAIT_OBJECT_0 || WaitForSingleObject(timer, 0) == WAIT_OBJECT_0))
      window.ServiceTimers();
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        break;
      }
      if (!window.Hwnd() || !IsDialogMessageW(window.Hwnd(), &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    if (quit) break;
  }
  return static_cast<int>(msg.wParam);
}
