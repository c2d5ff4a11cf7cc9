#include "macros/recorded_macro.h"

#include <stdexcept>

#include "macros/int_syntax.h"
#include "macros/utf8.h"
#include "platform/files.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

bool StartsWithKeyIgnoringCase(std::string_view line, std::string_view key) {
  if (line.size() < key.size() + 1 || line[key.size()] != '=') return false;
  for (size_t i = 0; i < key.size(); ++i) {
    char c = line[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    char k = key[i];
    if (k >= 'a' && k <= 'z') k = static_cast<char>(k - 'a' + 'A');
    if (c != k) return false;
  }
  return true;
}

int32_t ReadIntOr(std::string_view text, int32_t fallback) {
  int32_t value = 0;
  return ParseIntSyntax(text, value) ? value : fallback;
}

// One event from the text after "E=", or false when it has fewer than five fields.
bool ParseEventFields(std::string_view rest, MacroEvent& event) {
  if (rest.empty()) return false;
  std::string_view fields[5];
  size_t count = 0;
  for (;;) {
    const size_t bar = rest.find('|');
    fields[count++] = rest.substr(0, bar);
    if (count == 5 || bar == std::string_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  if (count < 5) return false;

  event.DeltaMs = static_cast<uint32_t>(ReadIntOr(fields[0], 0));
  event.Kind = static_cast<MacroEventKind>(static_cast<uint8_t>(ReadIntOr(fields[1], 0)));
  event.X = ReadIntOr(fields[2], 0);
  event.Y = ReadIntOr(fields[3], 0);
  event.Button = ReadIntOr(fields[4], -1);
  return true;
}

}  // namespace

std::string FormatMacroFile(const RecordedMacro& macro) {
  std::string out(kBom);
  if (!macro.Name().empty()) {
    out += "Name=";
    out += ToValidUtf8(macro.Name());
    out += kLineEnd;
  }
  out += "DurationMs=";
  out += std::to_string(macro.DurationMs());
  out += kLineEnd;
  for (const MacroEvent& e : macro.Events()) {
    out += "E=";
    // DeltaMs is written signed so that the reader, which reads signed values, gets every
    // 32-bit value back.
    out += std::to_string(static_cast<int32_t>(e.DeltaMs));
    out += '|';
    out += std::to_string(static_cast<unsigned>(e.Kind));
    out += '|';
    out += std::to_string(e.X);
    out += '|';
    out += std::to_string(e.Y);
    out += '|';
    out += std::to_string(e.Button);
    out += kLineEnd;
  }
  return out;
}

bool ParseMacroText(std::string_view bytes, RecordedMacro& out) {
  if (bytes.starts_with(kBom)) bytes.remove_prefix(kBom.size());
  if (!IsValidUtf8(bytes)) return false;

  std::string name;
  bool haveName = false;
  uint32_t duration = 0;
  bool haveDuration = false;
  std::vector<MacroEvent> events;

  while (!bytes.empty()) {
    const size_t end = bytes.find_first_of("\r\n");
    const std::string_view line = bytes.substr(0, end);
    if (end == std::string_view::npos) {
      bytes = {};
    } else {
      const bool crlf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
      bytes.remove_prefix(end + (crlf ? 2 : 1));
    }

    if (line.starts_with("E=")) {
      MacroEvent event;
      if (ParseEventFields(line.substr(2), event)) events.push_back(event);
    } else if (!haveName && StartsWithKeyIgnoringCase(line, "Name")) {
      name = line.substr(5);
      haveName = true;
    } else if (!haveDuration && StartsWithKeyIgnoringCase(line, "DurationMs")) {
      duration = static_cast<uint32_t>(ReadIntOr(line.substr(11), 0));
      haveDuration = true;
    }
  }

  out.SetName(std::move(name));
  out.SetDurationMs(duration);
  out.Events() = std::move(events);
  return true;
}

std::unique_ptr<RecordedMacro> RecordedMacro::LoadFromFile(const std::string& fileName) {
  const std::string bytes = plat::ReadWholeFile(fileName);
  auto macro = std::make_unique<RecordedMacro>();
  if (!ParseMacroText(bytes, *macro)) {
    throw std::runtime_error("The macro file \"" + fileName + "\" is not valid UTF-8 text");
  }
  macro->SetFileName(fileName);
  return macro;
}

void RecordedMacro::SaveToFile(const std::string& fileName) {
  plat::WriteFileAtomically(fileName, FormatMacroFile(*this));
  fileName_ = fileName;
}
