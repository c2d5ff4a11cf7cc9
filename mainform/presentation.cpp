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

void MainForm::EnterCompactUi(const std::string& text) {
  if (!compactActive_) {
    savedBounds_ = svc_.Window->Bounds();
    savedCaption_ = svc_.Window->Caption();
    savedTopMost_ = alwaysOnTopCheck.Checked();
    compactActive_ = true;
  }
  const int height = svc_.Window->CaptionHeight() + 2 * svc_.Window->FrameHeight();
  const int width = std::max(savedBounds_.Width() / 2, kCompactMinWidth);
  const plat::Rect work = svc_.Window->WorkArea();
  statusPanel.SetVisible(false);
  const int left = work.Right - width - kCompactMargin;
  const int top = work.Bottom - height - kCompactMargin;
  const plat::Rect compact{left, top, left + width, top + height};
  svc_.Window->SetBounds(compact);
  svc_.Window->SetCaption("  " + text);
  svc_.Window->Show();
  svc_.Window->PlaceTopMost(compact);
}

void MainForm::SetCompactCaption(const std::string& text) {
  if (!compactActive_) return;
  svc_.Window->SetCaption("  " + text);
  svc_.Window->Repaint();
}

void MainForm::LeaveCompactUi() {
  if (!compactActive_) return;
  svc_.Window->SetTopMost(false);
  svc_.Window->SetBounds(savedBounds_);
  svc_.Window->SetCaption(savedCaption_);
  statusPanel.SetVisible(true);
  alwaysOnTopCheck.SetChecked(savedTopMost_);
  svc_.Window->SetTopMost(alwaysOnTopCheck.Checked());
  compactActive_ = false;
  svc_.Window->Show();
}

void MainForm::HideMainWindow() {
  svc_.Window->Hide();
}

void MainForm::RestoreMainWindow() {
  svc_.Window->Show();
}

void MainForm::ActivateMainWindow() {
  svc_.Window->Activate();
}

void MainForm::TrayIconClicked() {
  ActivateMainWindow();
}

void MainForm::AlwaysOnTopClicked() {
  if (minimizeToTrayCheck.Checked() && alwaysOnTopCheck.Checked())
    minimizeToTrayCheck.SetChecked(false);
  svc_.Window->SetTopMost(alwaysOnTopCheck.Checked());
}

void MainForm::MinimizeToTrayClicked() {
  if (minimizeToTrayCheck.Checked() && alwaysOnTopCheck.Checked())
    alwaysOnTopCheck.SetChecked(false);
}

std::string MainForm::AboutText(int year) {
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

void MainForm::AboutClicked() {
  svc_.Dialogs->Message(plat::MsgKind::Information, plat::MsgButtons::Ok,
                        AboutText(svc_.Env->LocalNow().Year));
}

void MainForm::WebsiteLinkClicked() {
  svc_.Shell->Open(product::kWebsite);
}

void MainForm::WebsiteLinkEntered() {
  websiteLink.SetUnderline(true);
}

void MainForm::WebsiteLinkLeft() {
  websiteLink.SetUnderline(false);
}
