#pragma once
// The brightness panel's window: one row per display with a caption, a slider and the value in
// digits. The view draws what it is given and reports the user's input; it decides nothing.
#include <functional>
#include <string>
#include <vector>

namespace lumivane {

struct PanelRow {
  std::u16string caption;
  int value = 0; // 0..100
  bool operator==(const PanelRow&) const = default;
};

struct PanelContent {
  std::vector<PanelRow> rows;
  std::u16string emptyText; // the one line shown when there is no row
  int focus = 0;            // the row the keys act on
  bool operator==(const PanelContent&) const = default;
};

enum class PanelKey { Left, Right, Up, Down, PageUp, PageDown, Home, End, Tab, ShiftTab, Escape };

struct PanelEvents {
  // A click on a slider, or the pointer dragged with the button down: the value under it.
  std::function<void(int row, int value)> onSlide;
  // Wheel notches over a row: positive up, negative down (one per notch).
  std::function<void(int row, int notches)> onWheel;
  std::function<void(PanelKey key)> onKey;
  // The window went away by itself: a click elsewhere, or it lost the foreground.
  std::function<void()> onClosed;
};

class IPanelView {
 public:
  virtual ~IPanelView() = default;
  // Makes the window near the notification area and brings it to the foreground; false when it
  // cannot be made. The events are called on the main thread while the window exists.
  virtual bool Open(const PanelContent& content, PanelEvents events) = 0;
  // Redraws with new content; nothing when closed.
  virtual void Show(const PanelContent& content) = 0;
  // Destroys the window; no event follows.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
};

} // namespace lumivane
