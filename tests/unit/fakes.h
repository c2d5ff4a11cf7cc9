// Test doubles for the platform services: a clock that the test advances and that drives the
// timers, an input sink that records every record, scripted random draws and dialog answers.
#pragma once

#include <unistd.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "mainform/form_window.h"
#include "mainform/main_form.h"
#include "platform/input_events.h"
#include "platform/platform.h"
#include "ui/controls.h"
#include "ui/timer_scheduler.h"

// Events in failure messages: "{+<ms> kind <k> (<x>, <y>) button <b>}".
inline void PrintTo(const MacroEvent& e, std::ostream* out) {
  *out << "{+" << e.DeltaMs << " kind " << static_cast<int>(e.Kind) << " (" << e.X << ", " << e.Y
       << ") button " << e.Button << "}";
}

namespace fakes {

// Time in milliseconds, and the timers that run on it. Sleep moves time on without firing
// anything, as a thread busy in a long handler handles no messages.
class Clock : public plat::IClock, public ui::TimerDriver {
 public:
  uint64_t now = 0;
  uint32_t TickCount() override { return static_cast<uint32_t>(now); }
  void Sleep(uint32_t ms) { now += ms; }
  uint64_t micro = 0;  // microseconds within the current millisecond
  uint64_t NowMicros() override { return now * 1000 + micro; }
  // Moves the fine clock on by `us` (time spent working, not sleeping).
  void Spend(uint64_t us) {
    const uint64_t t = NowMicros() + us;
    now = t / 1000;
    micro = t % 1000;
  }

  void Start(ui::Timer& t, uint32_t interval) override { scheduler.Start(t, interval); }
  void Stop(ui::Timer& t) override { scheduler.Stop(t); }
  bool Armed(const ui::Timer& t) const { return scheduler.Armed(t); }

  // Moves time forward by `ms`, delivering every tick that comes due on the way.
  void Advance(uint64_t ms) {
    const uint64_t end = (now + ms) * 1000;
    while (scheduler.AnyArmed() && scheduler.NextDeadline() <= end) {
      const uint64_t due = scheduler.NextDeadline();
      if (due > NowMicros()) {
        now = due / 1000;
        micro = due % 1000;
      }
      scheduler.ServiceDue();
    }
    if (end > NowMicros()) {
      now = end / 1000;
      micro = 0;
    }
  }

  ui::TimerScheduler scheduler{[this] { return NowMicros(); }};
};

class Mouse : public plat::IInput {
 public:
  uint64_t costUs = 0;  // time each SendInput takes
  Clock* workClock = nullptr;
  std::vector<plat::InputRecord> sent;
  std::vector<uint64_t> sentAt;
  plat::Point cursor{400, 300};
  plat::Rect screen{0, 0, 1920, 1080};
  const Clock* clock = nullptr;
  std::function<void(const plat::InputRecord&)> onSend;
  // Answers whether the system takes a record (SendInput's result); empty: every one.
  std::function<bool(const plat::InputRecord&)> accept;
  bool higherIntegrity = false;  // the window at every point belongs to an elevated program
  std::vector<plat::Point> integrityAsked;
  std::vector<size_t> calls;  // the number of records of each SendInput call
  bool Send(std::span<const plat::InputRecord> records) override {
    calls.push_back(records.size());
    bool all = true;
    for (const plat::InputRecord& r : records) {
      // An absolute move puts the pointer on its pixel, as the system maps it back.
      if (r.type == plat::kInputMouse && (r.dwFlags & 0x8001) == 0x8001) {
        cursor.X = screen.Left + static_cast<int32_t>(int64_t{r.dx} * screen.Width() / 65536);
        cursor.Y = screen.Top + static_cast<int32_t>(int64_t{r.dy} * screen.Height() / 65536);
      }
      if (onSend) onSend(r);
      sent.push_back(r);
      sentAt.push_back(clock ? clock->now : 0);
      all = (!accept || accept(r)) && all;
    }
    if (workClock && costUs) workClock->Spend(costUs);
    return all;
  }
  bool HigherIntegrityAt(const plat::Point& p) override {
    integrityAsked.push_back(p);
    return higherIntegrity;
  }
  bool readable = true;  // false: the pointer cannot be read (the secure desktop)
  bool CursorPos(plat::Point& out) override {
    if (!readable) return false;
    out = cursor;
    return true;
  }
  plat::Rect VirtualScreen() override { return screen; }
  uint32_t dpi = 96;  // of every monitor
  uint32_t DpiAt(const plat::Point&) override { return dpi; }
  bool resyncs = false;  // as under Wine
  bool PointerResyncs() override { return resyncs; }
  int syncs = 0;
  void SyncDisplayPointer() override { ++syncs; }
};

class Random : public plat::IRandom {
 public:
  std::deque<int> draws;  // empty: always 1 (no jitter)
  int Below(int n) override {
    if (draws.empty()) return n > 1 ? 1 : 0;
    int v = draws.front();
    draws.pop_front();
    return v;
  }
};

class Dialogs : public plat::IDialogs {
 public:
  struct Shown {
    plat::MsgKind kind;
    plat::MsgButtons buttons;
    std::string text;
  };
  std::vector<Shown> messages;
  std::deque<plat::MsgResult> answers;  // empty: Ok / Yes
  std::deque<std::pair<bool, std::string>> inputs;
  std::vector<std::string> inputPrompts;
  std::function<void()> whileOpen;  // runs while a box is shown
  plat::MsgResult Message(plat::MsgKind kind, plat::MsgButtons buttons,
                          const std::string& text) override {
    messages.push_back({kind, buttons, text});
    if (whileOpen) whileOpen();
    if (answers.empty())
      return buttons == plat::MsgButtons::YesNo ? plat::MsgResult::Yes : plat::MsgResult::Ok;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
  bool InputBox(const std::string& caption, const std::string& prompt,
                std::string& value) override {
    inputPrompts.push_back(caption + "|" + prompt + "|" + value);
    if (whileOpen) whileOpen();
    if (inputs.empty()) return false;
    auto [ok, text] = inputs.front();
    inputs.pop_front();
    if (ok) value = text;
    return ok;
  }
};

class Shell : public plat::IShell {
 public:
  std::vector<std::string> opened;
  void Open(const std::string& target) override { opened.push_back(target); }
};

class Window : public mainform::IFormWindow {
 public:
  std::string caption;
  plat::Rect bounds{680, 259, 680 + 575, 259 + 600};
  bool visible = true;
  bool topMost = false;
  std::vector<std::string> calls;
  plat::Rect workArea{0, 0, 1920, 1040};
  int captionHeight = 23;
  int frameHeight = 4;

  std::string Caption() override { return caption; }
  void SetCaption(const std::string& c) override { caption = c; }
  plat::Rect Bounds() override { return bounds; }
  void SetBounds(const plat::Rect& b) override { bounds = b; }
  bool IsVisible() override { return visible; }
  void Show() override {
    visible = true;
    calls.push_back("Show");
  }
  void Hide() override {
    visible = false;
    calls.push_back("Hide");
  }
  void SetTopMost(bool t) override {
    topMost = t;
    calls.push_back(t ? "TopMost" : "NoTopMost");
  }
  void PlaceTopMost(const plat::Rect& b) override {
    bounds = b;
    topMost = true;
    visible = true;
    calls.push_back("PlaceTopMost");
  }
  void Activate() override {
    visible = true;
    calls.push_back("Activate");
  }
  void Close() override { calls.push_back("Close"); }
  void Repaint() override { calls.push_back("Repaint"); }
  int CaptionHeight() override { return captionHeight; }
  int FrameHeight() override { return frameHeight; }
  plat::Rect WorkArea() override { return workArea; }
};

class Hotkeys : public plat::IHotkeys {
 public:
  struct Registration {
    int id;
    uint32_t modifiers, vk;
  };
  std::vector<Registration> registered;  // currently registered
  std::vector<std::string> log;
  std::vector<std::pair<uint32_t, uint32_t>> heldElsewhere;     // (modifiers, vk) of other programs
  std::map<uint32_t, std::pair<uint32_t, std::string>> layout;  // vk -> scan code, name
  plat::HotkeyResult Register(int id, uint32_t modifiers, uint32_t vk) override {
    log.push_back("register " + std::to_string(id));
    const uint32_t m = modifiers & ~0x4000u;
    for (auto& [hm, hv] : heldElsewhere)
      if (hm == m && hv == vk) return plat::HotkeyResult::InUse;
    for (auto& r : registered)
      if ((r.modifiers & ~0x4000u) == m && r.vk == vk) return plat::HotkeyResult::InUse;
    if (vk == 0 || vk > 0xFF) return plat::HotkeyResult::Failed;
    registered.push_back({id, modifiers, vk});
    return plat::HotkeyResult::Ok;
  }
  void Unregister(int id) override {
    log.push_back("unregister " + std::to_string(id));
    std::erase_if(registered, [&](const Registration& r) { return r.id == id; });
  }
  uint32_t ScanCode(uint32_t vk) override {
    auto it = layout.find(vk);
    return it == layout.end() ? 0 : it->second.first;
  }
  std::string KeyName(uint32_t scan) override {
    for (auto& [vk, e] : layout)
      if (e.first << 16 == scan) return e.second;
    return {};
  }
};

// An INI file in memory with the profile functions' behaviour: writing a key leaves every other
// section and key as it was; sections appear in the order of their first write.
class Profile : public plat::IProfile {
 public:
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections;
  std::string path;       // the one file it holds
  std::string failOnKey;  // a write of this key fails
  std::string failPath;   // every write to this file fails
  std::vector<std::string> writes;

  bool Read(const std::string& p, const std::string& section, const std::string& key,
            std::string& value) override {
    if (p != path) return false;
    for (auto& [name, keys] : sections)
      if (Same(name, section))
        for (auto& [k, v] : keys)
          if (Same(k, key)) {
            value = v.substr(0, 2047);
            return true;
          }
    return false;
  }
  bool Write(const std::string& p, const std::string& section, const std::string& key,
             const std::string& value) override {
    if (key == failOnKey || p == failPath) return false;
    path = p;
    writes.push_back(section + "/" + key + "=" + value);
    for (auto& [name, keys] : sections)
      if (Same(name, section)) {
        for (auto& [k, v] : keys)
          if (Same(k, key)) {
            v = value;
            return true;
          }
        keys.push_back({key, value});
        return true;
      }
    sections.push_back({section, {{key, value}}});
    return true;
  }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    const std::string keep = path;
    Write(keep, section, key, value);
    path = keep;
  }
  std::string Get(const std::string& section, const std::string& key) {
    std::string v;
    return Read(path, section, key, v) ? v : "<missing>";
  }

 private:
  static bool Same(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(a[i])) !=
          std::tolower(static_cast<unsigned char>(b[i])))
        return false;
    return true;
  }
};

class Env : public plat::IEnvironment {
 public:
  std::map<std::string, std::string> vars{{"APPDATA", "C:\\Users\\u\\AppData\\Roaming"}};
  std::string exeFolder = "C:\\Apps\\";
  std::vector<std::string> created;
  std::set<std::string> files;  // paths that exist
  plat::DateTime now{2024, 3, 7, 9, 5, 2};
  std::string decimalSeparator = ".";
  Profile* profile = nullptr;

  plat::DateTime LocalNow() override { return now; }
  std::string DecimalSeparator() override { return decimalSeparator; }
  std::string Variable(const std::string& name) override {
    auto it = vars.find(name);
    return it == vars.end() ? std::string() : it->second;
  }
  std::string ExeFolder() override { return exeFolder; }
  void CreateFolders(const std::string& p) override {
    created.push_back(p);
    std::error_code ec;
    if (realFiles) std::filesystem::create_directories(p, ec);
  }
  bool FileExists(const std::string& p) override {
    if (realFiles) return std::filesystem::is_regular_file(p);
    return files.count(p) != 0 || (profile && !profile->sections.empty() && profile->path == p);
  }
  // With realFiles the folder functions work on the real file system (a test's temp folder).
  bool realFiles = false;
  std::vector<std::string> ListFiles(const std::string& folder) override {
    std::vector<std::string> names;
    if (!realFiles) return names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) throw std::runtime_error(ec.message());
    for (const auto& e : it)
      if (!e.is_directory()) names.push_back(e.path().filename().string());
    return names;
  }
  void RemoveFile(const std::string& p) override {
    std::error_code ec;
    if (!std::filesystem::remove(p, ec) || ec)
      throw std::runtime_error("Cannot delete " + p + ": " + (ec ? ec.message() : "not found"));
  }
};

// The recorder's input thread. Mouse and Key are its hooks' calls: each event is stamped with
// the clock's time then and queued, and the notice of a batch reaches the recorder at once, or,
// while the user-interface thread is `busy`, when the test calls Deliver.
class InputEvents : public plat::IInputEventSource {
 public:
  explicit InputEvents(Clock& c) : clock(c) {}
  Clock& clock;
  bool refuseMouse = false;
  bool refuseKeys = false;
  bool mouseHooked = false;
  bool keysHooked = false;
  int starts = 0;
  bool busy = false;
  int notices = 0;  // notices of batches posted
  plat::InputEventQueue queue;
  plat::IInputEventListener* listener = nullptr;  // kept after Stop: a late notice still comes

  Hooks Start(bool withKeys, plat::IInputEventListener& l) override {
    ++starts;
    queue.Clear();
    listener = &l;
    mouseHooked = !refuseMouse;
    keysHooked = withKeys && !refuseKeys;
    return {mouseHooked, keysHooked};
  }
  void Stop() override { mouseHooked = keysHooked = false; }
  void Take(std::vector<plat::InputEvent>& out) override { queue.Take(out); }

  void Mouse(uint32_t message, int32_t x, int32_t y, uint32_t mouseData = 0) {
    if (!mouseHooked) return;
    plat::InputEvent e;
    e.message = message;
    e.x = x;
    e.y = y;
    e.mouseData = mouseData;
    Queue(e);
  }
  void Key(uint32_t message, uint32_t vk, uint32_t scanCode, uint32_t flags = 0) {
    if (!keysHooked) return;
    plat::InputEvent e;
    e.device = plat::InputEvent::Device::Keyboard;
    e.message = message;
    e.vk = vk;
    e.scanCode = scanCode;
    e.flags = flags;
    Queue(e);
  }
  // The user-interface thread gets to the posted notices.
  void Deliver() {
    for (; pending > 0; --pending)
      if (listener) listener->InputQueued();
  }

 private:
  int pending = 0;
  void Queue(plat::InputEvent& e) {
    e.micros = clock.NowMicros();
    if (!queue.Push(e)) return;
    ++notices;
    ++pending;
    if (!busy) Deliver();
  }
};

// The hotkey dialog: each Edit call plays the user's script, a list of choices pressed with OK
// (the answers of `apply` are kept) ending with a cancel unless the last was accepted.
class HotkeyDialog : public mainform::IHotkeyDialog {
 public:
  std::vector<hotkeys::HotkeyChoice> shownWith;  // the rows of each Edit call
  std::deque<hotkeys::HotkeyChoice> okPresses;   // what the user puts in the rows before OK
  std::vector<std::string> answers;              // what `apply` said to each OK
  std::function<void()> whileOpen;               // runs when the dialog shows
  bool Edit(const hotkeys::HotkeyChoice& choice,
            const std::function<std::string(const hotkeys::HotkeyChoice&)>& apply) override {
    shownWith.push_back(choice);
    if (whileOpen) whileOpen();
    while (!okPresses.empty()) {
      const hotkeys::HotkeyChoice c = okPresses.front();
      okPresses.pop_front();
      answers.push_back(apply(c));
      if (answers.back().empty()) return true;
    }
    return false;  // cancelled
  }
};

// The pick cover: Begin keeps `done` for the test to call.
class PointPicker : public mainform::IPointPicker {
 public:
  bool refuse = false;
  int begun = 0;
  int cancelled = 0;
  std::function<void(std::optional<plat::Point>)> done;
  bool Begin(std::function<void(std::optional<plat::Point>)> d) override {
    ++begun;
    if (refuse) return false;
    done = std::move(d);
    return true;
  }
  void Cancel() override {
    ++cancelled;
    done = nullptr;
  }
  // The user clicks at `p`, or cancels with nothing.
  void Finish(std::optional<plat::Point> p) {
    auto d = std::move(done);
    done = nullptr;
    if (d) d(p);
  }
};

// A folder of its own under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  explicit TempDir(const std::string& tag) {
    static int counter = 0;
    path = std::filesystem::temp_directory_path() /
           ("zd-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::filesystem::path path;
};

// A main window wired to the fakes, created as the program creates it.
struct Form {
  Clock clock;
  Mouse mouse;
  Random random;
  Dialogs dialogs;
  Shell shell;
  Window window;
  Hotkeys hotkeys;
  Profile profile;
  Env env;
  InputEvents input{clock};
  HotkeyDialog hotkeyDialog;
  PointPicker picker;
  MainForm frm;

  static inline const std::string kSettingsPath = std::string("C:\\Users\\u\\AppData\\Roaming") +
                                                  plat::kPathDelim + "JUX Zura Divudiv" +
                                                  plat::kPathDelim + "settings.ini";

  // `prepare` runs before Create, to lay out a settings file or the layout's key names.
  explicit Form(std::function<void(Form&)> prepare = {}) : frm(Services()) {
    mouse.clock = &clock;
    mouse.workClock = &clock;
    env.profile = &profile;
    profile.path = kSettingsPath;
    window.caption = "ZuraDivudiv";
    if (prepare) prepare(*this);
    frm.Create();
  }

 private:
  mainform::FormServices Services() {
    mainform::FormServices s;
    s.Input = &mouse;
    s.Clock = &clock;
    s.Random = &random;
    s.Dialogs = &dialogs;
    s.Shell = &shell;
    s.Timers = &clock;
    s.Window = &window;
    s.Hotkeys = &hotkeys;
    s.Profile = &profile;
    s.Env = &env;
    s.InputEvents = &input;
    s.HotkeyDialog = &hotkeyDialog;
    s.PointPicker = &picker;
    return s;
  }
};

}  // namespace fakes
