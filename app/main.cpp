// Program entry: the command line, the one-copy rule, common controls, the main window, the
// message loop.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/update_gate.h"
#include "mainform/command_line.h"
#include "platform/win32/text.h"
#include "product/product.h"
#include "ui/win32/message_loop.h"

namespace {

// The process's arguments as UTF-8, without the program's own path, split as the C runtime
// splits them (quotes keep a name with spaces together).
std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.push_back(win::Narrow(argv[i]));
  LocalFree(argv);
  return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  // Help and wrong arguments first: such a copy only shows the usage text and ends.
  const std::vector<std::string> args = CommandLineArguments();
  const mainform::ParsedCommandLine parsed = mainform::ParseCommandLine(args);
  if (parsed.outcome != mainform::ParsedCommandLine::Outcome::Run) {
    const bool help = parsed.outcome == mainform::ParsedCommandLine::Outcome::Help;
    MessageBoxW(nullptr, win::Widen(mainform::UsageBoxText(parsed)).c_str(),
                win::Widen(product::kTitle).c_str(),
                MB_OK | MB_SETFOREGROUND | (help ? MB_ICONINFORMATION : MB_ICONWARNING));
    return help ? mainform::kExitHelp : mainform::kExitWrongArgument;
  }

  // Then the one-copy rule: a second copy reads no settings, checks for no new version and
  // registers no hotkeys; it hands its arguments to the first copy, or without arguments brings
  // the first copy's window to the front, and ends.
  const win::SingleInstance singleInstance;
  if (singleInstance.OtherCopyRuns()) {
    if (args.empty()) {
      win::SingleInstance::ShowOtherCopy(win::MainWindow::kClassName);
      return 0;
    }
    return win::SingleInstance::HandOverToOtherCopy(win::MainWindow::kClassName,
                                                    mainform::EncodeArguments(args))
               ? 0
               : 1;
  }

  INITCOMMONCONTROLSEX icc{sizeof icc,
                           ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);

  if (!win::PassUpdateGate(instance)) return 0;

  win::MainWindow window;
  if (!window.Create(instance)) return 1;
  // --tray: the window is never shown; the notification icon brings it.
  if (!parsed.command.tray) window.ShowInitially(show);
  // The settings and the macro library are loaded: the command runs from the message loop.
  window.RunCommandSoon(parsed.command);

  // The thread's messages and the timers' deadlines, on the one thread.
  return win::RunMessageLoop({[&] { return window.TimerHandle(); },
                              [&] { window.ServiceTimers(); },
                              [&] { return window.Hwnd(); },
                              {}});
}
