// WinHTTP implementation of platform/http.h. Do not include wininet.h here: the two headers
// cannot be used in one file.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// winhttp.h needs the types of windows.h.
#include <winhttp.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win32/http_winhttp.h"
#include "platform/win32/text.h"

namespace win {
namespace {

using Reason = plat::HttpError::Reason;

// WinHTTP's own defaults, used where the settings leave a time-out open.
constexpr int kDefaultResolveTimeoutMs = 0;  // no limit
constexpr int kDefaultConnectTimeoutMs = 60000;
constexpr int kDefaultSendTimeoutMs = 30000;
constexpr int kDefaultReceiveTimeoutMs = 30000;

constexpr DWORD kReadBlockBytes = 64 * 1024;

// Owns one WinHTTP handle (session, connection or request).
class InternetHandle {
 public:
  InternetHandle() = default;
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  ~InternetHandle() { Reset(); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;

  HINTERNET Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Closes the handle held so far (safe when there is none) and takes `handle`.
  void Reset(HINTERNET handle = nullptr) {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HINTERNET handle_ = nullptr;
};

std::string SystemText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      GetModuleHandleW(L"winhttp.dll"), code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer != nullptr ? buffer : L"", length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  return Narrow(text);
}

[[noreturn]] void ThrowError(DWORD code) {
  Reason reason = Reason::Other;
  std::string text;
  switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
    case ERROR_TIMEOUT:
    case WSAETIMEDOUT:  // Wine reports a socket's time-out this way
      reason = Reason::Timeout;
      text = "The server did not answer in time.";
      break;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      reason = Reason::Connect;
      text = "The server's name could not be resolved.";
      break;
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case WSAECONNREFUSED:
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
      reason = Reason::Connect;
      text = "Cannot connect to the server.";
      break;
    case ERROR_WINHTTP_CONNECTION_ERROR:
      reason = Reason::Connect;
      text = "The connection to the server was lost.";
      break;
    case ERROR_WINHTTP_REDIRECT_FAILED:
      reason = Reason::Redirects;
      text = "The server redirected too often or to an address that is not allowed.";
      break;
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      text = "The server's address is not a valid web address.";
      break;
    case ERROR_WINHTTP_SECURE_FAILURE:
      reason = Reason::Connect;
      text = "A secure connection to the server could not be established.";
      break;
    default:
      text = SystemText(code);
      if (text.empty()) text = "The network request failed.";
      break;
  }
  char number[40];
  std::snprintf(number, sizeof number, " (error %lu)", static_cast<unsigned long>(code));
  throw plat::HttpError(reason, text + number);
}

[[noreturn]] void ThrowLastError() {
  ThrowError(GetLastError());
}

// A response header as text, or nothing when the response does not have it.
std::optional<std::wstring> QueryHeader(HINTERNET request, DWORD info) {
  DWORD bytes = 0;
  WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &bytes,
                      WINHTTP_NO_HEADER_INDEX);
  const DWORD error = GetLastError();
  if (error == ERROR_WINHTTP_HEADER_NOT_FOUND) return std::nullopt;
  if (error != ERROR_INSUFFICIENT_BUFFER) ThrowError(error);
  std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &bytes,
                           WINHTTP_NO_HEADER_INDEX)) {
    ThrowLastError();
  }
  value.resize(bytes / sizeof(wchar_t));
  return value;
}

// Content-Length as a 64-bit number (the numeric query is only 32 bits); -1 when the response
// gives none or an unreadable one.
int64_t ContentLength(HINTERNET request) {
  const std::optional<std::wstring> text = QueryHeader(request, WINHTTP_QUERY_CONTENT_LENGTH);
  if (!text || text->empty()) return -1;
  int64_t value = 0;
  for (wchar_t c : *text) {
    if (c < L'0' || c > L'9') return -1;
    if (value > (INT64_MAX - 9) / 10) return -1;
    value = value * 10 + (c - L'0');
  }
  return value;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

void SetDwordOption(HINTERNET handle, DWORD option, DWORD value) {
  // WinHTTP's defaults stand when an option is refused: they are the same or close.
  WinHttpSetOption(handle, option, &value, sizeof value);
}

class WinHttpClient : public plat::IHttpClient {
 public:
  void SetSettings(const plat::HttpSettings& settings) override {
    settings_ = settings;
    session_.Reset();  // the user agent is fixed when the session is opened
  }

  int Get(const std::string& url, plat::IHttpSink& sink,
          const plat::HttpProgressFn& progress) override {
    OpenSession();

    const std::wstring wideUrl = Widen(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wideUrl.c_str(), static_cast<DWORD>(wideUrl.size()), 0, &parts)) {
      ThrowLastError();
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
      ThrowError(ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    InternetHandle connection(WinHttpConnect(session_.Get(), host.c_str(), parts.nPort, 0));
    if (!connection) ThrowLastError();
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    InternetHandle request(WinHttpOpenRequest(connection.Get(), L"GET", path.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                              flags));
    if (!request) ThrowLastError();
    ApplyRequestOptions(request.Get());

    if (!WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.Get(), nullptr)) {
      ThrowLastError();
    }

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
      ThrowLastError();
    }
    if (status < 200 || status >= 300) {
      // The reason phrase is the server's own text: keep it short for the message box.
      std::wstring reasonPhrase =
          QueryHeader(request.Get(), WINHTTP_QUERY_STATUS_TEXT).value_or(L"");
      if (reasonPhrase.size() > 60) reasonPhrase.resize(60);
      const std::string statusText = Narrow(reasonPhrase);
      throw plat::HttpError(Reason::Status,
                            "HTTP error " + std::to_string(status) +
                                (statusText.empty() ? "" : " " + statusText) + ".",
                            static_cast<int>(status));
    }

    plat::HttpProgress state;
    state.ContentLength = ContentLength(request.Get());
    state.TransferEncoding = LowerAscii(
        Narrow(QueryHeader(request.Get(), WINHTTP_QUERY_TRANSFER_ENCODING).value_or(L"")));

    std::vector<char> buffer(kReadBlockBytes);
    const ULONGLONG started = GetTickCount64();
    for (;;) {
      if (settings_.TotalTimeoutMs > 0 && GetTickCount64() - started > settings_.TotalTimeoutMs)
        throw plat::HttpError(Reason::Timeout, "The server did not send the whole file in time.");
      DWORD available = 0;
      if (!WinHttpQueryDataAvailable(request.Get(), &available)) ThrowLastError();
      if (available == 0) break;
      DWORD read = 0;
      if (!WinHttpReadData(request.Get(), buffer.data(), std::min(available, kReadBlockBytes),
                           &read)) {
        ThrowLastError();
      }
      if (read == 0) break;
      sink.Write(std::string_view(buffer.data(), read));
      state.BytesSoFar += read;
      if (progress) progress(state);
    }
    return static_cast<int>(status);
  }

 private:
  void OpenSession() {
    if (session_) return;
    const std::wstring agent = Widen(settings_.UserAgent);
    const wchar_t* agentArg = agent.empty() ? nullptr : agent.c_str();
    // The system's proxy settings (Windows 8.1 and later); older systems and Wine may only
    // know WinHTTP's own proxy configuration.
    session_.Reset(WinHttpOpen(agentArg, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session_) {
      session_.Reset(WinHttpOpen(agentArg, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                 WINHTTP_NO_PROXY_BYPASS, 0));
    }
    if (!session_) ThrowLastError();

    const int connect =
        settings_.ConnectTimeoutMs > 0
            ? static_cast<int>(std::min<uint32_t>(settings_.ConnectTimeoutMs, INT32_MAX))
            : kDefaultConnectTimeoutMs;
    const int resolve = settings_.ConnectTimeoutMs > 0 ? connect : kDefaultResolveTimeoutMs;
    const int read = settings_.ReadTimeoutMs > 0
                         ? static_cast<int>(std::min<uint32_t>(settings_.ReadTimeoutMs, INT32_MAX))
                         : kDefaultReceiveTimeoutMs;
    const int send = settings_.ReadTimeoutMs > 0 ? read : kDefaultSendTimeoutMs;
    if (!WinHttpSetTimeouts(session_.Get(), resolve, connect, send, read)) {
      const DWORD error = GetLastError();
      session_.Reset();
      ThrowError(error);
    }
  }

  void ApplyRequestOptions(HINTERNET request) const {
    if (settings_.ReadTimeoutMs > 0) {
      // The wait for the response headers has a limit of its own (90 s by default).
      SetDwordOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, settings_.ReadTimeoutMs);
    }
    if (settings_.MaxRedirects == 0) {
      SetDwordOption(request, WINHTTP_OPTION_REDIRECT_POLICY, WINHTTP_OPTION_REDIRECT_POLICY_NEVER);
    } else if (settings_.MaxRedirects > 0) {
      // Never from https:// down to http://.
      SetDwordOption(request, WINHTTP_OPTION_REDIRECT_POLICY,
                     WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP);
      SetDwordOption(request, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS,
                     static_cast<DWORD>(settings_.MaxRedirects));
    }
  }

  plat::HttpSettings settings_;
  InternetHandle session_;
};

// Owns one event handle.
class EventHandle {
 public:
  EventHandle() : handle_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~EventHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  EventHandle(const EventHandle&) = delete;
  EventHandle& operator=(const EventHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Ends the worker's transfer once the calling thread has asked it to stop.
struct StopRequested {};

// What the worker hands to the calling thread: the blocks of the body and the progress events,
// in order. The worker waits while too much is queued, so a fast network cannot outrun a slow
// sink.
class Channel {
 public:
  static constexpr size_t kMaxQueuedBytes = 1024 * 1024;

  struct Item {
    std::string Block;
    std::optional<plat::HttpProgress> Progress;
  };

  explicit Channel(HANDLE ready) : ready_(ready) {}

  // Worker side.
  void Push(Item item) {
    {
      std::unique_lock lock(mutex_);
      roomFreed_.wait(lock, [&] { return stop_ || queuedBytes_ < kMaxQueuedBytes; });
      if (stop_) throw StopRequested{};
      queuedBytes_ += item.Block.size();
      items_.push_back(std::move(item));
    }
    SetEvent(ready_);
  }
  void Finish(int status, std::exception_ptr error) {
    {
      std::lock_guard lock(mutex_);
      status_ = status;
      error_ = std::move(error);
      done_ = true;
    }
    SetEvent(ready_);
  }

  // Calling side: takes what is queued; `done` tells whether the worker has finished (then
  // nothing more will come).
  std::deque<Item> Take(bool& done) {
    std::deque<Item> taken;
    {
      std::lock_guard lock(mutex_);
      taken.swap(items_);
      queuedBytes_ = 0;
      done = done_;
    }
    roomFreed_.notify_all();
    return taken;
  }
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    roomFreed_.notify_all();
  }
  int Status() const { return status_; }
  std::exception_ptr Error() const { return error_; }

 private:
  HANDLE ready_;
  std::mutex mutex_;
  std::condition_variable roomFreed_;
  std::deque<Item> items_;
  size_t queuedBytes_ = 0;
  bool stop_ = false;
  bool done_ = false;
  int status_ = 0;
  std::exception_ptr error_;
};

class ChannelSink : public plat::IHttpSink {
 public:
  explicit ChannelSink(Channel& channel) : channel_(channel) {}
  void Write(std::string_view block) override { channel_.Push({std::string(block), {}}); }

 private:
  Channel& channel_;
};

}  // namespace

std::unique_ptr<plat::IHttpClient> MakeWinHttpClient() {
  return std::make_unique<WinHttpClient>();
}

namespace {

// Handles the window messages waiting in the queue. Returns false, with the exit code, when
// WM_QUIT arrives.
bool PumpMessages(HWND dialog, WPARAM& quitCode) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitCode = msg.wParam;
      return false;
    }
    if (dialog != nullptr && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

}  // namespace

int MessagePumpingClient::Get(const std::string& url, plat::IHttpSink& sink,
                              const plat::HttpProgressFn& progress) {
  EventHandle ready;
  if (ready.Get() == nullptr) ThrowLastError();
  Channel channel(ready.Get());
  ChannelSink workerSink(channel);
  plat::HttpProgressFn workerProgress;
  if (progress) {
    workerProgress = [&channel](const plat::HttpProgress& p) { channel.Push({{}, p}); };
  }

  std::thread worker([&] {
    int status = 0;
    std::exception_ptr error;
    try {
      status = inner_->Get(url, workerSink, workerProgress);
    } catch (...) {
      error = std::current_exception();
    }
    channel.Finish(status, error);
  });

  std::exception_ptr callerError;  // thrown by the sink or the progress callback
  bool quit = false;
  WPARAM quitCode = 0;
  for (;;) {
    bool done = false;
    for (Channel::Item& item : channel.Take(done)) {
      if (callerError || quit) break;
      try {
        if (!item.Block.empty()) sink.Write(item.Block);
        if (item.Progress) progress(*item.Progress);
      } catch (...) {
        callerError = std::current_exception();
        channel.Stop();
      }
    }
    if (done) break;

    HANDLE handles[] = {ready.Get()};
    if (quit) {
      // No more messages are handled; only wait for the worker.
      WaitForSingleObject(ready.Get(), INFINITE);
      continue;
    }
    const DWORD woken =
        MsgWaitForMultipleObjectsEx(1, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0 + 1) {
      if (!PumpMessages(dialog_, quitCode)) {
        quit = true;
        channel.Stop();
      }
    } else if (woken == WAIT_FAILED) {
      WaitForSingleObject(ready.Get(), INFINITE);
    }
  }
  worker.join();
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  if (callerError) std::rethrow_exception(callerError);
  if (const std::exception_ptr error = channel.Error()) {
    try {
      std::rethrow_exception(error);
    } catch (const StopRequested&) {
      throw plat::HttpError(Reason::Other,
                            "The transfer was stopped because the program is closing.");
    }
  }
  return channel.Status();
}

}  // namespace win
