#include "update/version_check.h"

#include <limits>

namespace update {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr char kCrLf[] = "\r\n";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at the start of `s`, or 0 when it is malformed
// (a stray continuation byte, an overlong form, a surrogate, a value above U+10FFFF, or a
// sequence cut short).
size_t SequenceLength(std::string_view s) {
  const auto at = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = at(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  if (at(1) < lo || at(1) > hi) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!IsContinuation(at(i))) return 0;
  }
  return length;
}

}  // namespace

std::string UpdateServer(const std::string& configured) {
  std::string_view s = TrimBlanks(configured);
  while (!s.empty() && s.back() == '/') s.remove_suffix(1);
  if (s.empty()) return product::kUpdateServer;
  std::string server(s);
  if (server.find("://") == std::string::npos) server.insert(0, "http://");
  return server;
}

std::vector<std::string> DecodeLines(std::string_view bytes) {
  if (bytes.starts_with(kBom)) bytes.remove_prefix(kBom.size());
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // a line has begun and not yet been ended by a break
  size_t i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
      open = false;
      i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      continue;
    }
    open = true;
    const size_t length = SequenceLength(bytes.substr(i));
    if (length == 0) {
      line.append(kReplacement);
      ++i;
    } else {
      line.append(bytes.substr(i, length));
      i += length;
    }
  }
  if (open) lines.push_back(std::move(line));
  return lines;
}

std::optional<int32_t> ParseVersionNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

std::optional<VersionLine> ParseVersionLine(std::string_view line) {
  const size_t slash = line.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const auto latest = ParseVersionNumber(line.substr(0, slash));
  const auto minimum = ParseVersionNumber(line.substr(slash + 1));
  if (!latest || !minimum) return std::nullopt;
  return VersionLine{*latest, *minimum};
}

std::string DisplayVersion(int32_t version) {
  return std::to_string(version / 10) + "." + std::to_string(version % 10);
}

std::optional<Offer> DecideOffer(const VersionLine& versions,
                                 const std::vector<std::string>& changeLines, int32_t ownVersion) {
  Offer offer;
  const std::string shown = DisplayVersion(versions.Latest);
  std::string headline;
  if (versions.Minimum > ownVersion) {
    offer.Required = true;
    headline =
        "This version of the software is out of date. You must download the current "
        "version " +
        shown + " to continue using the software.";
  } else if (versions.Latest > ownVersion) {
    headline = "The new version " + shown + " is available";
  } else {
    return std::nullopt;
  }
  offer.Message = headline + kCrLf + kCrLf + "What's new:" + kCrLf;
  for (const std::string& change : changeLines) {
    if (change.empty()) continue;
    offer.Message += change;
    offer.Message += kCrLf;
  }
  return offer;
}

plat::HttpSettings CheckHttpSettings() {
  plat::HttpSettings settings;
  settings.UserAgent = kUserAgent;
  settings.MaxRedirects = kCheckMaxRedirects;
  settings.ConnectTimeoutMs = kCheckConnectTimeoutMs;
  settings.ReadTimeoutMs = kCheckReadTimeoutMs;
  settings.TotalTimeoutMs = kCheckTotalTimeoutMs;
  return settings;
}

bool CheckForNewVersion(plat::IHttpClient& client, const std::string& server, UpdateState& state) {
  try {
    client.SetSettings(CheckHttpSettings());
    const std::vector<std::string> versionLines =
        DecodeLines(plat::GetString(client, server + kVersionPath, kCheckMaxFileBytes));
    if (versionLines.empty()) return false;
    const std::vector<std::string> changeLines =
        DecodeLines(plat::GetString(client, server + kChangesPath, kCheckMaxFileBytes));

    const auto versions = ParseVersionLine(versionLines.front());
    if (!versions) return false;
    auto offer = DecideOffer(*versions, changeLines);
    if (!offer) return false;
    if (offer->Required) state.UpdateRequired = true;
    state.NewVersionMessage = std::move(offer->Message);
    return true;
  } catch (...) {
    // The check is silent: whatever failed, the program starts as if it were current.
    return false;
  }
}

}  // namespace update
