// One copy of the program per user session. The first copy holds a named mutex in the session's
// namespace for its whole life; a later copy finds it taken, hands its command-line arguments to
// the first copy's main window (or, without arguments, asks it to come to the front) and ends
// without touching anything else.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// The registered message that a later copy posts to the first copy's main window: show,
// restore and activate it, as the notification icon does.
inline constexpr wchar_t kShowRunningCopyMessage[] = L"JUX Zura Divudiv.ShowRunningCopy";

// The dwData of the WM_COPYDATA that carries a later copy's arguments (mainform::EncodeArguments)
// to the first copy's main window, which answers TRUE when it took them.
inline constexpr ULONG_PTR kArgumentsCopyDataTag = 0x5A44'4152;  // "ZDAR"

// The mutex that marks the running copy; released when the process ends.
class SingleInstance {
 public:
  SingleInstance();
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Whether another copy of the program runs in this session.
  bool OtherCopyRuns() const { return otherCopyRuns_; }
  // Asks the other copy's main window (of class `windowClass`) to come to the front; nothing
  // happens when it has no window yet (it is still checking for a new version).
  static void ShowOtherCopy(const wchar_t* windowClass);
  // Sends the encoded arguments to the other copy's main window, waiting a few seconds for the
  // window when it is not there yet (the other copy is still starting). True when the other
  // copy took them.
  static bool HandOverToOtherCopy(const wchar_t* windowClass, const std::string& arguments);

 private:
  HANDLE mutex_ = nullptr;
  bool otherCopyRuns_ = false;
};

}  // namespace win
