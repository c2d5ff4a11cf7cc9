// A small blocking HTTP client for the version check and the updater download. The Win32
// implementation is WinHTTP (platform/win32/http_winhttp.h); unit tests use scripted clients.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace plat {

// Client settings. A zero (or negative redirect count) leaves the client's own default.
struct HttpSettings {
  std::string UserAgent;
  // Redirects followed before the request fails; 0 follows none; -1 keeps the default.
  int MaxRedirects = -1;
  // Bounds name resolution and, separately, the connection to the server.
  uint32_t ConnectTimeoutMs = 0;
  // Bounds each wait for data from the server (the response headers and every block of the
  // body) and each send.
  uint32_t ReadTimeoutMs = 0;
  // Bounds the body of one GET as a whole (a server that trickles a byte now and then would
  // otherwise never time out); checked between blocks, so the last wait may add up to
  // ReadTimeoutMs. 0: no bound.
  uint32_t TotalTimeoutMs = 0;
  friend bool operator==(const HttpSettings&, const HttpSettings&) = default;
};

// What the progress callback sees after each block of the body.
struct HttpProgress {
  int64_t BytesSoFar = 0;
  // The response's Content-Length; 0 or negative when the response gives none.
  int64_t ContentLength = -1;
  // The response's Transfer-Encoding header, lower-cased; empty when there is none.
  std::string TransferEncoding;
};

// A failed GET. what() is a message a user can read.
class HttpError : public std::runtime_error {
 public:
  enum class Reason { Connect, Timeout, Status, Redirects, Other };
  HttpError(Reason reason, const std::string& message, int status = 0)
      : std::runtime_error(message), reason_(reason), status_(status) {}
  Reason GetReason() const { return reason_; }
  // The HTTP status for Reason::Status, else 0.
  int Status() const { return status_; }

 private:
  Reason reason_;
  int status_;
};

// Receives the body block by block.
class IHttpSink {
 public:
  virtual ~IHttpSink() = default;
  virtual void Write(std::string_view block) = 0;
};

using HttpProgressFn = std::function<void(const HttpProgress&)>;

class IHttpClient {
 public:
  virtual ~IHttpClient() = default;
  // Applies to every later Get.
  virtual void SetSettings(const HttpSettings& settings) = 0;
  // GETs `url` (http:// or https://), follows redirects, and hands the body to `sink`; after
  // each block written, `progress` runs (when set). Returns the final HTTP status (2xx).
  // Throws HttpError when the server cannot be reached, a time-out elapses, the final status is
  // not 2xx (a 3xx there is a redirect that was not followed), or there are too many
  // redirects. An exception thrown by `sink` or `progress` ends the transfer and reaches the
  // caller unchanged: that is how a caller cancels.
  virtual int Get(const std::string& url, IHttpSink& sink, const HttpProgressFn& progress) = 0;
};

// Collects a body in memory; a body longer than `maxBytes` fails the GET.
class StringSink : public IHttpSink {
 public:
  explicit StringSink(size_t maxBytes) : max_(maxBytes) {}
  void Write(std::string_view block) override {
    if (block.size() > max_ - body_.size()) {
      throw HttpError(HttpError::Reason::Other, "The response is too large.");
    }
    body_.append(block);
  }
  const std::string& Body() const { return body_; }

 private:
  size_t max_;
  std::string body_;
};

// GETs `url` into memory.
inline std::string GetString(IHttpClient& client, const std::string& url, size_t maxBytes) {
  StringSink sink(maxBytes);
  client.Get(url, sink, nullptr);
  return sink.Body();
}

}  // namespace plat
