// The main window: its controls, its fields and every handler. Portable: the Win32 side binds
// the controls to real windows and forwards user actions; the unit tests drive it headless.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hotkeys/hotkey_data.h"
#include "mainform/form_window.h"
#include "platform/platform.h"
#include "ui/controls.h"

class TRecordedMacro;

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
};

}  // namespace mainform

class TFrmMain {
 public:
  explicit TFrmMain(const mainform::FormServices& services);
  ~TFrmMain();
  TFrmMain(const TFrmMain&) = delete;
  TFrmMain& operator=(const TFrmMain&) = delete;

  // Lifecycle.
  void FormCreate();
  void FormCloseQuery();  // closing is never refused
  void FormDestroy();
  void LoadSettings();

  // Every control, for the Win32 binding (creation order is the tab order).
  const std::vector<ui::Control*>& AllControls() const { return controls_; }
  ui::Control* ControlById(int id) const;
  std::vector<ui::Timer*> AllTimers() { return {&TimerClick, &TimerDelay}; }

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
  ui::Timer TimerClick;
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
  void ArmClickTimer();
  void btnStartClick();
  void btnStopClick();
  void TimerDelayTimer();
  void TimerClickTimer();

  // Mouse input synthesis.
  plat::Point ClickTargetPoint();
  void PerformClickAction(plat::Point point);
  void MoveMouseAbsolute(int32_t x, int32_t y);
  void MouseButtonDown(int32_t button);
  void MouseButtonUp(int32_t button);
  void ClickOnce(int32_t button);
  void DoubleClick(int32_t button);

  // The macro selected in the list box, or none.
  TRecordedMacro* SelectedMacro();
  void BeginMacroPlayback();

  // Window presentation.
  void EnterCompactUi(const std::string& text);
  void SetCompactCaption(const std::string& text);
  void LeaveCompactUi();
  void HideMainWindow();
  void RestoreMainWindow();

  // State, readable by tests and the Win32 side.
  bool FRunning = false;
  uint64_t FClicksDone = 0;
  bool FStopPlaybackRequested = false;
  bool FRecording = false;
  bool FWaitingForRecordStart = false;
  bool FRecUiActive = false;
  int32_t FPendingSelectedMacroIndex = -1;
  bool FHasLastRecordedPoint = false;
  THotkeyData FStartHK;
  THotkeyData FStpHK;
  THotkeyData FStartMacrosHK;

 private:
  mainform::FormServices svc_;
  std::vector<ui::Control*> controls_;
  void SetCaption(const std::string& caption);
  std::string RunningCaption();
};

// Maps a virtual-screen pixel to SendInput's normalised 0..65535 range so that the system
// maps it back to the same pixel.
int32_t ToAbsoluteCoord(int32_t value, int32_t origin, int32_t size);
