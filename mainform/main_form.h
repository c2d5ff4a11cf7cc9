// The main window: it owns the controls, applies the rules that enable them, turns control
// events and hotkeys into calls on the subsystems (the clicking run, the macro library,
// recorder and player, the global hotkeys, the settings file) and shows what they report on
// the status line, the compact bar and the tray. Portable: the Win32 side binds the controls to
// real windows and forwards user actions; the unit tests drive it headless.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clicker/click_run.h"
#include "clicker/hand_check.h"
#include "clicker/input_synthesis.h"
#include "hotkeys/global_hotkeys.h"
#include "hotkeys/hotkey_data.h"
#include "mainform/command_line.h"
#include "mainform/form_dialogs.h"
#include "mainform/form_window.h"
#include "mainform/tray_menu.h"
#include "platform/input_events.h"
#include "platform/platform.h"
#include "ui/controls.h"

#include "macros/macro_library.h"
#include "macros/macro_player.h"
#include "macros/macro_recorder.h"
#include "macros/recorded_macro.h"
#include "settings/settings.h"

namespace mainform {

// The operating-system services the window uses. All must outlive the window.
struct FormServices {
  plat::IInput* Input = nullptr;
  plat::IClock* Clock = nullptr;
  plat::IRandom* Random = nullptr;
  plat::IDialogs* Dialogs = nullptr;
  plat::IShell* Shell = nullptr;
  ui::TimerDriver* Timers = nullptr;
  IFormWindow* Window = nullptr;
  plat::IHotkeys* Hotkeys = nullptr;
  plat::IProfile* Profile = nullptr;
  plat::IEnvironment* Env = nullptr;
  // The recorder's hooks, on their input thread; stamped with Clock.
  plat::IInputEventSource* InputEvents = nullptr;
  IHotkeyDialog* HotkeyDialog = nullptr;
  IPointPicker* PointPicker = nullptr;
};

}  // namespace mainform

class MainForm : private macros::IPlaybackOutput,
                 private macros::IRecorderHost,
                 public clicker::IClickRunHost {
 public:
  explicit MainForm(const mainform::FormServices& services);
  ~MainForm() override;
  MainForm(const MainForm&) = delete;
  MainForm& operator=(const MainForm&) = delete;

  // Lifecycle.
  void Create();
  void Closing();  // closing is never refused
  void Destroy();
  // The Windows session ends (WM_ENDSESSION with wParam TRUE): the process may end without
  // Destroy, so a run is stopped, a recording saved and the settings written now.
  void SessionEnding();

  // Every control, for the Win32 binding (creation order is the tab order).
  const std::vector<ui::Control*>& AllControls() const { return controls_; }
  ui::Control* ControlById(int id) const;

  // Controls.
  ui::Button startButton;
  ui::Button stopButton;
  ui::GroupBox targetGroup;
  ui::RadioButton cursorPositionRadio;
  ui::RadioButton coordinatesRadio;
  ui::SpinEdit coordXEdit;
  ui::Label coordSeparatorLabel;
  ui::SpinEdit coordYEdit;
  ui::Button pickButton;
  ui::RadioButton macrosRadio;
  ui::Button createMacroButton;
  ui::Button removeMacroButton;
  ui::Button renameMacroButton;
  ui::ListBox macroList;
  ui::CheckBox recordKeysCheck;
  ui::Label speedLabel;
  ui::SpinEdit speedEdit;
  ui::GroupBox intervalGroup;
  ui::Label hoursLabel;
  ui::Label minutesLabel;
  ui::Label secondsLabel;
  ui::Label millisecondsLabel;
  ui::SpinEdit hoursEdit;
  ui::SpinEdit minutesEdit;
  ui::SpinEdit secondsEdit;
  ui::SpinEdit millisecondsEdit;
  ui::CheckBox jitterCheck;
  ui::SpinEdit jitterEdit;
  ui::GroupBox clickTypeGroup;
  ui::ComboBox buttonCombo;
  ui::ComboBox clickTypeCombo;
  ui::Label holdLabel;
  ui::SpinEdit holdEdit;
  ui::GroupBox startDelayGroup;
  ui::Label startDelayLabel;
  ui::SpinEdit startDelayEdit;
  ui::GroupBox repeatGroup;
  ui::RadioButton untilStoppedRadio;
  ui::RadioButton repeatCountRadio;
  ui::SpinEdit repeatCountEdit;
  ui::GroupBox additionalGroup;
  ui::CheckBox minimizeToTrayCheck;
  ui::CheckBox alwaysOnTopCheck;
  ui::CheckBox stopOnMouseMoveCheck;
  ui::Label hotkeysLabel;
  ui::Button hotkeysButton;
  ui::Button aboutButton;
  ui::Panel statusPanel;
  ui::Label statusLabel;
  ui::Label websiteLink;

  // Control-state handlers.
  void CursorPositionClicked();
  void CoordinatesClicked();
  void MacrosClicked();
  void RepeatCountClicked();
  void UntilStoppedClicked();
  void ClickTypeChanged();
  void JitterClicked();

  // Run control.
  void StartRun();
  void StopRun(const std::string& text);
  int32_t BaseIntervalMs();
  void StartClicked();
  void StopClicked();
  void StartDelayElapsed();
  // The start delay's timer, armed from Start until the delay has passed.
  const ui::Timer& StartDelayTimer() const { return startDelayTimer_; }

  // What a tick of a clicking run does, as the controls say now.
  clicker::ClickPlan CurrentClickPlan() override;
  plat::Point ClickTargetPoint();
  clicker::ClickRun& ClickRun() { return clickRun_; }

  // The macro library.
  void LoadMacroLibrary();
  // The list shows the library's names, keeping the selected name selected.
  void RefreshMacroList();
  void SelectMacroNamed(const std::string& name);
  macros::MacroLibrary& Library() { return library_; }
  // The macro selected in the list box, or none; the library keeps owning it.
  RecordedMacro* SelectedMacro();
  // The same macro, shared: a playback keeps it alive even if it is removed meanwhile.
  std::shared_ptr<RecordedMacro> SelectedMacroShared();
  void RenameMacroClicked();
  void RemoveMacroClicked();
  void BeginMacroPlayback();

  // Window presentation.
  void EnterCompactUi(const std::string& text);
  void SetCompactCaption(const std::string& text);
  void LeaveCompactUi();
  void HideMainWindow();
  // Shows the window again at the end of a run without taking the focus from the user's window.
  void RestoreMainWindow();
  // Shows, restores and activates the window: the user asked for it.
  void ActivateMainWindow();
  void TrayIconClicked();
  // The notification icon's menu: its items as they stand now (Start only where a start could
  // be, Stop only while something runs).
  std::vector<mainform::TrayMenuItem> TrayMenu() const;
  // The menu opens and closes. While it is open a run sends nothing (in cursor mode a click would
  // pick an item); a recording leaves out what the user does from its opening on.
  void TrayMenuOpening();
  void TrayMenuClosed();
  // A command of the menu (ids::trayStart to ids::trayExit), whenever it comes; false for any
  // other identifier.
  bool TrayCommand(int id);
  // A modal window of the program is open: a message or input box, the hotkey dialog, the cover
  // that picks a point.
  bool ModalOpen() const { return modalOpen_ > 0 || picking_; }
  // Input is going out (the system may deliver messages meanwhile).
  bool SendingInput() const { return input_.Sending(); }
  void AlwaysOnTopClicked();
  void MinimizeToTrayClicked();
  void AboutClicked();
  void WebsiteLinkClicked();
  void WebsiteLinkEntered();
  void WebsiteLinkLeft();
  // The About box's text for a year.
  static std::string AboutText(int year);

  // The command line, this copy's own or one that a later copy handed over: --tray hides the
  // window, --stop ends what is active, --play selects its macro, takes the Macros target (and
  // the repeat count of --repeat) and starts it, --start starts a run.
  void RunCommand(const mainform::Command& command);

  // Global hotkeys. WM_HOTKEY with the identifier in wParam.
  void HotkeyPressed(uintptr_t id);
  // The hotkey dialog, and what its OK does with the user's choice: the reason it cannot be
  // taken, or empty when it was registered, shown and saved.
  void HotkeysClicked();
  std::string ApplyHotkeyChoice(const hotkeys::HotkeyChoice& choice);
  // The coordinates of a point the user picks on the screen.
  void PickClicked();
  hotkeys::GlobalHotkeys& Hotkeys() { return hotkeys_; }

  // Settings file.
  std::string SettingsFilePath();
  int TargetModeIndex();
  // The controls and hotkeys as the settings file keeps them.
  settings::Settings CurrentSettings();
  void SaveSettings();
  void LoadSettings();

  // Macro recorder.
  void CreateMacroClicked();
  void BeginRecordCountdown();
  // The start-recording hotkey during the countdown.
  void BeginRecording();
  // `stopChord`: the hotkey that ended the recording, whose keys are left out of it.
  void FinishRecording(const std::string& reason, const HotkeyData* stopChord = nullptr);
  macros::MacroRecorder& Recorder() { return recorder_; }

  // Macro playback: the first event's offset counts from `leadMs` after now.
  void PlayMacroRuns(uint32_t leadMs = 0);

  // A clicking run or a playback is under way (from StartRun to StopRun).
  bool Running() const { return running_; }
  // The run under way, or the one being started, plays a macro: the window's Macros target, or
  // a playback of the command line whatever the window's target.
  bool PlaysMacro() const { return commandPlayback_.has_value() || macrosRadio.Checked(); }
  // Clicks of a clicking run, or whole runs of a playback, since the run started.
  uint64_t ClicksDone() const { return clicksDone_; }
  // The window is the compact bar of a run or a recording.
  bool CompactActive() const { return compactActive_; }
  // The macro list's selection from the settings file, until the library is loaded.
  int32_t PendingSelection() const { return pendingSelection_; }

 private:
  ui::Timer startDelayTimer_{1000};
  // A stop that came while input was going out, carried out once it is out.
  ui::Timer deferredStopTimer_{1};
  std::string deferredStopText_;
  bool running_ = false;
  uint64_t clicksDone_ = 0;
  // A playback that the command line asked for (--play, --repeat): its macro and repeat count
  // are its own, so the window's target, selection and repeat choice (and the settings file)
  // stay the user's. Set from its start to the end of that run.
  struct CommandPlayback {
    std::shared_ptr<RecordedMacro> macro;
    std::optional<int32_t> repeat;
  };
  std::optional<CommandPlayback> commandPlayback_;
  bool compactActive_ = false;
  // The settings were written at the end of the session; Destroy does not write them again.
  bool savedAtSessionEnd_ = false;
  // During the end of the session: what could not be written in its place and where it went
  // instead, for the next start's status line.
  std::vector<std::string>* sessionNotes_ = nullptr;
  int32_t pendingSelection_ = -1;
  // The window as it was before the compact bar.
  plat::Rect savedBounds_;
  std::string savedCaption_;
  bool savedTopMost_ = false;

  // Modal windows of the program that are open; the pick cover counts while it covers.
  int modalOpen_ = 0;
  bool picking_ = false;
  // The tray menu opened at this tick during a recording: a recording's end from the menu
  // leaves out what came from then on.
  std::optional<uint64_t> trayCutMicros_;
  mainform::FormServices svc_;
  mainform::ModalDialogs dialogs_;
  std::vector<ui::Control*> controls_;
  clicker::InputSynthesizer input_;
  clicker::ClickRun clickRun_;
  clicker::HandCheck handCheck_;
  macros::MacroPlayer player_;
  settings::SettingsFile settingsFile_;
  hotkeys::GlobalHotkeys hotkeys_;
  macros::MacroLibrary library_;
  macros::MacroRecorder recorder_;
  void SetCaption(const std::string& caption);
  std::string RunningCaption();
  // "Runs done: N" for a playback, "Clicks done: N" for a clicking run.
  std::string DoneText() const;
  // The macro that a playback starting now plays: the command line's, or the selected one.
  std::shared_ptr<RecordedMacro> MacroToPlay();
  // Whether the stop hotkey is registered; when it is not, says so in a message box.
  bool StopHotkeyWorks();
  void ShowHotkeys();
  // "Started", or the warning when the window at `point` belongs to a program of a higher
  // integrity level, whose input Windows refuses.
  void ShowStartedFor(const plat::Point& point);
  void PlaybackEnded(macros::MacroPlayer::End end);
  // At the end of the session: a recording that could not be saved in the macro folder goes to
  // the temporary folder; the note of it is added to the session's notes.
  void SaveRecordingElsewhere(RecordedMacro& macro, const std::string& error);
  // The note that the last session's end left in the temporary folder, on the status line.
  void ShowSessionEndNote();
  // IPlaybackOutput
  bool Move(int32_t x, int32_t y) override { return input_.MoveTo(x, y); }
  bool Press(int32_t x, int32_t y, int32_t button) override {
    return input_.ButtonDown(button, plat::Point{x, y});
  }
  bool Release(int32_t x, int32_t y, int32_t button) override {
    return input_.ButtonUp(button, plat::Point{x, y});
  }
  bool ReleaseHere(int32_t button) override { return input_.ButtonUp(button); }
  bool Wheel(int32_t x, int32_t y, int32_t delta, bool horizontal) override {
    return input_.Wheel(delta, horizontal, plat::Point{x, y});
  }
  bool KeyDown(int32_t key) override { return input_.KeyDown(key); }
  bool KeyUp(int32_t key) override { return input_.KeyUp(key); }
  // IClickRunHost
  void ClickDone() override { ++clicksDone_; }
  void ClickRefused() override { --clicksDone_; }
  void ClickRunEnded(End end) override;
  // IRecorderHost
  void ShowRecorderBar(const std::string& caption) override { EnterCompactUi(caption); }
  void SetRecorderCaption(const std::string& caption) override { SetCompactCaption(caption); }
  void RecordingStarted() override { statusLabel.SetText("Recording macro..."); }
};
