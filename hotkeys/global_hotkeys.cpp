#include "hotkeys/global_hotkeys.h"

#include <iterator>

#include "hotkeys/hotkey_text.h"

namespace hotkeys {

namespace {

// The identifiers of the registrations, in the order of HotkeyAction.
constexpr int32_t kIds[] = {1001, 1002, 1003};
constexpr const char* kNames[] = {"Start", "Stop", "Start-recording"};

size_t IndexOf(HotkeyAction action) {
  return static_cast<size_t>(action);
}

}  // namespace

GlobalHotkeys::GlobalHotkeys(plat::IHotkeys& system)
    : system_(system),
      keys_{{0x53, hk::kModControl | hk::kModShift},
            {0x58, hk::kModControl | hk::kModShift},
            {0x52, hk::kModControl | hk::kModShift}} {}

const HotkeyData& GlobalHotkeys::Key(HotkeyAction action) const {
  return keys_[IndexOf(action)];
}

void GlobalHotkeys::SetKey(HotkeyAction action, const HotkeyData& key) {
  keys_[IndexOf(action)] = key;
}

std::string GlobalHotkeys::Text(const HotkeyData& key) const {
  return HotkeyToText(key.Vk, key.Modifiers, system_);
}

void GlobalHotkeys::RegisterAll() {
  UnregisterAll();
  registered_ = true;
  // A hotkey that does not work says so on the status line rather than silently doing nothing.
  problems_.clear();
  for (size_t i = 0; i < std::size(keys_); ++i) {
    const HotkeyData& key = keys_[i];
    const plat::HotkeyResult r =
        system_.Register(kIds[i], key.Modifiers | hk::kModNoRepeat, key.Vk);
    results_[i] = r;
    if (r == plat::HotkeyResult::Ok) continue;
    std::string text = Text(key);
    if (text.empty() || text == "Win+") text = "with key code " + std::to_string(key.Vk);
    std::string problem = std::string(kNames[i]) + " hotkey " + text;
    const char* same = nullptr;
    for (size_t j = 0; j < i; ++j)
      if (keys_[j] == key) same = kNames[j];
    if (same)
      problem += " is already the " + std::string(same) + " hotkey.";
    else if (r == plat::HotkeyResult::InUse)
      problem += " is in use by another program.";
    else
      problem += " cannot be registered.";
    if (!problems_.empty()) problems_ += " ";
    problems_ += problem;
  }
}

std::string GlobalHotkeys::Replace(const HotkeyChoice& choice) {
  const HotkeyChoice previous{keys_[0], keys_[1], keys_[2]};
  for (size_t i = 0; i < choice.size(); ++i) keys_[i] = choice[i];
  RegisterAll();
  if (problems_.empty()) return {};
  const std::string failed = problems_;
  for (size_t i = 0; i < previous.size(); ++i) keys_[i] = previous[i];
  RegisterAll();
  return failed;
}

plat::HotkeyResult GlobalHotkeys::Registration(HotkeyAction action) const {
  return results_[IndexOf(action)];
}

std::string GlobalHotkeys::Unavailable(HotkeyAction action) const {
  const plat::HotkeyResult r = Registration(action);
  if (r == plat::HotkeyResult::Ok) return {};
  constexpr const char* kLowerNames[] = {"start", "stop", "start-recording"};
  std::string text = Text(action);
  if (text.empty() || text == "Win+") text = "with key code " + std::to_string(Key(action).Vk);
  return std::string("The ") + kLowerNames[IndexOf(action)] + " hotkey " + text +
         " is not available (" +
         (r == plat::HotkeyResult::InUse ? "it is in use by another program"
                                         : "it cannot be registered") +
         ").";
}

void GlobalHotkeys::UnregisterAll() {
  for (plat::HotkeyResult& r : results_) r = plat::HotkeyResult::Failed;
  if (!registered_) return;
  for (int32_t id : kIds) system_.Unregister(id);
  registered_ = false;
}

std::optional<HotkeyAction> GlobalHotkeys::ActionFor(uintptr_t id) const {
  for (size_t i = 0; i < std::size(kIds); ++i)
    if (id == static_cast<uintptr_t>(kIds[i])) return static_cast<HotkeyAction>(i);
  return std::nullopt;
}

}  // namespace hotkeys
