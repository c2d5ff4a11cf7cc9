// Program entry: common controls, the main window, the message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/main_window.h"
#include "mainform/app_info.h"
#include "platform/win32/text.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  INITCOMMONCONTROLSEX icc{sizeof icc,
                           ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);

  win::MainWindow window;
  if (!window.Create(instance)) return 1;
  window.ShowInitially(show);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window.Hwnd(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}
