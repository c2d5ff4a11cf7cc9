// libFuzzer target for the settings file as the program reads it: a whole main window is
// created on the unit tests' fakes over a settings file made from the input, so every value
// goes through LoadSettings, the controls' own clamping and the handlers that it runs.
//
// The input is read as the lines of an INI file: "[section]" starts a section, "key=value"
// sets a key of the current one (before any section header, of the section ""), anything
// else is ignored. The value is the text the profile functions hand over.
//
// Checked after Create: every spin edit holds a value within its range, written as plain
// decimal; both combo boxes have an index from -1 to 2; exactly one target radio button and
// exactly one of until-stopped and repeat-count are checked; always-on-top and
// minimize-to-tray-on-start are never both checked: minimize-on-start is checked exactly when
// its value reads as true and wins over always-on-top, and the window is on top exactly when
// always-on-top is checked; the hotkeys label is set. Then the window is destroyed, which
// writes the settings, and a second window created on what was written must come up in the
// same state.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fakes.h"
#include "settings/ini_value.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "settings property broken: %s\n", what);
  std::abort();
}

struct Range {
  ui::SpinEdit MainForm::*edit;
  int32_t min;
  int32_t max;
};

// The spin edits the settings fill, with the ranges they must keep.
constexpr Range kSpins[] = {
    {&MainForm::hoursEdit, 0, 23},
    {&MainForm::minutesEdit, 0, 59},
    {&MainForm::secondsEdit, 0, 59},
    {&MainForm::millisecondsEdit, 0, 999},
    {&MainForm::jitterEdit, 0, 999},
    {&MainForm::repeatCountEdit, 1, 65535},
    {&MainForm::holdEdit, 0, 10000},
    {&MainForm::startDelayEdit, 0, 65535},
    {&MainForm::coordXEdit, -100000, 100000},
    {&MainForm::coordYEdit, -100000, 100000},
    {&MainForm::speedEdit, 10, 1000},
};

void LayOut(fakes::Form& f, std::string_view text) {
  f.env.files.insert(fakes::Form::kSettingsPath);
  std::string section;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    f.profile.Set(section, std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
  }
}

// Whether the settings file holds a Boolean that reads as true.
bool ReadsNonZero(fakes::Form& f, const char* section, const char* key) {
  std::string text;
  int32_t v = 0;
  return f.profile.Read(fakes::Form::kSettingsPath, section, key, text) && ParseIniInt(text, v) &&
         v != 0;
}

void CheckState(fakes::Form& f) {
  MainForm& m = f.frm;
  for (const Range& r : kSpins) {
    const ui::SpinEdit& se = m.*(r.edit);
    if (se.Min() != r.min || se.Max() != r.max) Fail("a spin edit has another range");
    if (se.Value() < r.min || se.Value() > r.max) Fail("a spin edit is out of its range");
    if (se.Text() != std::to_string(se.Value())) Fail("a spin edit's text is not its value");
  }
  for (const ui::ComboBox* cb : {&m.buttonCombo, &m.clickTypeCombo}) {
    if (cb->ItemIndex() < -1 || cb->ItemIndex() > 2) Fail("a combo box index is out of range");
  }
  const int targets = int{m.cursorPositionRadio.Checked()} + int{m.coordinatesRadio.Checked()} +
                      int{m.macrosRadio.Checked()};
  if (targets != 1) Fail("not exactly one target radio button is checked");
  if (m.untilStoppedRadio.Checked() == m.repeatCountRadio.Checked()) Fail("repeat radio buttons");
  if (m.alwaysOnTopCheck.Checked() && m.minimizeToTrayCheck.Checked()) {
    Fail("always-on-top and minimize-to-tray are both checked");
  }
  if (f.window.topMost != m.alwaysOnTopCheck.Checked())
    Fail("window on top differs from the option");
  // Minimize-on-start is read after always-on-top and wins over it.
  const bool topMost = ReadsNonZero(f, "UI", "topMost");
  const bool minimize = ReadsNonZero(f, "UI", "minimizeOnStart");
  if (m.minimizeToTrayCheck.Checked() != minimize) Fail("minimize-on-start not as read");
  if (m.alwaysOnTopCheck.Checked() != (topMost && !minimize)) Fail("always-on-top not as read");
  if (!m.hotkeysLabel.Text().starts_with("Hotkeys \xE2\x80\x94 Start: ")) Fail("hotkeys label");
}

// Everything the settings carry, to compare two windows.
std::vector<int64_t> Snapshot(MainForm& m) {
  std::vector<int64_t> s;
  for (const Range& r : kSpins) s.push_back((m.*(r.edit)).Value());
  s.push_back(m.TargetModeIndex());
  s.push_back(m.jitterCheck.Checked());
  s.push_back(m.untilStoppedRadio.Checked());
  s.push_back(m.buttonCombo.ItemIndex());
  s.push_back(m.clickTypeCombo.ItemIndex());
  s.push_back(m.alwaysOnTopCheck.Checked());
  s.push_back(m.minimizeToTrayCheck.Checked());
  for (hotkeys::HotkeyAction a : {hotkeys::HotkeyAction::Start, hotkeys::HotkeyAction::Stop,
                                  hotkeys::HotkeyAction::StartRecording}) {
    s.push_back(m.Hotkeys().Key(a).Vk);
    s.push_back(m.Hotkeys().Key(a).Modifiers);
  }
  s.push_back(m.jitterEdit.Enabled());
  s.push_back(m.holdEdit.Enabled());
  s.push_back(m.repeatCountEdit.Enabled());
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  fakes::Form first([&](fakes::Form& f) { LayOut(f, text); });
  CheckState(first);
  const std::vector<int64_t> before = Snapshot(first.frm);
  first.frm.Destroy();

  fakes::Form second([&](fakes::Form& f) {
    f.env.files.insert(fakes::Form::kSettingsPath);
    f.profile.sections = first.profile.sections;
  });
  CheckState(second);
  if (Snapshot(second.frm) != before) Fail("the settings written do not read back the same");
  second.frm.Destroy();
  return 0;
}
