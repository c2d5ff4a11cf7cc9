// The settings file: where it lives, what is written, and how every value reads back.
#include <gtest/gtest.h>

#include "fakes.h"
#include "settings/ini_value.h"

namespace {

using fakes::Form;

Form WithFile(std::vector<std::tuple<std::string, std::string, std::string>> keys) {
  return Form([keys](Form& f) {
    f.env.files.insert(Form::kSettingsPath);
    for (auto& [s, k, v] : keys) f.profile.Set(s, k, v);
  });
}

TEST(SettingsTest, PathUnderAppDataOrBesideTheProgram) {
  Form f;
  EXPECT_EQ(f.frm.SettingsFilePath(), Form::kSettingsPath);
  const std::string sep(1, plat::kPathDelim);
  EXPECT_EQ(f.env.created.back(), "C:\\Users\\u\\AppData\\Roaming" + sep + "JUX Zura Divudiv");
  f.env.vars["APPDATA"] = "";
  EXPECT_EQ(f.frm.SettingsFilePath(), "C:\\Apps\\JUX Zura Divudiv" + sep + "settings.ini");
  f.env.vars.erase("APPDATA");
  EXPECT_EQ(f.frm.SettingsFilePath(), "C:\\Apps\\JUX Zura Divudiv" + sep + "settings.ini");
  f.env.vars["APPDATA"] = "D:\\Data\\";
  EXPECT_EQ(f.frm.SettingsFilePath(), "D:\\Data\\JUX Zura Divudiv" + sep + "settings.ini");
}

// A settings.ini beside the program makes a portable copy: the settings and the macros live
// beside it, and nothing is made under APPDATA. Without that file, APPDATA is used as before.
TEST(SettingsTest, PortableCopyKeepsItsSettingsAndMacrosBesideTheProgram) {
  const std::string sep(1, plat::kPathDelim);
  const std::string appData = "C:\\Users\\u\\AppData\\Roaming";
  const struct {
    const char* label;
    std::string exeFolder;
    std::string fileBesideTheProgram;  // empty: none
    std::string folder;                // of the settings file and the macro folder
  } cases[] = {
      {"portable", "C:\\Tools\\", "C:\\Tools\\settings.ini", "C:\\Tools"},
      {"portable at a drive's root", "E:\\", "E:\\settings.ini", "E:"},
      {"another file beside the program", "C:\\Tools\\", "C:\\Tools\\settings.ini.txt",
       appData + sep + "JUX Zura Divudiv"},
      {"no file beside the program", "C:\\Tools\\", "", appData + sep + "JUX Zura Divudiv"},
  };
  for (const auto& c : cases) {
    const std::string path = c.folder + sep + "settings.ini";
    Form f([&](Form& g) {
      g.env.exeFolder = c.exeFolder;
      if (!c.fileBesideTheProgram.empty()) g.env.files.insert(c.fileBesideTheProgram);
      // The file that the window should read, wherever that is.
      g.profile.path = path;
      g.profile.Set("Interval", "ms", "777");
    });
    EXPECT_EQ(f.frm.SettingsFilePath(), path) << c.label;
    EXPECT_EQ(f.frm.Library().Folder(), c.folder + sep + "Macros") << c.label;
    EXPECT_EQ(f.frm.millisecondsEdit.Value(), 777) << c.label;
    const bool portable = c.folder.rfind(appData, 0) != 0;
    EXPECT_FALSE(f.env.created.empty()) << c.label;
    for (const std::string& made : f.env.created)
      EXPECT_NE(made.rfind(appData, 0) == 0, portable) << c.label << ": made " << made;
    f.frm.millisecondsEdit.UserSetText("250");
    f.profile.writes.clear();
    f.frm.Destroy();
    EXPECT_EQ(f.profile.path, path) << c.label;
    EXPECT_EQ(f.profile.Get("Interval", "ms"), "250") << c.label;
    EXPECT_FALSE(f.profile.writes.empty()) << c.label;
  }
}

TEST(SettingsTest, FirstStartWritesEveryKeyInOrder) {
  Form f;
  f.profile.sections.clear();
  f.frm.Destroy();
  const std::vector<std::string> expected = {"Target/mode=0",
                                             "Interval/h=0",
                                             "Interval/m=0",
                                             "Interval/s=0",
                                             "Interval/ms=100",
                                             "Interval/jitterEnabled=0",
                                             "Interval/jitterMs=0",
                                             "Repeat/untilStopped=1",
                                             "Repeat/count=100",
                                             "Click/button=0",
                                             "Click/type=0",
                                             "Click/holdMs=80",
                                             "UI/topMost=0",
                                             "Delay/startDelayS=0",
                                             "UI/minimizeOnStart=0",
                                             "UI/stopOnMouseMove=1",
                                             "HotkeyStart/vk=83",
                                             "HotkeyStart/mod=6",
                                             "HotkeyStop/vk=88",
                                             "HotkeyStop/mod=6",
                                             "HotkeyStartMacros/vk=82",
                                             "HotkeyStartMacros/mod=6",
                                             "Coords/x=0",
                                             "Coords/y=0",
                                             "Macros/selected=-1",
                                             "Macros/recordKeys=0",
                                             "Macros/speed=100"};
  EXPECT_EQ(f.profile.writes, expected);
  // In a new file UI comes before Delay, in the order of the first writes.
  std::vector<std::string> order;
  for (auto& [name, keys] : f.profile.sections) order.push_back(name);
  EXPECT_EQ(order, (std::vector<std::string>{"Target", "Interval", "Repeat", "Click", "UI", "Delay",
                                             "HotkeyStart", "HotkeyStop", "HotkeyStartMacros",
                                             "Coords", "Macros"}));
}

TEST(SettingsTest, ValuesChangedInTheWindowRoundTrip) {
  Form a;
  MainForm& m = a.frm;
  m.coordinatesRadio.UserClick();
  m.hoursEdit.UserSetText("2");
  m.minutesEdit.UserSetText("3");
  m.secondsEdit.UserSetText("4");
  m.millisecondsEdit.UserSetText("5");
  m.jitterCheck.UserClick();
  m.jitterEdit.UserSetText("15");
  m.repeatCountRadio.UserClick();
  m.repeatCountEdit.UserSetText("7");
  m.buttonCombo.UserSelect(2);
  m.clickTypeCombo.UserSelect(2);
  m.holdEdit.UserSetText("300");
  m.startDelayEdit.UserSetText("9");
  m.alwaysOnTopCheck.UserClick();
  m.coordXEdit.UserSetText("640");
  m.coordYEdit.UserSetText("480");
  m.macrosRadio.UserClick();  // the macro options are enabled with the Macros target
  m.recordKeysCheck.UserClick();
  m.speedEdit.UserSetText("250");
  m.coordinatesRadio.UserClick();
  m.Destroy();

  Form b([&](Form& f) {
    f.env.files.insert(Form::kSettingsPath);
    f.profile = a.profile;
  });
  MainForm& n = b.frm;
  EXPECT_TRUE(n.coordinatesRadio.Checked());
  EXPECT_EQ(n.BaseIntervalMs(), 2 * 3600000 + 3 * 60000 + 4 * 1000 + 5);
  EXPECT_TRUE(n.jitterCheck.Checked());
  EXPECT_TRUE(n.jitterEdit.Enabled());
  EXPECT_EQ(n.jitterEdit.Value(), 15);
  EXPECT_TRUE(n.repeatCountRadio.Checked());
  EXPECT_TRUE(n.repeatCountEdit.Enabled());
  EXPECT_EQ(n.repeatCountEdit.Value(), 7);
  EXPECT_EQ(n.buttonCombo.ItemIndex(), 2);
  EXPECT_EQ(n.clickTypeCombo.ItemIndex(), 2);
  EXPECT_TRUE(n.holdEdit.Enabled());
  EXPECT_EQ(n.holdEdit.Value(), 300);
  EXPECT_EQ(n.startDelayEdit.Value(), 9);
  EXPECT_TRUE(n.alwaysOnTopCheck.Checked());
  EXPECT_TRUE(b.window.topMost);
  EXPECT_EQ(n.coordXEdit.Value(), 640);
  EXPECT_EQ(n.coordYEdit.Value(), 480);
  EXPECT_TRUE(n.coordXEdit.Enabled());
  EXPECT_TRUE(n.recordKeysCheck.Checked());
  EXPECT_EQ(n.speedEdit.Value(), 250);
}

TEST(SettingsTest, OutOfRangeValuesAreClampedAndHexReads) {
  Form f = WithFile({{"Interval", "h", "30"},
                     {"Interval", "ms", "5000"},
                     {"Interval", "jitterMs", "-4"},
                     {"Delay", "startDelayS", "0x10"},
                     {"Repeat", "count", "0"},
                     {"Click", "holdMs", "99999"},
                     {"Coords", "x", "-150000"},
                     {"Coords", "y", "250000"},
                     {"Interval", "m", "ten"},
                     {"Macros", "speed", "5000"},
                     {"Macros", "recordKeys", "7"}});
  EXPECT_EQ(f.frm.hoursEdit.Value(), 23);
  EXPECT_EQ(f.frm.millisecondsEdit.Value(), 999);
  EXPECT_EQ(f.frm.jitterEdit.Value(), 0);
  EXPECT_EQ(f.frm.startDelayEdit.Value(), 16);
  EXPECT_EQ(f.frm.repeatCountEdit.Value(), 1);
  EXPECT_EQ(f.frm.holdEdit.Value(), 10000);
  EXPECT_EQ(f.frm.coordXEdit.Value(), -100000);  // left of and above the primary monitor
  EXPECT_EQ(f.frm.coordYEdit.Value(), 100000);
  EXPECT_EQ(f.frm.minutesEdit.Value(), 0);  // unreadable: the current value
  EXPECT_EQ(f.frm.speedEdit.Value(), 1000);
  EXPECT_TRUE(f.frm.recordKeysCheck.Checked());  // any value but 0 is on
}

TEST(SettingsTest, IniIntegerSyntax) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"16", true, 16},         {"-1", true, -1},  {"0x10", true, 16}, {"0X1f", true, 31},
      {"0xFFFFFFFF", true, -1}, {"0x", false, 0},  {"0x1G", false, 0}, {"0x123456789", false, 0},
      {"", false, 0},           {"12 ", false, 0}, {"abc", false, 0},  {"$10", false, 0},
      {"2147483648", false, 0}, {"0", true, 0}};
  for (const Case& c : cases) {
    int32_t v = 0;
    EXPECT_EQ(ParseIniInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(SettingsTest, RepeatUntilStoppedZeroSelectsTheCount) {
  Form f = WithFile({{"Repeat", "untilStopped", "0"}, {"Repeat", "count", "5"}});
  EXPECT_TRUE(f.frm.repeatCountRadio.Checked());
  EXPECT_FALSE(f.frm.untilStoppedRadio.Checked());
  EXPECT_TRUE(f.frm.repeatCountEdit.Enabled());
  EXPECT_EQ(f.frm.repeatCountEdit.Text(), "5");
}

// Hold type and jitter enable their boxes under modes 0 and 1; mode 2 disables them all, since
// the macro target's handler runs last.
TEST(SettingsTest, ModesWithHoldAndJitter) {
  for (int mode : {0, 1, 2}) {
    Form f = WithFile({{"Target", "mode", std::to_string(mode)},
                       {"Click", "type", "2"},
                       {"Interval", "jitterEnabled", "1"}});
    const bool clicking = mode != 2;
    EXPECT_EQ(f.frm.holdEdit.Enabled(), clicking) << mode;
    EXPECT_EQ(f.frm.holdLabel.Enabled(), clicking) << mode;
    EXPECT_EQ(f.frm.jitterEdit.Enabled(), clicking) << mode;
    EXPECT_EQ(f.frm.millisecondsEdit.Enabled(), clicking) << mode;
    EXPECT_EQ(f.frm.coordXEdit.Enabled(), mode == 1) << mode;
    EXPECT_EQ(f.frm.macroList.Enabled(), mode == 2) << mode;
  }
  Form other = WithFile({{"Target", "mode", "7"}});
  EXPECT_TRUE(other.frm.cursorPositionRadio.Checked());
}

TEST(SettingsTest, ButtonIndexOutsideTheItemsLeavesNoSelectionAndWritesMinusOne) {
  Form f = WithFile({{"Click", "button", "7"}});
  EXPECT_EQ(f.frm.buttonCombo.ItemIndex(), -1);
  f.frm.Destroy();
  EXPECT_EQ(f.profile.Get("Click", "button"), "-1");
}

TEST(SettingsTest, BothWindowOptionsStoredMinimizeWins) {
  Form f = WithFile({{"UI", "topMost", "1"}, {"UI", "minimizeOnStart", "1"}});
  EXPECT_TRUE(f.frm.minimizeToTrayCheck.Checked());
  EXPECT_FALSE(f.frm.alwaysOnTopCheck.Checked());
  EXPECT_FALSE(f.window.topMost);
}

TEST(SettingsTest, HotkeysFromTheFileReplaceTheDefaults) {
  Form f = WithFile({{"HotkeyStart", "vk", "65"}, {"HotkeyStart", "mod", "3"}});
  EXPECT_EQ(f.frm.hotkeysLabel.Text(),
            "Hotkeys \xE2\x80\x94 Start: Ctrl+Alt+A  |  Stop: Shift+Ctrl+X");
  bool found = false;
  for (auto& r : f.hotkeys.registered)
    if (r.id == 1001) found = r.vk == 65 && r.modifiers == (3 | 0x4000);
  EXPECT_TRUE(found);
  // Registered once with the defaults, then again with the file's values.
  EXPECT_EQ(std::count(f.hotkeys.log.begin(), f.hotkeys.log.end(), "register 1001"), 2);
}

TEST(SettingsTest, SelectionIsKeptForTheLibraryAndUnknownKeysStay) {
  Form f = WithFile({{"Macros", "selected", "2"}, {"Update", "server", "http://127.0.0.1:8000"}});
  f.frm.Destroy();
  EXPECT_EQ(f.profile.Get("Update", "server"), "http://127.0.0.1:8000");
}

TEST(SettingsTest, AFailedWriteNamesTheFile) {
  Form f;
  f.profile.failOnKey = "count";
  try {
    f.frm.SaveSettings();
    FAIL() << "no error";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()), std::string("Unable to write to ") + Form::kSettingsPath);
  }
  EXPECT_EQ(f.profile.Get("Click", "button"), "<missing>");  // later keys are not written
}

}  // namespace

namespace {

// The settings value on its own: a key that is missing or unreadable keeps the value the caller
// had, but the target mode, the repeat mode, "minimize" and the selection have fixed defaults.
TEST(SettingsFileTest, ReadsOverTheGivenValues) {
  fakes::Profile profile;
  fakes::Env env;
  env.profile = &profile;
  settings::SettingsFile file(profile, env);
  settings::Settings v;
  v.targetMode = 2;
  v.millis = 7;
  v.holdMs = 99;
  v.untilStopped = false;
  v.minimizeOnStart = true;
  v.selectedMacro = 3;
  EXPECT_FALSE(file.Read(v));  // no file yet
  EXPECT_EQ(v.targetMode, 2);

  profile.path = file.Path();
  profile.Set("Click", "holdMs", "250");
  profile.Set("Interval", "ms", "junk");
  ASSERT_TRUE(file.Read(v));
  EXPECT_EQ(v.holdMs, 250);
  EXPECT_EQ(v.millis, 7);
  EXPECT_EQ(v.targetMode, 0);
  EXPECT_TRUE(v.untilStopped);
  EXPECT_FALSE(v.minimizeOnStart);
  EXPECT_EQ(v.selectedMacro, -1);

  // What it writes reads back as it was.
  v.coordX = -5;
  v.stopHotkey = {0x75, 0};
  file.Write(v);
  settings::Settings back;
  ASSERT_TRUE(file.Read(back));
  EXPECT_EQ(back.coordX, -5);
  EXPECT_EQ(back.stopHotkey, (HotkeyData{0x75, 0}));
  EXPECT_EQ(back.holdMs, 250);
}

}  // namespace
