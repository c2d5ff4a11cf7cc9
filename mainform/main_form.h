// The main window: its controls, its fields and every handler. Portable: the Win32 side binds
// the controls to real windows and forwards user actions; the unit tests drive it headless.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "clicker/click_run.h"
#include "clicker/input_synthesis.h"
#include "hotkeys/global_hotkeys.h"
#include "hotkeys/hotkey_data.h"
#include "mainform/form_window.h"
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
  plat::IMouseInput* Mouse = nullptr;
  plat::IClock* Clock = nullptr;
  plat::IRandom* Random = nullptr;
  plat::IDialogs* Dialogs = nullptr;
  plat::IShell* Shell = nullptr;
  ui::TimerDriver* Timers = nullptr;
  IFormWindow* Window = nullptr;
  plat::IHotkeys* Hotkeys = nullptr;
  plat::IProfile* Profile = nullptr;
  plat::IEnvironment* Env = nullptr;
  plat::IMouseHook* MouseHook = nullptr;
};

}  // namespace mainform

class TFrmMain : private macros::IPlaybackOutput,
                 private macros::IRecorderHost,
                 public clicker::IClickRunHost {
 public:
  explicit TFrmMain(const mainform::FormServices& services);
  ~TFrmMain() override;
  TFrmMain(const TFrmMain&) = delete;
  TFrmMain& operator=(const TFrmMain&) = delete;

  // Lifecycle.
  void FormCreate();
  void FormCloseQuery();  // closing is never refused
  void FormDestroy();
  // The Windows session ends (WM_ENDSESSION with wParam TRUE): the process may end without
  // FormDestroy, so a run is stopped, a recording saved and the settings written now.
  void FormEndSession();

  // Every control, for the Win32 binding (creation order is the tab order).
  const std::vector<ui::Control*>& AllControls() const { return controls_; }
  ui::Control* ControlById(int id) const;

  // Controls.
  ui::Button btnStart;
  ui::Button btnStop;
  ui::GroupBox GroupBox1;
  ui::RadioButton rbCurrentCursorPosition;
  ui::RadioButton rbCoordinates;
  ui::SpinEdit edtCoordX;
  ui::Label Label3;
  ui::SpinEdit edtCoordY;
  ui::RadioButton rbMacros;
  ui::Button btnCreateMacros;
  ui::Button bRemove;
  ui::Button bRename;
  ui::ListBox lbMacroses;
  ui::GroupBox grpInterval;
  ui::Label lblH;
  ui::Label lblM;
  ui::Label lblS;
  ui::Label lblMS;
  ui::SpinEdit seHours;
  ui::SpinEdit seMinutes;
  ui::SpinEdit seSeconds;
  ui::SpinEdit seMillis;
  ui::CheckBox chkJitter;
  ui::SpinEdit seJitterMs;
  ui::GroupBox grpClickType;
  ui::ComboBox cbButton;
  ui::ComboBox cbClickType;
  ui::Label lblHold;
  ui::SpinEdit seHoldMs;
  ui::GroupBox grpDelay;
  ui::Label lblDelayMs;
  ui::SpinEdit seStartDelaySS;
  ui::GroupBox grpClicks;
  ui::RadioButton rbUntilStopped;
  ui::RadioButton rbRepeatCount;
  ui::SpinEdit seRepeat;
  ui::GroupBox grpSafety;
  ui::CheckBox chkMinimizeToTrayOnStart;
  ui::CheckBox chkTopMost;
  ui::Label lblHotkeys;
  ui::Button Button1;
  ui::Panel Panel1;
  ui::Label Label1;
  ui::Label Label2;
  ui::Timer TimerDelay;

  // Control-state handlers.
  void rbCurrentCursorPositionClick();
  void rbCoordinatesClick();
  void rbMacrosClick();
  void rbRepeatCountClick();
  void rbUntilStoppedClick();
  void cbClickTypeChange();
  void chkJitterClick();

  // Run control.
  void StartRun();
  void StopRun(const std::string& text);
  int32_t BaseIntervalMs();
  void btnStartClick();
  void btnStopClick();
  void TimerDelayTimer();

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
  TRecordedMacro* SelectedMacro();
  // The same macro, shared: a playback keeps it alive even if it is removed meanwhile.
  std::shared_ptr<TRecordedMacro> SelectedMacroShared();
  void bRenameClick();
  void bRemoveClick();
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
  void TrayIcon1Click();
  void chkTopMostClick();
  void chkMinimizeToTrayOnStartClick();
  void Button1Click();
  void Label2Click();
  void Label2MouseEnter();
  void Label2MouseLeave();
  // The About box's text for a year.
  static std::string AboutText(int year);

  // Global hotkeys. WM_HOTKEY with the identifier in wParam.
  void WndProcHotkey(uintptr_t id);
  hotkeys::GlobalHotkeys& Hotkeys() { return hotkeys_; }

  // Settings file.
  std::string SettingsFilePath();
  int TargetModeIndex();
  // The controls and hotkeys as the settings file keeps them.
  settings::Settings CurrentSettings();
  void SaveSettings();
  void LoadSettings();

  // Macro recorder.
  void btnCreateMacrosClick();
  void BeginRecordCountdown();
  // The start-recording hotkey during the countdown.
  void BeginRecording();
  void FinishRecording(const std::string& reason);
  macros::MacroRecorder& Recorder() { return recorder_; }

  // Macro playback: the first event's offset counts from `leadMs` after now.
  void PlayMacroRuns(uint32_t leadMs = 0);

  // State, readable by tests and the Win32 side.
  bool FRunning = false;
  uint64_t FClicksDone = 0;
  bool FRecUiActive = false;
  // The settings were written at the end of the session; FormDestroy does not write them again.
  bool FSessionEndSaved = false;
  int32_t FPendingSelectedMacroIndex = -1;
  plat::Rect FRecUiSavedBounds;
  std::string FRecUiSavedCaption;
  bool FRecUiSavedTopMost = false;

 private:
  mainform::FormServices svc_;
  std::vector<ui::Control*> controls_;
  clicker::InputSynthesizer input_;
  clicker::ClickRun clickRun_;
  macros::MacroPlayer player_;
  settings::SettingsFile settingsFile_;
  hotkeys::GlobalHotkeys hotkeys_;
  macros::MacroLibrary library_;
  macros::MacroRecorder recorder_;
  void SetCaption(const std::string& caption);
  std::string RunningCaption();
  // "Started", or the warning when the window at `point` belongs to a program of a higher
  // integrity level, whose input Windows refuses.
  void ShowStartedFor(const plat::Point& point);
  void PlaybackEnded(macros::MacroPlayer::End end);
  // IPlaybackOutput
  bool Move(int32_t x, int32_t y) override { return input_.MoveTo(x, y); }
  bool Press(int32_t button) override { return input_.ButtonDown(button); }
  bool Release(int32_t button) override { return input_.ButtonUp(button); }
  // IClickRunHost
  void ClickDone() override { ++FClicksDone; }
  void ClickRunEnded(End end) override;
  // IRecorderHost
  void ShowRecorderBar(const std::string& caption) override { EnterCompactUi(caption); }
  void SetRecorderCaption(const std::string& caption) override { SetCompactCaption(caption); }
  void RecordingStarted() override { Label1.SetText("Recording macro..."); }
};
