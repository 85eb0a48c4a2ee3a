#pragma once
// The notification-area icon: visible or not, the image it owns and shows, and the shell's
// answer for its rectangle.
#include <string>
#include <vector>

#include "platform/Tray.h"
#include "platform/sim/SimIconPainter.h"

namespace lumivane {

class SimTray final : public ITray {
 public:
  struct Image {
    bool applicationIcon = true;
    std::u16string text; // the tip, which is the text drawn
    int fontHeight = 0;  // the height the icon was painted with
    bool operator==(const Image&) const = default;
  };

  // Icons come from and go back to icons.
  explicit SimTray(SimIconPainter& icons) : icons_(icons) {}
  ~SimTray() override;
  SimTray(const SimTray&) = delete;
  SimTray& operator=(const SimTray&) = delete;

  bool SetIcon(IconHandle icon, const std::u16string& tip) override;
  void ShowApplicationIcon() override;
  void SetVisible(bool visible) override;
  bool IsVisible() const override { return visible_; }
  bool Refresh() override;
  void OnTaskbarCreated() override;
  RectResult IconRect(Rect& rect) override;

  // What IconRect answers while the icon is shown: its rectangle, or how the shell fails.
  void SetIconRect(Rect rect, RectResult result = RectResult::Ok) { SetIconRect(result, rect); }
  void SetIconRect(RectResult result, Rect rect = {}) {
    rectResult_ = result;
    rect_ = rect;
  }
  // The next count SetIcon calls while visible fail as a refused NIM_MODIFY would.
  void FailSetIcon(int count = 1) { failSetIcon_ = count; }
  // The shell restarts: its new notification area holds no icon until told.
  void RestartShell() { inShell_ = false; }
  bool InShell() const { return inShell_; }

  const Image& Current() const { return current_; }
  IconHandle CurrentIcon() const { return icon_; }               // 0 while the application icon shows
  const std::vector<Image>& History() const { return history_; } // every image drawn, in order
  int Adds() const { return adds_; } // times the icon entered the notification area
  int Removals() const { return removals_; }
  int Refreshes() const { return refreshes_; } // images sent to the shell again

 private:
  void Replace(IconHandle icon, Image image);

  SimIconPainter& icons_;
  bool visible_ = false;
  IconHandle icon_ = 0;
  Image current_;
  std::vector<Image> history_;
  int failSetIcon_ = 0;
  RectResult rectResult_ = RectResult::Ok;
  Rect rect_{1000, 740, 16, 16};
  int adds_ = 0, removals_ = 0, refreshes_ = 0;
  bool inShell_ = false;
};

} // namespace lumivane
