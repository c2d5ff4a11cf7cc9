// The three system-wide hotkeys: their keys, their registration to the main window, their
// display text, and which action a WM_HOTKEY message stands for. The window decides what each
// action does.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "hotkeys/hotkey_data.h"
#include "platform/platform.h"

namespace hotkeys {

enum class HotkeyAction { Start, Stop, StartRecording };

// Keys for start, stop and start-recording, in the order of HotkeyAction.
using HotkeyChoice = std::array<HotkeyData, 3>;

class GlobalHotkeys {
 public:
  // Ctrl+Shift+S, Ctrl+Shift+X and Ctrl+Shift+R until told otherwise; nothing registered yet.
  explicit GlobalHotkeys(plat::IHotkeys& system);
  GlobalHotkeys(const GlobalHotkeys&) = delete;
  GlobalHotkeys& operator=(const GlobalHotkeys&) = delete;

  const HotkeyData& Key(HotkeyAction action) const;
  // Takes effect at the next RegisterAll.
  void SetKey(HotkeyAction action, const HotkeyData& key);

  // Registers the three anew (with MOD_NOREPEAT). A hotkey that does not work is named in
  // Problems(), as the status line tells it; empty when all three work.
  void RegisterAll();
  void UnregisterAll();
  const std::string& Problems() const { return problems_; }
  // How the action's key fared at the last registration (Failed when it is not registered).
  plat::HotkeyResult Registration(HotkeyAction action) const;
  // Why the key of `action` does not work, such as "The stop hotkey Shift+Ctrl+X is not
  // available (it is in use by another program)."; empty when it is registered.
  std::string Unavailable(HotkeyAction action) const;
  // Puts `choice` in place of the three keys and registers them. When the system refuses one,
  // the previous keys are registered again as they were and the answer names what failed;
  // empty when all three work.
  std::string Replace(const HotkeyChoice& choice);

  // The key's display text, such as "Shift+Ctrl+X"; empty for a key without a name.
  std::string Text(const HotkeyData& key) const;
  std::string Text(HotkeyAction action) const { return Text(Key(action)); }
  // The action of a WM_HOTKEY message's identifier, or none when it is not one of these.
  std::optional<HotkeyAction> ActionFor(uintptr_t id) const;

 private:
  plat::IHotkeys& system_;
  HotkeyData keys_[3];
  plat::HotkeyResult results_[3] = {plat::HotkeyResult::Failed, plat::HotkeyResult::Failed,
                                    plat::HotkeyResult::Failed};
  bool registered_ = false;
  std::string problems_;
};

}  // namespace hotkeys
