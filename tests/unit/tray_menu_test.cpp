// The notification icon: which callback events act, the menu's greyed items and the commands
// they refuse, what each command does (whenever it comes), the run's pause while the menu is
// open, and a recording ended from the menu without the user's way to it.
#include <gtest/gtest.h>

#include <filesystem>

#include "fakes.h"
#include "mainform/control_ids.h"
#include "mainform/tray_menu.h"

namespace fs = std::filesystem;

namespace {

using K = MacroEventKind;
using mainform::TrayRequest;
constexpr uint32_t kLeftDown = 0x0002;
constexpr uint32_t kMove = 0x200, kLDown = 0x201, kLUp = 0x202, kRDown = 0x204, kRUp = 0x205;
constexpr uintptr_t kStartMacrosHotkey = 1003;

TEST(TrayRequestTest, OneClickActsOnceWithEitherVersion) {
  const struct {
    uint32_t event;
    bool version4;
    TrayRequest expected;
  } cases[] = {
      // Version 4: a left click is WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT; a right click is
      // WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU; the keyboard sends NIN_KEYSELECT (Enter,
      // Space) and WM_CONTEXTMENU (the menu key, Shift+F10).
      {0x0201, true, TrayRequest::None},
      {mainform::kTrayLeftButtonUp, true, TrayRequest::None},
      {mainform::kTraySelect, true, TrayRequest::ShowWindow},
      {mainform::kTrayKeySelect, true, TrayRequest::ShowWindow},
      {0x0204, true, TrayRequest::None},
      {mainform::kTrayRightButtonUp, true, TrayRequest::None},
      {mainform::kTrayContextMenu, true, TrayRequest::OpenMenu},
      {0x0200, true, TrayRequest::None},
      // Without it only the button messages come.
      {mainform::kTrayLeftButtonUp, false, TrayRequest::ShowWindow},
      {mainform::kTrayRightButtonUp, false, TrayRequest::OpenMenu},
      {0x0201, false, TrayRequest::None},
      {0x0200, false, TrayRequest::None},
  };
  for (const auto& c : cases)
    EXPECT_EQ(mainform::TrayRequestFor(c.event, c.version4), c.expected)
        << std::hex << c.event << " version 4: " << c.version4;
}

struct TrayMenuTest : ::testing::Test {
  fakes::TempDir dir{"tray"};
  fakes::Form f{[this](fakes::Form& g) {
    g.env.realFiles = true;
    g.env.vars["APPDATA"] = dir.path.string();
  }};
  MainForm& m = f.frm;

  // Whether Start and Stop can be chosen now.
  std::pair<bool, bool> StartStop() const {
    bool start = false, stop = false;
    for (const mainform::TrayMenuItem& item : m.TrayMenu()) {
      if (item.id == ids::trayStart) start = item.enabled;
      if (item.id == ids::trayStop) stop = item.enabled;
    }
    return {start, stop};
  }
  int Presses() const {
    int n = 0;
    for (const auto& r : f.mouse.sent) n += r.dwFlags == kLeftDown;
    return n;
  }
  void AddMacro(const std::vector<MacroEvent>& events) {
    auto macro = std::make_shared<RecordedMacro>();
    macro->SetName("M");
    macro->Events() = events;
    m.Library().Add(macro);
    m.RefreshMacroList();
  }
  void StartRecordingNow() {
    m.macrosRadio.UserClick();
    m.createMacroButton.UserClick();
    m.HotkeyPressed(kStartMacrosHotkey);
    ASSERT_TRUE(m.Recorder().Recording());
  }
};

TEST_F(TrayMenuTest, ItemsAndTheirTexts) {
  const std::vector<mainform::TrayMenuItem> items = m.TrayMenu();
  ASSERT_EQ(items.size(), 4u);
  const std::pair<int, std::string> expected[] = {{ids::trayStart, "Start"},
                                                  {ids::trayStop, "Stop\tShift+Ctrl+X"},
                                                  {ids::trayShowWindow, "Show window"},
                                                  {ids::trayExit, "Exit"}};
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].id, expected[i].first);
    EXPECT_EQ(items[i].text, expected[i].second);
  }
  EXPECT_EQ(StartStop(), std::make_pair(true, false));  // nothing runs
  EXPECT_TRUE(items[2].enabled);
  EXPECT_TRUE(items[3].enabled);
  EXPECT_FALSE(m.TrayCommand(ids::startButton));  // not one of the menu's
}

// Start is greyed, and its command refused, during a run (also its start delay), a countdown, a
// recording and while a modal window of the program is open; Stop is greyed when nothing runs.
TEST_F(TrayMenuTest, GreyedItemsAndRefusedStarts) {
  struct Case {
    const char* label;
    std::function<void(fakes::Form&)> enter;  // runs `check` in the state
    bool stop;                                // Stop can be chosen
  };
  const Case cases[] = {
      {"a run", [](fakes::Form& g) { g.frm.startButton.UserClick(); }, true},
      {"a start delay",
       [](fakes::Form& g) {
         g.frm.startDelayEdit.UserSetText("5");
         g.frm.startButton.UserClick();
       },
       true},
      {"a countdown",
       [](fakes::Form& g) {
         g.frm.macrosRadio.UserClick();
         g.frm.createMacroButton.UserClick();
       },
       true},
      {"a recording",
       [](fakes::Form& g) {
         g.frm.macrosRadio.UserClick();
         g.frm.createMacroButton.UserClick();
         g.frm.HotkeyPressed(kStartMacrosHotkey);
       },
       true},
      {"the About box", [](fakes::Form& g) { g.frm.aboutButton.UserClick(); }, false},
      {"the hotkey dialog", [](fakes::Form& g) { g.frm.hotkeysButton.UserClick(); }, false},
      {"the rename box",
       [](fakes::Form& g) {
         auto macro = std::make_shared<RecordedMacro>();
         macro->SetName("M");
         g.frm.Library().Add(macro);
         g.frm.RefreshMacroList();
         g.frm.macroList.SetItemIndex(0);
         g.frm.macrosRadio.UserClick();
         g.frm.renameMacroButton.UserClick();
       },
       false},
      {"Start's own message box",
       [](fakes::Form& g) {
         g.frm.macrosRadio.UserClick();
         g.frm.startButton.UserClick();  // no macro selected
       },
       false},
  };
  for (const Case& c : cases) {
    fakes::Form g;
    int checked = 0;
    const auto check = [&] {
      ++checked;
      bool start = true, stop = false;
      for (const mainform::TrayMenuItem& item : g.frm.TrayMenu()) {
        if (item.id == ids::trayStart) start = item.enabled;
        if (item.id == ids::trayStop) stop = item.enabled;
      }
      EXPECT_FALSE(start) << c.label;
      EXPECT_EQ(stop, c.stop) << c.label;
      const bool running = g.frm.Running();
      const std::string status = g.frm.statusLabel.Text();
      EXPECT_TRUE(g.frm.TrayCommand(ids::trayStart));
      EXPECT_EQ(g.frm.Running(), running) << c.label;
      EXPECT_EQ(g.frm.statusLabel.Text(), status) << c.label;
    };
    // A modal window is checked while it is open, the other states once entered.
    g.dialogs.whileOpen = check;
    g.hotkeyDialog.whileOpen = check;
    c.enter(g);
    if (checked == 0) check();
    EXPECT_EQ(checked, 1) << c.label;
    g.dialogs.whileOpen = nullptr;
    g.frm.StopRun("stopped");
  }
  // The cover that picks a point, until it is done.
  m.coordinatesRadio.UserClick();
  m.pickButton.UserClick();
  EXPECT_EQ(StartStop(), std::make_pair(false, false));
  m.TrayCommand(ids::trayStart);
  EXPECT_FALSE(m.Running());
  f.picker.Finish(plat::Point{10, 20});
  EXPECT_EQ(StartStop(), std::make_pair(true, false));
  m.TrayCommand(ids::trayStart);
  EXPECT_TRUE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Started");
  EXPECT_EQ(StartStop(), std::make_pair(false, true));
}

TEST_F(TrayMenuTest, StopTellsOfTheTrayAndCountsClicksOrRuns) {
  m.TrayCommand(ids::trayStop);  // nothing runs: nothing changes
  EXPECT_EQ(m.statusLabel.Text(), "Ready");

  m.minimizeToTrayCheck.UserClick();
  m.TrayCommand(ids::trayStart);
  ASSERT_TRUE(m.Running());
  EXPECT_FALSE(f.window.visible);
  f.clock.Advance(350);
  m.TrayCommand(ids::trayStop);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Stopped from the tray. Clicks done: 3");
  EXPECT_TRUE(f.window.visible);  // back from the notification area
  const size_t sent = f.mouse.sent.size();
  f.clock.Advance(1000);
  EXPECT_EQ(f.mouse.sent.size(), sent);

  AddMacro({{0, K::Move, 5, 5, -1}, {10, K::Down, 5, 5, 0}, {20, K::Up, 5, 5, 0}});
  m.macroList.SetItemIndex(0);
  m.macrosRadio.UserClick();
  m.TrayCommand(ids::trayStart);
  f.clock.Advance(45);  // two runs of 20 ms (the window was hidden at the start)
  m.TrayCommand(ids::trayStop);
  EXPECT_EQ(m.statusLabel.Text(), "Stopped from the tray. Runs done: 2");
}

TEST_F(TrayMenuTest, ShowWindowActivatesAndExitClosesAfterStopping) {
  m.minimizeToTrayCheck.UserClick();
  m.startButton.UserClick();
  ASSERT_FALSE(f.window.visible);
  f.window.calls.clear();
  m.TrayCommand(ids::trayShowWindow);
  EXPECT_TRUE(f.window.visible);
  EXPECT_EQ(f.window.calls, std::vector<std::string>{"Activate"});
  EXPECT_TRUE(m.Running());  // showing the window stops nothing

  f.clock.Advance(250);
  m.TrayCommand(ids::trayExit);
  EXPECT_FALSE(m.Running());
  EXPECT_EQ(m.statusLabel.Text(), "Closing");
  EXPECT_EQ(f.window.calls.back(), "Close");
}

TEST_F(TrayMenuTest, ExitDuringARecordingSavesIt) {
  StartRecordingNow();
  f.clock.Advance(200);
  f.input.Mouse(kMove, 30, 40);
  m.TrayCommand(ids::trayExit);
  EXPECT_FALSE(m.Recorder().Recording());
  EXPECT_EQ(m.statusLabel.Text(),
            "Macro saved: 2024-03-07 09.05.02 (0.2s). Recording stopped because application is "
            "closing.");
  EXPECT_EQ(f.window.calls.back(), "Close");
  const fs::path macros = dir.path / "JUX Zura Divudiv" / "Macros";
  EXPECT_EQ(std::distance(fs::directory_iterator(macros), {}), 1);
}

// The right click on the icon and what the user did in the menu are left out of a recording
// that the menu's Stop ends; a menu closed without a command leaves the recording whole.
TEST_F(TrayMenuTest, StopEndsARecordingWithoutTheWayToTheMenu) {
  StartRecordingNow();
  f.clock.Advance(100);
  f.input.Mouse(kLDown, 50, 60);
  f.clock.Advance(50);
  f.input.Mouse(kLUp, 50, 60);
  f.clock.Advance(100);
  // A menu opened and dismissed: what it saw stays.
  f.input.Mouse(kRDown, 1200, 1000);
  f.input.Mouse(kRUp, 1200, 1000);
  m.TrayMenuOpening();
  f.clock.Advance(100);
  f.input.Mouse(kLDown, 100, 100);
  f.input.Mouse(kLUp, 100, 100);
  m.TrayMenuClosed();
  f.clock.Advance(100);
  f.input.Mouse(kMove, 70, 80);
  f.clock.Advance(100);
  // The way to the menu's Stop: to the icon, the right click, the menu, the click on Stop.
  f.input.Mouse(kMove, 1190, 1000);
  f.input.Mouse(kRDown, 1200, 1010);
  f.clock.Advance(80);
  f.input.Mouse(kRUp, 1200, 1010);
  f.input.Mouse(kMove, 1201, 1011);
  m.TrayMenuOpening();
  f.clock.Advance(300);
  f.input.Mouse(kMove, 1150, 990);
  f.input.Mouse(kLDown, 1150, 990);
  f.input.Mouse(kLUp, 1150, 990);
  m.TrayCommand(ids::trayStop);
  m.TrayMenuClosed();

  EXPECT_FALSE(m.Recorder().Recording());
  ASSERT_EQ(m.Library().Macros().size(), 1u);
  const RecordedMacro& macro = *m.Library().Macros()[0];
  EXPECT_EQ(m.statusLabel.Text(),
            "Macro saved: " + macro.Name() + ". Recording stopped from the tray.");
  const std::vector<MacroEvent> expected = {
      {100, K::Move, 50, 60, -1},     {100, K::Down, 50, 60, 0},      {150, K::Up, 50, 60, 0},
      {250, K::Move, 1200, 1000, -1}, {250, K::Down, 1200, 1000, 1},  {250, K::Up, 1200, 1000, 1},
      {350, K::Move, 100, 100, -1},   {350, K::Down, 100, 100, 0},    {350, K::Up, 100, 100, 0},
      {450, K::Move, 70, 80, -1},     {550, K::Move, 1190, 1000, -1},
  };
  EXPECT_EQ(macro.Events(), expected);
}

// While the menu is open nothing is sent; the run goes on where it was when it closes.
TEST_F(TrayMenuTest, TheMenuPausesAClickingRunAndAPlayback) {
  m.startButton.UserClick();
  f.clock.Advance(250);
  ASSERT_EQ(Presses(), 2);
  m.TrayMenuOpening();
  f.clock.Advance(1000);
  EXPECT_EQ(Presses(), 2);
  m.TrayMenuClosed();
  f.clock.Advance(5);  // the click that came due meanwhile
  EXPECT_EQ(Presses(), 3);
  f.clock.Advance(100);
  EXPECT_EQ(Presses(), 4);
  m.stopButton.UserClick();

  // A held click is let go only once the menu has closed (a release over the menu would pick
  // an item).
  fakes::Form g;
  g.frm.clickTypeCombo.UserSelect(2);
  g.frm.holdEdit.UserSetText("200");
  g.frm.startButton.UserClick();
  g.clock.Advance(150);  // pressed at 100
  g.frm.TrayMenuOpening();
  g.clock.Advance(400);
  const auto ups = [&] {
    int n = 0;
    for (const auto& r : g.mouse.sent) n += r.dwFlags == 0x0004;
    return n;
  };
  EXPECT_EQ(ups(), 0);
  g.frm.TrayMenuClosed();
  g.clock.Advance(5);
  EXPECT_EQ(ups(), 1);
  g.frm.StopRun("stopped");

  // A playback: its waits stand still while the menu is open.
  fakes::Form h;
  auto macro = std::make_shared<RecordedMacro>();
  macro->SetName("M");
  macro->Events() = {{0, K::Move, 5, 5, -1}, {100, K::Move, 6, 6, -1}, {200, K::Move, 7, 7, -1}};
  h.frm.Library().Add(macro);
  h.frm.RefreshMacroList();
  h.frm.macroList.SetItemIndex(0);
  h.frm.macrosRadio.UserClick();
  h.frm.repeatCountRadio.UserClick();
  h.frm.repeatCountEdit.UserSetText("1");
  h.frm.startButton.UserClick();
  h.clock.Advance(50);
  ASSERT_EQ(h.mouse.sent.size(), 1u);
  h.frm.TrayMenuOpening();
  h.clock.Advance(500);
  EXPECT_EQ(h.mouse.sent.size(), 1u);
  h.frm.TrayMenuClosed();
  h.clock.Advance(45);
  EXPECT_EQ(h.mouse.sent.size(), 1u) << "the rest of the first wait comes after the pause";
  h.clock.Advance(10);
  EXPECT_EQ(h.mouse.sent.size(), 2u);
  h.clock.Advance(100);
  EXPECT_EQ(h.mouse.sent.size(), 3u);
  EXPECT_FALSE(h.frm.Running());
  EXPECT_EQ(h.frm.statusLabel.Text(), "Completed macro repeat count. Runs done: 1");
}

}  // namespace
