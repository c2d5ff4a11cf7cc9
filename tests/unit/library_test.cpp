// The macro library over a real temporary folder: listing, the saved selection, Rename and
// Remove with their message boxes answered by the test.
#include <gtest/gtest.h>

#include <fstream>

#include "fakes.h"
#include "macros/macro_names.h"
#include "macros/recorded_macro.h"

namespace fs = std::filesystem;

namespace {

class LibraryTest : public ::testing::Test {
 protected:
  fs::path root;
  fs::path macros;
  std::unique_ptr<fakes::Form> f;

  void SetUp() override {
    root = fs::temp_directory_path() /
           ("zd-lib-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    macros = root / "JUX Zura Divudiv" / "Macros";
    fs::create_directories(macros);
  }
  void TearDown() override {
    f.reset();
    fs::remove_all(root);
  }
  void Write(const std::string& name, const std::string& content) {
    std::ofstream(macros / name, std::ios::binary) << content;
  }
  void WriteMacro(const std::string& file, const std::string& name) {
    Write(file, "\xEF\xBB\xBFName=" + name + "\r\nDurationMs=10\r\nE=5|0|1|2|-1\r\n");
  }
  // Starts the window on the folder, with an optional saved selection.
  MainForm& Start(int savedSelection = -100) {
    f = std::make_unique<fakes::Form>([&](fakes::Form& g) {
      g.env.realFiles = true;
      g.env.vars["APPDATA"] = root.string();
      if (savedSelection != -100) {
        const std::string path = (root / "JUX Zura Divudiv" / "settings.ini").string();
        g.profile.path = path;
        g.profile.Set("Macros", "selected", std::to_string(savedSelection));
        std::ofstream(path) << "[Macros]\n";
      }
    });
    f->frm.macrosRadio.UserClick();  // the library's buttons work with the macro target
    return f->frm;
  }
  std::vector<std::string> Listed() { return f->frm.macroList.Items(); }
  std::string Selected() {
    const int i = f->frm.macroList.ItemIndex();
    return i < 0 ? "<none>" : Listed()[static_cast<size_t>(i)];
  }
};

TEST_F(LibraryTest, ListsOnlyMacroFilesSortedByName) {
  WriteMacro("b.JUXMAC", "Bee");
  WriteMacro("a.juxmac", "Ay");
  Write("notes.txt", "Name=Notes\r\n");
  fs::create_directories(macros / "d.juxmac");
  WriteMacro("C.JuxMac", "Cee");
  Start();
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Ay", "Bee", "Cee"}));
  EXPECT_EQ(Selected(), "Ay");
  EXPECT_EQ(f->frm.Library().Macros()[1]->FileName(), (macros / "b.JUXMAC").string());
}

TEST_F(LibraryTest, UnreadableFilesAreSkippedSilently) {
  WriteMacro("a.juxmac", "Good");
  Write("b.juxmac", "Name=\xC3\x28\r\n");  // not UTF-8
  Start();
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Good"}));
  EXPECT_TRUE(f->dialogs.messages.empty());
  EXPECT_TRUE(fs::exists(macros / "b.juxmac"));
}

TEST_F(LibraryTest, EmptyFolderGivesNoSelectionAndStartAsksForAMacro) {
  MainForm& m = Start();
  EXPECT_EQ(Selected(), "<none>");
  m.macrosRadio.UserClick();
  m.startButton.UserClick();
  ASSERT_EQ(f->dialogs.messages.size(), 1u);
  EXPECT_EQ(f->dialogs.messages[0].text, "Please select a macro to play back.");
}

TEST_F(LibraryTest, MissingFolderIsCreated) {
  fs::remove_all(macros);
  Start();
  EXPECT_TRUE(fs::is_directory(macros));
}

TEST_F(LibraryTest, SavedSelection) {
  struct Case {
    int saved;
    const char* selected;
  } cases[] = {{2, "Three"}, {0, "One"}, {5, "One"}, {-1, "One"}, {7, "One"}};
  WriteMacro("1.juxmac", "One");
  WriteMacro("2.juxmac", "Two");
  WriteMacro("3.juxmac", "Three");
  for (const Case& c : cases) {
    Start(c.saved);
    EXPECT_EQ(Selected(), c.selected) << c.saved;
    EXPECT_EQ(f->frm.PendingSelection(), -1);
  }
  // The selection is written back by position.
  f->frm.macroList.UserSelect(1);
  f->frm.Destroy();
  EXPECT_EQ(f->profile.Get("Macros", "selected"), "1");
}

TEST_F(LibraryTest, SameNamesRestoreToTheUpperEntry) {
  WriteMacro("1.juxmac", "Twin");
  WriteMacro("2.juxmac", "twin");
  MainForm& m = Start();
  m.macroList.UserSelect(1);
  m.RefreshMacroList();
  EXPECT_EQ(m.macroList.ItemIndex(), 0);
}

TEST_F(LibraryTest, RenameWritesTheNewFileAndDeletesTheOld) {
  WriteMacro("2024-03-07_09.05.02.juxmac", "2024-03-07 09.05.02 (12.3s)");
  MainForm& m = Start();
  f->dialogs.inputs = {{true, "  Click test \t"}};
  m.renameMacroButton.UserClick();
  ASSERT_EQ(f->dialogs.inputPrompts.size(), 1u);
  EXPECT_EQ(f->dialogs.inputPrompts[0],
            "Rename macro|Enter new macro name:|2024-03-07 09.05.02 (12.3s)");
  EXPECT_FALSE(fs::exists(macros / "2024-03-07_09.05.02.juxmac"));
  ASSERT_TRUE(fs::exists(macros / "Click test.juxmac"));
  auto back = RecordedMacro::LoadFromFile((macros / "Click test.juxmac").string());
  EXPECT_EQ(back->Name(), "Click test");
  EXPECT_EQ(back->DurationMs(), 10u);
  EXPECT_EQ(back->Events().size(), 1u);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Click test"}));
  EXPECT_EQ(Selected(), "Click test");
  EXPECT_EQ(m.statusLabel.Text(), "Macro renamed.");
}

TEST_F(LibraryTest, RenameKeepsTheDisplayNameAndSanitisesTheFileName) {
  WriteMacro("x.juxmac", "x");
  MainForm& m = Start();
  f->dialogs.inputs = {{true, "a:b?"}};
  m.renameMacroButton.UserClick();
  EXPECT_TRUE(fs::exists(macros / "a_b_.juxmac"));
  EXPECT_EQ(Selected(), "a:b?");
}

TEST_F(LibraryTest, RenameToTheFilesStemRewritesInPlace) {
  WriteMacro("2024-03-07_09.05.02.juxmac", "2024-03-07 09.05.02 (12.3s)");
  MainForm& m = Start();
  f->dialogs.inputs = {{true, "2024-03-07_09.05.02"}};
  m.renameMacroButton.UserClick();
  auto back = RecordedMacro::LoadFromFile((macros / "2024-03-07_09.05.02.juxmac").string());
  EXPECT_EQ(back->Name(), "2024-03-07_09.05.02");
  EXPECT_EQ(m.statusLabel.Text(), "Macro renamed.");
}

// A change of letter case is a rename: the file keeps its place and gets the new name.
TEST_F(LibraryTest, RenameToTheSameNameButForCase) {
  WriteMacro("abc.juxmac", "abc");
  MainForm& m = Start();
  f->dialogs.inputs = {{true, "ABC"}};
  m.renameMacroButton.UserClick();
  EXPECT_EQ(m.statusLabel.Text(), "Macro renamed.");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"ABC"}));
  EXPECT_EQ(RecordedMacro::LoadFromFile((macros / "abc.juxmac").string())->Name(), "ABC");
}

// The new name is taken only once its file is written: a failed write changes nothing.
TEST_F(LibraryTest, ARenameThatCannotWriteKeepsTheOldName) {
  WriteMacro("abc.juxmac", "abc");
  MainForm& m = Start();
  fs::create_directories(macros / "new.juxmac");  // a folder where the file should go
  f->dialogs.inputs = {{true, "new"}};
  EXPECT_THROW(m.renameMacroButton.UserClick(), std::exception);
  EXPECT_EQ(m.Library().Macros()[0]->Name(), "abc");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"abc"}));
  EXPECT_TRUE(fs::exists(macros / "abc.juxmac"));
}

TEST(MacroFileNameTest, NamesWindowsCannotUse) {
  struct Case {
    std::string stem;
    bool usable;
  } cases[] = {{"CON", false},
               {"con", false},
               {"Nul", false},
               {"aux.x", false},
               {"PRN  .txt", false},
               {"COM1", false},
               {"lpt9", false},
               {"COM\xC2\xB9", false},
               {"COM", true},
               {"COM10", true},
               {"CONSOLE", true},
               {"my con", true},
               {"x.CON", true},
               {std::string(200, 'a'), true},
               {std::string(201, 'a'), false},
               // 200 characters of two bytes each are still 200 characters.
               {[] {
                  std::string s;
                  for (int i = 0; i < 200; ++i) s += "\xC3\xA9";
                  return s;
                }(),
                true}};
  for (const Case& c : cases) EXPECT_EQ(MacroFileNameProblem(c.stem).empty(), c.usable) << c.stem;
}

TEST_F(LibraryTest, RenameRefusals) {
  struct Case {
    std::vector<std::pair<bool, std::string>> inputs;
    const char* message;  // nullptr: no message at all
  } cases[] = {
      {{{false, "whatever"}}, nullptr},                                    // cancelled
      {{{true, " \t "}}, "Macro name cannot be empty."},                   // blanks only
      {{{true, "abc"}}, nullptr},                                          // the same name
      {{{true, "other"}}, "A macro file with this name already exists."},  // another macro's file
      {{{true, "plain"}}, "A macro file with this name already exists."},  // any other file
      // Names that Windows cannot use for a file.
      {{{true, "con"}},
       "\"con\" is a name that Windows keeps for a device: it cannot be the name of a macro "
       "file."},
      {{{true, "LPT1.list"}},
       "\"LPT1\" is a name that Windows keeps for a device: it cannot be the name of a macro "
       "file."},
      {{{true, std::string(201, 'n')}},
       "The name is too long for a file name: at most 200 characters."},
  };
  WriteMacro("abc.juxmac", "abc");
  WriteMacro("other.juxmac", "Other");
  Write("plain.juxmac", "");
  for (const Case& c : cases) {
    MainForm& m = Start();
    m.macroList.UserSelect(0);
    ASSERT_EQ(Selected(), "abc");
    f->dialogs.inputs = {c.inputs.begin(), c.inputs.end()};
    m.renameMacroButton.UserClick();
    if (c.message) {
      ASSERT_EQ(f->dialogs.messages.size(), 1u) << c.inputs[0].second;
      EXPECT_EQ(f->dialogs.messages[0].text, c.message);
      EXPECT_EQ(f->dialogs.messages[0].kind, plat::MsgKind::Warning);
    } else {
      EXPECT_TRUE(f->dialogs.messages.empty()) << c.inputs[0].second;
    }
    EXPECT_EQ(m.Library().Macros()[0]->Name(), "abc");
    EXPECT_EQ(m.statusLabel.Text(), "Ready");
    EXPECT_TRUE(fs::exists(macros / "abc.juxmac"));
  }
}

TEST_F(LibraryTest, RenameAndRemoveWithNothingSelected) {
  MainForm& m = Start();
  m.RemoveMacroClicked();
  EXPECT_TRUE(f->dialogs.messages.empty());
  m.RenameMacroClicked();
  ASSERT_EQ(f->dialogs.messages.size(), 1u);
  EXPECT_EQ(f->dialogs.messages[0].text, "Please select a macro first.");
  EXPECT_EQ(f->dialogs.messages[0].kind, plat::MsgKind::Information);
}

TEST_F(LibraryTest, RemoveAsksDeletesAndClearsTheSelection) {
  WriteMacro("a.juxmac", "A");
  WriteMacro("b.juxmac", "B");
  MainForm& m = Start();
  f->dialogs.answers = {plat::MsgResult::No};
  m.removeMacroButton.UserClick();
  EXPECT_EQ(f->dialogs.messages.back().text, "Delete selected macro?");
  EXPECT_EQ(f->dialogs.messages.back().kind, plat::MsgKind::Confirmation);
  EXPECT_TRUE(fs::exists(macros / "a.juxmac"));
  EXPECT_EQ(Listed().size(), 2u);
  EXPECT_EQ(Selected(), "A");

  f->dialogs.answers = {plat::MsgResult::Yes};
  m.removeMacroButton.UserClick();
  EXPECT_FALSE(fs::exists(macros / "a.juxmac"));
  EXPECT_EQ(Listed(), (std::vector<std::string>{"B"}));
  EXPECT_EQ(Selected(), "<none>");
  EXPECT_EQ(m.statusLabel.Text(), "Selected macro removed.");
  m.startButton.UserClick();
  EXPECT_EQ(f->dialogs.messages.back().text, "Please select a macro to play back.");
}

TEST_F(LibraryTest, RemoveAMacroWhoseFileIsAlreadyGone) {
  WriteMacro("a.juxmac", "A");
  MainForm& m = Start();
  fs::remove(macros / "a.juxmac");
  m.removeMacroButton.UserClick();
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ(m.statusLabel.Text(), "Selected macro removed.");
}

TEST_F(LibraryTest, RemoveWithTheSameNameSelectsTheTwin) {
  WriteMacro("a.juxmac", "Twin");
  WriteMacro("b.juxmac", "Twin");
  MainForm& m = Start();
  m.removeMacroButton.UserClick();
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Twin"}));
  EXPECT_EQ(m.macroList.ItemIndex(), 0);
}

// A folder that cannot be listed is reported once and the window still comes up whole.
TEST_F(LibraryTest, UnlistableFolderIsReportedAndCreationGoesOn) {
  fs::remove_all(macros);
  std::ofstream(macros) << "a file where the folder should be";
  MainForm& m = Start();
  ASSERT_EQ(f->dialogs.messages.size(), 1u);
  EXPECT_EQ(f->dialogs.messages[0].kind, plat::MsgKind::Error);
  EXPECT_NE(f->dialogs.messages[0].text.find("Macros"), std::string::npos);
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ(m.hotkeysLabel.Text(),
            "Hotkeys \xE2\x80\x94 Start: Shift+Ctrl+S  |  Stop: Shift+Ctrl+X");
}

}  // namespace
