// The version check at start-up: asks the maker's server for the latest and the minimum
// version and for the list of changes, and decides whether to offer an update.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http.h"
#include "product/product.h"

namespace update {

// Versions are ten times the dotted version: 10 is 1.0, 11 is 1.1, 105 is 10.5; ours is
// product::kVersionNumber.
//
// The maker's server is product::kUpdateServer (plain HTTP). The key `server` in section `Update`
// of settings.ini overrides it (see UpdateServer); the program never writes that key.
inline constexpr char kSettingsSection[] = "Update";
inline constexpr char kSettingsServerKey[] = "server";

inline constexpr char kVersionPath[] = "/download/version/zivavavazezire-version.html";
inline constexpr char kChangesPath[] = "/download/version/zivavavazezire-changes.html";
inline constexpr char kUpdaterPath[] = "/download/zivavavazezire.exe";

inline constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MyApp)";
inline constexpr int kCheckMaxRedirects = 10;
inline constexpr uint32_t kCheckReadTimeoutMs = 10000;
// Start-up waits for the check, so an unreachable server must not hold it for long: name
// resolution and the connection are each given 5 s (the client's default would be 60 s). A
// refused connection fails at once.
inline constexpr uint32_t kCheckConnectTimeoutMs = 5000;
// And a server that sends a byte now and then cannot hold it either: each file must arrive
// within 10 s (plus the last wait for data).
inline constexpr uint32_t kCheckTotalTimeoutMs = 10000;
// The two files are a line and a short list; anything larger is not what we asked for.
inline constexpr size_t kCheckMaxFileBytes = 1024 * 1024;

// What the check found; read by the new-version dialog. Lives for the whole process.
struct UpdateState {
  // True when the running version is below the minimum: the update is mandatory. The dialog
  // also sets it when the user starts the download.
  bool UpdateRequired = false;
  // The complete text the dialog shows; set only when the check offers an update.
  std::string NewVersionMessage;
};

// The server address to use: the configured override with blanks and trailing slashes
// removed and "http://" put in front when it names no scheme, or product::kUpdateServer when the
// override is empty.
std::string UpdateServer(const std::string& configured);

// Decodes UTF-8 text (a leading byte-order mark is skipped; a malformed sequence becomes
// U+FFFD) and splits it into lines at CR LF, LF or CR. A final line break ends the last line
// and adds no empty line after it; empty text has no lines.
std::vector<std::string> DecodeLines(std::string_view bytes);

// A version number: ASCII decimal digits only, with optional blanks (spaces and tabs) around
// them, no sign, at most INT32_MAX. Anything else (an empty text included) is not a number.
std::optional<int32_t> ParseVersionNumber(std::string_view text);

struct VersionLine {
  int32_t Latest = 0;
  int32_t Minimum = 0;
  friend bool operator==(const VersionLine&, const VersionLine&) = default;
};

// "latest/minimum": split at the first "/", both parts version numbers.
std::optional<VersionLine> ParseVersionLine(std::string_view line);

// The dotted form: a "." before the last digit (11 is "1.1", 20 is "2.0", 105 is "10.5"; a
// single digit gets a leading zero: 5 is "0.5").
std::string DisplayVersion(int32_t version);

struct Offer {
  bool Required = false;
  std::string Message;
};

// The decision for a version line and the change lines: a mandatory offer when the minimum is
// above our version, else an optional one when the latest is, else none. The message is the
// headline, an empty line, "What's new:" and every non-empty change line, each line ending in
// CR LF.
std::optional<Offer> DecideOffer(const VersionLine& versions,
                                 const std::vector<std::string>& changeLines,
                                 int32_t ownVersion = product::kVersionNumber);

// The settings the check gives its HTTP client.
plat::HttpSettings CheckHttpSettings();

// Fetches the version file and the changes file from `server` through `client` and decides.
// Returns true when an update is offered; then sets state.NewVersionMessage and, for a
// mandatory update, state.UpdateRequired. Every failure is silent and returns false with
// `state` unchanged.
bool CheckForNewVersion(plat::IHttpClient& client, const std::string& server, UpdateState& state);

}  // namespace update
