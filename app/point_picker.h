// The cover that picks a point: a nearly transparent top-most window over the whole virtual
// desktop with a cross-hair cursor, and a small label beside the pointer with its coordinates.
// A left click picks the point; Esc, a right click or another window coming to the front
// cancels. Both clicks end on the cover: nothing reaches the windows below it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "mainform/form_dialogs.h"

namespace win {

class PointPicker : public mainform::IPointPicker {
 public:
  PointPicker() = default;
  ~PointPicker() override;
  PointPicker(const PointPicker&) = delete;
  PointPicker& operator=(const PointPicker&) = delete;

  bool Begin(std::function<void(std::optional<plat::Point>)> done) override;
  void Cancel() override;

  // The cover's window class, for tests and tools.
  static constexpr wchar_t kCoverClass[] = L"PickPointCover";

 private:
  static LRESULT CALLBACK CoverProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  static LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  LRESULT OnCoverMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept;
  // Puts the label beside the pointer with its coordinates.
  void FollowPointer() noexcept;
  // Takes the cover and the label away, then reports.
  void Finish(std::optional<plat::Point> point) noexcept;
  void DestroyWindows() noexcept;

  HWND cover_ = nullptr;
  HWND label_ = nullptr;
  HFONT font_ = nullptr;
  RECT desk_{};
  bool leftDown_ = false;
  bool rightDown_ = false;
  bool wasActive_ = false;
  POINT pressedAt_{};
  std::function<void(std::optional<plat::Point>)> done_;
};

}  // namespace win
