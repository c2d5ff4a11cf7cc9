// A progress bar model for the new-version dialog: a position in a fixed range and a visible
// flag. On Windows the dialog binds it to a msctls_progress32 control through its peer.
#pragma once

#include <algorithm>
#include <string>
#include <utility>

#include "ui/controls.h"

namespace update {

// What a bound native progress bar does when the model changes. Every method is optional.
class ProgressBarPeer {
 public:
  virtual ~ProgressBarPeer() = default;
  virtual void PeerSetPosition(int) {}
  virtual void PeerSetVisible(bool) {}
  // Paint now, without waiting for the message loop.
  virtual void PeerRepaint() {}
};

class ProgressBar {
 public:
  ProgressBar(int id, std::string name, ui::Bounds bounds, int min, int max)
      : id_(id), name_(std::move(name)), bounds_(bounds), min_(min), max_(max), position_(min) {}
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  int Id() const { return id_; }
  const std::string& Name() const { return name_; }
  const ui::Bounds& GetBounds() const { return bounds_; }
  int Min() const { return min_; }
  int Max() const { return max_; }

  int Position() const { return position_; }
  // Clamped to Min()..Max().
  void SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (position_ == position) return;
    position_ = position;
    if (peer_) peer_->PeerSetPosition(position_);
  }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    if (peer_) peer_->PeerSetVisible(visible_);
  }
  void Repaint() {
    if (peer_) peer_->PeerRepaint();
  }

  void Bind(ProgressBarPeer* peer) {
    peer_ = peer;
    if (!peer_) return;
    peer_->PeerSetPosition(position_);
    peer_->PeerSetVisible(visible_);
  }

 private:
  int id_;
  std::string name_;
  ui::Bounds bounds_;
  int min_;
  int max_;
  int position_;
  bool visible_ = true;
  ProgressBarPeer* peer_ = nullptr;
};

}  // namespace update
