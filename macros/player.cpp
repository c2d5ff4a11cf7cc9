// Macro playback: the selected macro's events sent again at their recorded pace, once, a
// number of times or until stopped, on the user-interface thread.
#include <array>
#include <string>

#include "mainform/main_form.h"

namespace {
constexpr uint32_t kHideSettleMs = 250;
}

void TFrmMain::ReleasePlaybackButtons() {
  for (int32_t b = 0; b < 3; ++b)
    if (FPlaybackHeld[static_cast<size_t>(b)]) {
      FPlaybackHeld[static_cast<size_t>(b)] = false;
      MouseButtonUp(b);
    }
}

void TFrmMain::BeginMacroPlayback() {
  if (chkMinimizeToTrayOnStart.Checked() && svc_.Window->IsVisible()) {
    HideMainWindow();
    svc_.Window->ProcessMessages();
    svc_.Clock->Sleep(kHideSettleMs);
  }
  PlayMacroRuns();
}

void TFrmMain::PlayMacroRuns() {
  // Held by the playback: removing it from the library meanwhile does not free it.
  const std::shared_ptr<TRecordedMacro> macro = SelectedMacroShared();
  if (!macro) {
    StopRun("No macro selected.");
    return;
  }
  const bool untilStopped = rbUntilStopped.Checked();
  const int32_t count = seRepeat.Value();
  const uint64_t serial = FRunSerial;
  // A stopped playback ends at its next check, even when a new run has already set the flags
  // again inside one of its message pumps.
  auto active = [&] { return FRunning && !FStopPlaybackRequested && FRunSerial == serial; };
  // Buttons pressed and not yet released are released whenever the playback ends (StopRun
  // releases them first when a stop ends it), so that no button is left down.
  auto& held = FPlaybackHeld;

  svc_.Clock->BeginPrecise();
  int32_t runsBegun = 0;
  try {
    while (active()) {
      ++runsBegun;
      uint32_t previousOffset = 0;
      // Waits are measured against one clock from the start of the run, so the time spent
      // sending input and handling messages does not add up over the events.
      uint64_t due = svc_.Clock->NowMicros();
      for (const TMacroMouseEvent& e : macro->Events()) {
        svc_.Window->ProcessMessages();
        if (!active()) break;
        if (e.DeltaMs > previousOffset) {
          due += uint64_t{e.DeltaMs - previousOffset} * 1000;
          svc_.Clock->SleepUntilMicros(due);
        }
        previousOffset = e.DeltaMs;
        switch (e.Kind) {
          case TMacroEventKind::mekMove:
            MoveMouseAbsolute(e.X, e.Y);
            break;
          case TMacroEventKind::mekDown:
            MoveMouseAbsolute(e.X, e.Y);
            MouseButtonDown(e.Button);
            if (e.Button >= 0 && e.Button < 3) held[static_cast<size_t>(e.Button)] = true;
            break;
          case TMacroEventKind::mekUp:
            MoveMouseAbsolute(e.X, e.Y);
            MouseButtonUp(e.Button);
            if (e.Button >= 0 && e.Button < 3) held[static_cast<size_t>(e.Button)] = false;
            break;
          default:
            break;  // unknown kinds keep their time and send nothing
        }
      }
      if (!active()) break;
      ++FClicksDone;
      svc_.Window->ProcessMessages();
      if (!untilStopped && runsBegun >= count) break;
    }
  } catch (...) {
    ReleasePlaybackButtons();
    svc_.Clock->EndPrecise();
    throw;
  }
  ReleasePlaybackButtons();
  svc_.Clock->EndPrecise();
  if (FRunSerial == serial && !FStopPlaybackRequested && FRunning) {
    StopRun((rbRepeatCount.Checked() ? "Completed macro repeat count. Runs done: "
                                     : "Macro playback stopped. Runs done: ") +
            std::to_string(FClicksDone));
  }
}
