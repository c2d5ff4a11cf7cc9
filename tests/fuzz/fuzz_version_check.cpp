// libFuzzer target for the version check: the decoding of the two files, the version line, the
// decision, and CheckForNewVersion against a scripted server that answers with fuzzed bodies.
//
// Input layout: byte 0 chooses how the server answers the version file (low nibble) and the
// changes file (high nibble): a body, 404, 500, a time-out, too many redirects, a body that
// never ends, or an exception that is no HTTP error. Byte 1 sets the size of the blocks in
// which bodies arrive. The rest is the version file, then, after the first "\n#changes#\n",
// the changes file.
//
// Checked: CheckForNewVersion never lets an exception out; a true result comes with a message
// that begins with one of the two headlines and lists the changes, and UpdateRequired is set
// exactly for a mandatory update; a false result leaves the state alone; the result is the one
// that the parts (DecodeLines, ParseVersionLine, DecideOffer) give for the same bodies; a body
// that never ends is given up after at most 1 MiB. DecodeLines gives well-formed lines without
// line breaks that decode again to themselves; a version line that parses reads back from its
// decimal form.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "macros/utf8.h"
#include "update/version_check.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "version check property broken: %s\n", what);
  std::abort();
}

constexpr char kServer[] = "http://updates.invalid";
constexpr std::string_view kSeparator = "\n#changes#\n";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

enum class Answer { Body, NotFound, ServerError, Timeout, Redirects, Endless, Foreign, kCount };

struct Response {
  Answer answer = Answer::Body;
  std::string body;
};

// Answers the two files as scripted; any other address is a fault of the check.
class ScriptedServer : public plat::IHttpClient {
 public:
  ScriptedServer(Response version, Response changes, size_t block)
      : version_(std::move(version)), changes_(std::move(changes)), block_(block) {}

  void SetSettings(const plat::HttpSettings&) override {}

  int Get(const std::string& url, plat::IHttpSink& sink, const plat::HttpProgressFn&) override {
    using R = plat::HttpError::Reason;
    const Response* r = nullptr;
    if (url == std::string(kServer) + update::kVersionPath) r = &version_;
    if (url == std::string(kServer) + update::kChangesPath) r = &changes_;
    if (r == nullptr) Fail("asked for an address it should not ask for");
    switch (r->answer) {
      case Answer::NotFound:
        throw plat::HttpError(R::Status, "HTTP error 404 Not Found.", 404);
      case Answer::ServerError:
        throw plat::HttpError(R::Status, "HTTP error 500.", 500);
      case Answer::Timeout:
        throw plat::HttpError(R::Timeout, "The server did not answer in time.");
      case Answer::Redirects:
        throw plat::HttpError(R::Redirects, "The server redirected too often.");
      case Answer::Foreign:
        throw 7;
      case Answer::Endless: {
        // The same block again and again, as long as the sink takes it.
        const std::string block(block_ * 1024, 'v');
        size_t taken = 0;
        for (;;) {
          sink.Write(block);
          taken += block.size();
          if (taken > update::kCheckMaxFileBytes) Fail("took more than 1 MiB of an endless body");
        }
      }
      case Answer::Body:
      case Answer::kCount:
        break;
    }
    for (size_t at = 0; at < r->body.size(); at += block_) {
      sink.Write(std::string_view(r->body).substr(at, block_));
    }
    return 200;
  }

 private:
  Response version_;
  Response changes_;
  size_t block_;
};

void CheckLines(std::string_view bytes) {
  const std::vector<std::string> lines = update::DecodeLines(bytes);
  std::string again(kBom);
  for (const std::string& line : lines) {
    if (!IsValidUtf8(line)) Fail("a decoded line is not well-formed UTF-8");
    if (line.find_first_of("\r\n") != std::string::npos) Fail("a decoded line holds a break");
    again += line;
    again += '\n';
  }
  if (update::DecodeLines(again) != lines) Fail("decoded lines do not decode to themselves");

  if (lines.empty()) return;
  const auto versions = update::ParseVersionLine(lines.front());
  if (!versions) return;
  if (versions->Latest < 0 || versions->Minimum < 0) Fail("a negative version");
  const std::string plain =
      std::to_string(versions->Latest) + "/" + std::to_string(versions->Minimum);
  if (update::ParseVersionLine(plain) != versions) Fail("a version line does not read back");
  if (versions->Latest >= 10) {
    std::string shown = update::DisplayVersion(versions->Latest);
    const size_t point = shown.find('.');
    if (point == std::string::npos || point + 2 != shown.size()) Fail("displayed version");
    shown.erase(point, 1);
    if (shown != std::to_string(versions->Latest)) Fail("displayed version digits");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int count = static_cast<int>(Answer::kCount);
  Response version{static_cast<Answer>((data[0] & 0xF) % count), {}};
  Response changes{static_cast<Answer>((data[0] >> 4) % count), {}};
  const size_t block = 1 + data[1] % 64;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
  const size_t split = rest.find(kSeparator);
  version.body = std::string(rest.substr(0, split));
  if (split != std::string_view::npos) changes.body = rest.substr(split + kSeparator.size());

  CheckLines(version.body);
  CheckLines(changes.body);

  // What the parts decide for these answers.
  bool expected = false;
  std::string expectedMessage;
  bool expectedRequired = false;
  if (version.answer == Answer::Body && changes.answer == Answer::Body &&
      version.body.size() <= update::kCheckMaxFileBytes &&
      changes.body.size() <= update::kCheckMaxFileBytes) {
    const auto versionLines = update::DecodeLines(version.body);
    if (!versionLines.empty()) {
      const auto versions = update::ParseVersionLine(versionLines.front());
      if (versions) {
        const auto offer = update::DecideOffer(*versions, update::DecodeLines(changes.body));
        if (offer) {
          expected = true;
          expectedMessage = offer->Message;
          expectedRequired = offer->Required;
        }
      }
    }
  }

  ScriptedServer server(version, changes, block);
  update::UpdateState state{false, "untouched"};
  bool offered = false;
  try {
    offered = update::CheckForNewVersion(server, kServer, state);
  } catch (...) {
    Fail("an exception left the check");
  }

  if (offered != expected) Fail("the check and its parts decide differently");
  if (!offered) {
    if (state.UpdateRequired || state.NewVersionMessage != "untouched") Fail("state changed");
    return 0;
  }
  if (state.NewVersionMessage.empty()) Fail("an offer without a message");
  if (state.NewVersionMessage != expectedMessage) Fail("message differs from the decision");
  if (state.UpdateRequired != expectedRequired) Fail("UpdateRequired");
  const bool optional = state.NewVersionMessage.starts_with("The new version ");
  const bool mandatory =
      state.NewVersionMessage.starts_with("This version of the software is out of date.");
  if (optional == mandatory || mandatory != state.UpdateRequired) Fail("headline");
  if (state.NewVersionMessage.find("\r\n\r\nWhat's new:\r\n") == std::string::npos ||
      !state.NewVersionMessage.ends_with("\r\n")) {
    Fail("message layout");
  }
  return 0;
}
