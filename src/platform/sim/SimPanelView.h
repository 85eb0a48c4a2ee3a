#pragma once
// The panel window: records what it showed and lets a test act as the user would.
#include "platform/PanelView.h"

namespace lumivane {

class SimPanelView final : public IPanelView {
 public:
  bool Open(const PanelContent& content, PanelEvents events) override;
  void Show(const PanelContent& content) override;
  void Close() override;
  bool IsOpen() const override { return open_; }

  // The next Open fails, as a window that cannot be made.
  void FailNextOpen() { failOpen_ = true; }
  const PanelContent& Shown() const { return shown_; }
  int Opens() const { return opens_; }
  // Redraws while open, the first drawing included.
  int Draws() const { return draws_; }

  // The user: the view reports input only while the window exists.
  void Slide(int row, int value);
  void Wheel(int row, int notches);
  void Key(PanelKey key);
  // A click elsewhere or another window taking the foreground.
  void LoseForeground();

 private:
  bool open_ = false;
  bool failOpen_ = false;
  PanelContent shown_;
  PanelEvents events_;
  int opens_ = 0;
  int draws_ = 0;
};

} // namespace lumivane
