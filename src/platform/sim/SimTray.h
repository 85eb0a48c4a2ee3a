#pragma once
// The notification-area icon: visible or not, and the image it shows.
#include <string>
#include <vector>

#include "platform/Tray.h"

namespace lumivane {

class SimTray final : public ITray {
 public:
  struct Image {
    bool applicationIcon = true;
    std::u16string text;
    int fontHeight = 0;
    bool operator==(const Image&) const = default;
  };

  void ShowText(const std::u16string& text, int fontHeight) override;
  void ShowApplicationIcon() override;
  void SetVisible(bool visible) override;
  bool IsVisible() const override { return visible_; }
  bool Refresh() override;
  void OnTaskbarCreated() override;
  RectResult IconRect(Rect& rect) override;

  // What IconRect answers while the icon is shown: its rectangle, or how the shell fails.
  void SetIconRect(Rect rect, RectResult result = RectResult::Ok) {
    rect_ = rect;
    rectResult_ = result;
  }
  // The shell restarts: its new notification area holds no icon until told.
  void RestartShell() { inShell_ = false; }
  bool InShell() const { return inShell_; }
  int Refreshes() const { return refreshes_; } // images sent to the shell again

  const Image& Current() const { return current_; }
  const std::vector<Image>& History() const { return history_; } // every image drawn, in order
  int Adds() const { return adds_; } // times the icon entered the notification area
  int Removals() const { return removals_; }

 private:
  bool visible_ = false;
  Image current_;
  std::vector<Image> history_;
  int adds_ = 0, removals_ = 0;
  bool inShell_ = false;
  int refreshes_ = 0;
  Rect rect_;
  RectResult rectResult_ = RectResult::Ok;
};

} // namespace lumivane
