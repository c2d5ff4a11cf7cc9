// What the new-version dialog needs from the operating system besides HTTP, message boxes
// and the shell's "open": the temporary folder, the downloaded file, its signature check,
// starting it, and the processing of pending window messages.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace update {

// A file being written. Both methods throw on an error; Close is safe to call twice.
class IDownloadFile {
 public:
  virtual ~IDownloadFile() = default;
  virtual void Write(std::string_view block) = 0;
  virtual void Close() = 0;
};

class IUpdateHost {
 public:
  virtual ~IUpdateHost() = default;
  // The user's temporary folder in its long form (GetTempPathW, GetLongPathNameW), ending
  // with a separator. Throws when there is none.
  virtual std::string TempFolder() = 0;
  // Creates `path` for writing, or truncates it when it exists. Throws on failure.
  virtual std::unique_ptr<IDownloadFile> CreateDownloadFile(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // Returns false when the file is still there afterwards.
  virtual bool RemoveFile(const std::string& path) = 0;
  // True when `path` carries a valid Authenticode signature that chains to a trusted root;
  // otherwise false, with a short readable reason in `reason`.
  virtual bool VerifySignature(const std::string& path, std::string& reason) = 0;
  // Starts `path` with its default action: ShellExecuteW with no owner, no verb, no
  // parameters, no working directory and SW_SHOWNORMAL. The result is not examined.
  virtual void StartFile(const std::string& path) = 0;
  // Handles the window messages that are waiting, then returns.
  virtual void ProcessMessages() = 0;
};

}  // namespace update
