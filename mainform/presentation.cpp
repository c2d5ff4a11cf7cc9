// How the main window presents itself: the compact running bar, hiding to the notification
// area, always-on-top, the About box and the website link.
#include <algorithm>
#include <string>

#include "mainform/main_form.h"
#include "product/product.h"

namespace {
constexpr int kCompactMinWidth = 200;
constexpr int kCompactMargin = 16;
}  // namespace

void TFrmMain::EnterCompactUi(const std::string& text) {
  if (!FRecUiActive) {
    FRecUiSavedBounds = svc_.Window->Bounds();
    FRecUiSavedCaption = svc_.Window->Caption();
    FRecUiSavedTopMost = chkTopMost.Checked();
    FRecUiActive = true;
  }
  const int height = svc_.Window->CaptionHeight() + 2 * svc_.Window->FrameHeight();
  const int width = std::max(FRecUiSavedBounds.Width() / 2, kCompactMinWidth);
  const plat::Rect work = svc_.Window->WorkArea();
  Panel1.SetVisible(false);
  const int left = work.Right - width - kCompactMargin;
  const int top = work.Bottom - height - kCompactMargin;
  const plat::Rect compact{left, top, left + width, top + height};
  svc_.Window->SetBounds(compact);
  svc_.Window->SetCaption("  " + text);
  svc_.Window->Show();
  svc_.Window->PlaceTopMost(compact);
}

void TFrmMain::SetCompactCaption(const std::string& text) {
  if (!FRecUiActive) return;
  svc_.Window->SetCaption("  " + text);
  svc_.Window->Repaint();
}

void TFrmMain::LeaveCompactUi() {
  if (!FRecUiActive) return;
  svc_.Window->SetTopMost(false);
  svc_.Window->SetBounds(FRecUiSavedBounds);
  svc_.Window->SetCaption(FRecUiSavedCaption);
  Panel1.SetVisible(true);
  chkTopMost.SetChecked(FRecUiSavedTopMost);
  svc_.Window->SetTopMost(chkTopMost.Checked());
  FRecUiActive = false;
  svc_.Window->Show();
}

void TFrmMain::HideMainWindow() {
  svc_.Window->Hide();
}

void TFrmMain::RestoreMainWindow() {
  svc_.Window->Show();
}

void TFrmMain::ActivateMainWindow() {
  svc_.Window->Activate();
}

void TFrmMain::TrayIcon1Click() {
  ActivateMainWindow();
}

void TFrmMain::chkTopMostClick() {
  if (chkMinimizeToTrayOnStart.Checked() && chkTopMost.Checked())
    chkMinimizeToTrayOnStart.SetChecked(false);
  svc_.Window->SetTopMost(chkTopMost.Checked());
}

void TFrmMain::chkMinimizeToTrayOnStartClick() {
  if (chkMinimizeToTrayOnStart.Checked() && chkTopMost.Checked()) chkTopMost.SetChecked(false);
}

std::string TFrmMain::AboutText(int year) {
  const char* lines[] = {
      product::kTitle,
      nullptr,  // version
      "",
      "An automatic mouse clicker and mouse macro recorder.",
      nullptr,  // website
      "",
      "This program is provided \"as is\", without warranty of any kind.",
      "You use it at your own risk. Automate only programs, games and",
      "web sites whose rules allow automated input. No part of it may",
      "be sold or redistributed without the rights holder's permission.",
      "",
      nullptr,  // ownership
  };
  std::string text;
  for (size_t i = 0; i < std::size(lines); ++i) {
    if (i) text += "\r\n";
    if (i == 1)
      text += std::string("Version: ") + product::kVersionText;
    else if (i == 4)
      text += std::string("Website: ") + product::kWebsiteHost;
    else if (i == 11)
      text += "Copyright \xC2\xA9 " + std::to_string(year) + " Zura Divudiv. All rights reserved.";
    else
      text += lines[i];
  }
  return text;
}

void TFrmMain::Button1Click() {
  svc_.Dialogs->Message(plat::MsgKind::Information, plat::MsgButtons::Ok,
                        AboutText(svc_.Env->LocalNow().Year));
}

void TFrmMain::Label2Click() {
  svc_.Shell->Open(product::kWebsite);
}

void TFrmMain::Label2MouseEnter() {
  Label2.SetUnderline(true);
}

void TFrmMain::Label2MouseLeave() {
  Label2.SetUnderline(false);
}
