#include "platform/sim/SimTray.h"

namespace lumivane {

void SimTray::ShowText(const std::u16string& text, int fontHeight) {
  current_ = Image{false, text, fontHeight};
  history_.push_back(current_);
}

void SimTray::ShowApplicationIcon() {
  current_ = Image{};
  history_.push_back(current_);
}

void SimTray::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  inShell_ = visible;
  ++(visible ? adds_ : removals_);
}

bool SimTray::Refresh() {
  if (!inShell_) return false;
  ++refreshes_;
  return true;
}

void SimTray::OnTaskbarCreated() {
  if (visible_ && !inShell_) {
    inShell_ = true;
    ++adds_;
  }
}

ITray::RectResult SimTray::IconRect(Rect& rect) {
  if (!visible_) return RectResult::Failed; // the shell knows no such icon
  if (rectResult_ == RectResult::Ok) rect = rect_;
  return rectResult_;
}

} // namespace lumivane
