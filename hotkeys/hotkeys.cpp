// Registration and dispatch of the three global hotkeys.
#include <string>

#include "hotkeys/hotkey_text.h"
#include "mainform/main_form.h"

namespace {
constexpr int32_t kStartId = 1001;
constexpr int32_t kStopId = 1002;
constexpr int32_t kStartMacrosId = 1003;
}  // namespace

std::string TFrmMain::HotkeyText(const THotkeyData& hk) {
  return HotkeyToText(hk.Vk, hk.Modifiers, *svc_.Hotkeys);
}

void TFrmMain::RegisterHotkeys() {
  UnregisterHotkeys();
  FStartHotkeyID = kStartId;
  FStpHotkeyID = kStopId;
  FStartMacrosHotkeyID = kStartMacrosId;
  struct Entry {
    const char* name;
    int32_t id;
    const THotkeyData& hk;
  } entries[] = {{"Start", FStartHotkeyID, FStartHK},
                 {"Stop", FStpHotkeyID, FStpHK},
                 {"Start-recording", FStartMacrosHotkeyID, FStartMacrosHK}};
  // A hotkey that does not work says so on the status line rather than silently doing nothing.
  FHotkeyProblems.clear();
  for (size_t i = 0; i < std::size(entries); ++i) {
    const Entry& e = entries[i];
    const plat::HotkeyResult r =
        svc_.Hotkeys->Register(e.id, e.hk.Modifiers | hk::kModNoRepeat, e.hk.Vk);
    if (r == plat::HotkeyResult::Ok) continue;
    std::string text = HotkeyText(e.hk);
    if (text.empty() || text == "Win+") text = "with key code " + std::to_string(e.hk.Vk);
    std::string problem = std::string(e.name) + " hotkey " + text;
    const Entry* same = nullptr;
    for (size_t j = 0; j < i; ++j)
      if (entries[j].hk == e.hk) same = &entries[j];
    if (same)
      problem += " is already the " + std::string(same->name) + " hotkey.";
    else if (r == plat::HotkeyResult::InUse)
      problem += " is in use by another program.";
    else
      problem += " cannot be registered.";
    if (!FHotkeyProblems.empty()) FHotkeyProblems += " ";
    FHotkeyProblems += problem;
  }
}

void TFrmMain::UnregisterHotkeys() {
  for (int32_t id : {FStartHotkeyID, FStpHotkeyID, FStartMacrosHotkeyID})
    if (id != 0) svc_.Hotkeys->Unregister(id);
}

void TFrmMain::WndProcHotkey(uintptr_t id) {
  if (id == static_cast<uintptr_t>(FStartHotkeyID)) {
    if (!FRecording) StartRun();
  } else if (id == static_cast<uintptr_t>(FStpHotkeyID)) {
    if (FRecording)
      FinishRecording("Recording stopped by hotkey.");
    else if (rbMacros.Checked())
      StopRun("Stopped by hotkey. Runs done: " + std::to_string(FClicksDone));
    else
      StopRun("Stopped by hotkey. Clicks done: " + std::to_string(FClicksDone));
  } else if (id == static_cast<uintptr_t>(FStartMacrosHotkeyID)) {
    if (FWaitingForRecordStart) BeginRecording();
  }
}
