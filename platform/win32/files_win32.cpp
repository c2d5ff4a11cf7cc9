// Win32 implementation of platform/files.h.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/files.h"
#include "platform/win32/text.h"

namespace plat {
namespace {

// Owns one file handle.
class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  // Closes now and reports the result; safe to call twice.
  bool Close() {
    if (!Valid()) return true;
    const BOOL ok = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok != FALSE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Deletes the temporary file on every path out of the write unless it has been moved into
// place. Declared before the file's handle, so the handle is closed first.
class TempFileGuard {
 public:
  TempFileGuard() = default;
  ~TempFileGuard() {
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  void Set(std::wstring path) { path_ = std::move(path); }
  const std::wstring& Path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::wstring path_;
};

// A system_error whose message is our own text: the C++ library's text for Win32 codes is not
// the system's message on every MinGW runtime.
class FileError : public std::system_error {
 public:
  FileError(DWORD code, std::string message)
      : std::system_error(static_cast<int>(code), std::system_category()),
        message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

[[noreturn]] void ThrowLastError(DWORD code, const std::string& what, const std::string& path) {
  throw FileError(code, what + " \"" + path + "\": " + win::SystemErrorText(code));
}

std::wstring PathToWide(const std::string& utf8Path, const char* what) {
  if (utf8Path.empty()) ThrowLastError(ERROR_INVALID_NAME, what, utf8Path);
  if (utf8Path.size() > INT_MAX) ThrowLastError(ERROR_FILENAME_EXCED_RANGE, what, utf8Path);
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Path.data(),
                                    static_cast<int>(utf8Path.size()), nullptr, 0);
  if (n <= 0) ThrowLastError(ERROR_NO_UNICODE_TRANSLATION, what, utf8Path);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Path.data(),
                      static_cast<int>(utf8Path.size()), wide.data(), n);
  return wide;
}

// The folder part of `path` including its final separator, or empty for a bare file name.
std::wstring FolderOf(const std::wstring& path) {
  const size_t sep = path.find_last_of(L"\\/:");
  return sep == std::wstring::npos ? std::wstring() : path.substr(0, sep + 1);
}

}  // namespace

void WriteFileAtomically(const std::string& utf8Path, std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  const char* const what = "Cannot save";
  const std::wstring target = PathToWide(utf8Path, what);
  const std::wstring folder = FolderOf(target);

  TempFileGuard guard;
  FileHandle file;
  // A short name of our own in the target's folder, so that the move stays within one volume;
  // CREATE_NEW never reuses a file that is already there.
  for (int attempt = 0;; ++attempt) {
    std::wstring temp = folder + L"~zd" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(++counter) + L".tmp";
    file.Reset(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Valid()) {
      guard.Set(std::move(temp));
      break;
    }
    const DWORD err = GetLastError();
    if ((err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) || attempt >= 100) {
      ThrowLastError(err, what, utf8Path);
    }
  }

  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), chunk, &written, nullptr)) {
      ThrowLastError(GetLastError(), what, utf8Path);
    }
    bytes.remove_prefix(written);
  }
  if (!FlushFileBuffers(file.Get())) ThrowLastError(GetLastError(), what, utf8Path);
  if (!file.Close()) ThrowLastError(GetLastError(), what, utf8Path);

  if (!MoveFileExW(guard.Path().c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ThrowLastError(GetLastError(), what, utf8Path);
  }
  guard.Release();
}

std::string ReadWholeFile(const std::string& utf8Path) {
  const std::wstring path = PathToWide(utf8Path, "Cannot open");
  FileHandle file;
  // Others may read the file meanwhile, but not write it.
  file.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) ThrowLastError(GetLastError(), "Cannot open", utf8Path);

  std::string data;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 31)) {
    data.reserve(static_cast<size_t>(size.QuadPart));
  }
  char buffer[65536];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) {
      ThrowLastError(GetLastError(), "Cannot read", utf8Path);
    }
    if (read == 0) break;
    data.append(buffer, read);
  }
  return data;
}

}  // namespace plat
