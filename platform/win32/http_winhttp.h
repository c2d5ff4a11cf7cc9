// The HTTP client on Windows: WinHTTP, a system library. This header does not include
// winhttp.h, so it may be used beside wininet.h.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/http.h"

namespace win {

// A blocking client: Get runs on the calling thread. Proxy settings are the system's.
std::unique_ptr<plat::IHttpClient> MakeWinHttpClient();

// Runs each Get of another client on a worker thread while the calling thread keeps handling
// its window messages, so that a window stays painted and its buttons answer during a
// download. The sink and the progress callback still run on the calling thread, between
// messages; when either throws, the transfer is stopped and the exception reaches the caller
// once the worker has ended. A WM_QUIT that arrives meanwhile stops the transfer and is posted
// again afterwards.
class MessagePumpingClient : public plat::IHttpClient {
 public:
  explicit MessagePumpingClient(std::unique_ptr<plat::IHttpClient> inner)
      : inner_(std::move(inner)) {}
  // Keyboard messages for this window go through IsDialogMessageW (Tab, Enter, Esc).
  void SetDialog(HWND dialog) { dialog_ = dialog; }

  void SetSettings(const plat::HttpSettings& settings) override { inner_->SetSettings(settings); }
  int Get(const std::string& url, plat::IHttpSink& sink,
          const plat::HttpProgressFn& progress) override;

 private:
  std::unique_ptr<plat::IHttpClient> inner_;
  HWND dialog_ = nullptr;
};

}  // namespace win
