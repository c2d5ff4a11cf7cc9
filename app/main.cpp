// Program entry: common controls, the main window, the message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/update_gate.h"
#include "platform/win32/text.h"
#include "product/product.h"
#include "ui/win32/message_loop.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  // Before anything else: a second copy reads no settings, checks for no new version and
  // registers no hotkeys; it brings the first copy's window to the front and ends.
  const win::SingleInstance singleInstance;
  if (singleInstance.OtherCopyRuns()) {
    win::SingleInstance::ShowOtherCopy(win::MainWindow::kClassName);
    return 0;
  }

  INITCOMMONCONTROLSEX icc{sizeof icc,
                           ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);

  if (!win::PassUpdateGate(instance)) return 0;

  win::MainWindow window;
  if (!window.Create(instance)) return 1;
  window.ShowInitially(show);

  // The thread's messages and the timers' deadlines, on the one thread.
  return win::RunMessageLoop({[&] { return window.TimerHandle(); },
                              [&] { window.ServiceTimers(); },
                              [&] { return window.Hwnd(); },
                              {}});
}
