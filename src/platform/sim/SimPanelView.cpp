#include "platform/sim/SimPanelView.h"

#include <utility>

namespace lumivane {

bool SimPanelView::Open(const PanelContent& content, PanelEvents events) {
  if (failOpen_) {
    failOpen_ = false;
    return false;
  }
  open_ = true;
  ++opens_;
  events_ = std::move(events);
  shown_ = PanelContent{};
  Show(content);
  return true;
}

void SimPanelView::Show(const PanelContent& content) {
  if (!open_) return;
  shown_ = content;
  ++draws_;
}

void SimPanelView::Close() {
  open_ = false;
  events_ = PanelEvents{};
}

void SimPanelView::Slide(int row, int value) {
  // A copy: the handler may close the window, which drops the events.
  auto fn = open_ ? events_.onSlide : nullptr;
  if (fn) fn(row, value);
}

void SimPanelView::Wheel(int row, int notches) {
  auto fn = open_ ? events_.onWheel : nullptr;
  if (fn) fn(row, notches);
}

void SimPanelView::Key(PanelKey key) {
  auto fn = open_ ? events_.onKey : nullptr;
  if (fn) fn(key);
}

void SimPanelView::LoseForeground() {
  if (!open_) return;
  PanelEvents events = std::move(events_);
  Close();
  if (events.onClosed) events.onClosed();
}

} // namespace lumivane
