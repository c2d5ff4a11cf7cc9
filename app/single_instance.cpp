#include "app/single_instance.h"

namespace win {

namespace {
// In the session's own namespace: another user's copy is no reason not to start.
constexpr wchar_t kMutexName[] = L"Local\\JUX Zura Divudiv.zivavavazezire.Running";
// How long a later copy looks for the first copy's window, and waits for its answer. This
// process has no window of its own: waiting here holds up nobody.
constexpr DWORD kFindWindowMs = 10000;
constexpr DWORD kFindWindowStepMs = 100;
constexpr UINT kAnswerMs = 10000;
}  // namespace

SingleInstance::SingleInstance() {
  mutex_ = CreateMutexW(nullptr, FALSE, kMutexName);
  const DWORD error = GetLastError();
  // A copy that runs elevated made the mutex with rights that this one lacks: it runs too.
  otherCopyRuns_ = error == ERROR_ALREADY_EXISTS || (!mutex_ && error == ERROR_ACCESS_DENIED);
}

SingleInstance::~SingleInstance() {
  if (mutex_) CloseHandle(mutex_);
  mutex_ = nullptr;
}

void SingleInstance::ShowOtherCopy(const wchar_t* windowClass) {
  const HWND window = FindWindowW(windowClass, nullptr);
  if (!window) return;
  const UINT message = RegisterWindowMessageW(kShowRunningCopyMessage);
  if (message == 0) return;
  // This copy was just started by the user and may give the foreground away; the first copy
  // could not take it by itself.
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  AllowSetForegroundWindow(pid ? pid : ASFW_ANY);
  PostMessageW(window, message, 0, 0);
}

bool SingleInstance::HandOverToOtherCopy(const wchar_t* windowClass, const std::string& arguments) {
  HWND window = FindWindowW(windowClass, nullptr);
  for (DWORD waited = 0; !window && waited < kFindWindowMs; waited += kFindWindowStepMs) {
    Sleep(kFindWindowStepMs);
    window = FindWindowW(windowClass, nullptr);
  }
  if (!window) return false;
  COPYDATASTRUCT data{};
  data.dwData = kArgumentsCopyDataTag;
  data.cbData = static_cast<DWORD>(arguments.size());
  data.lpData = const_cast<char*>(arguments.data());
  DWORD_PTR answer = FALSE;
  if (!SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                           SMTO_NORMAL | SMTO_ABORTIFHUNG, kAnswerMs, &answer))
    return false;
  return answer == TRUE;
}

}  // namespace win
