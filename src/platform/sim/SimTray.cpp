#include "platform/sim/SimTray.h"

#include <utility>

namespace lumivane {

SimTray::~SimTray() {
  if (icon_) icons_.DestroyIcon(icon_);
}

void SimTray::Replace(IconHandle icon, Image image) {
  if (icon_) icons_.DestroyIcon(icon_);
  icon_ = icon;
  current_ = std::move(image);
  history_.push_back(current_);
}

bool SimTray::SetIcon(IconHandle icon, const std::u16string& tip) {
  const SimIconPainter::Icon* drawn = icons_.Find(icon);
  if (!drawn) return false;
  // Only a shown icon asks the shell, so only then can the change be refused.
  if (visible_ && failSetIcon_ > 0) {
    --failSetIcon_;
    return false;
  }
  Replace(icon, Image{false, tip, drawn->painting.font.height});
  return true;
}

void SimTray::ShowApplicationIcon() {
  Replace(0, Image{});
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
  // A shell that cannot tell says so whether or not the icon is there.
  if (rectResult_ == RectResult::NotImplemented) return rectResult_;
  // Windows fails for an icon its notification area does not hold, shown or not.
  if (!inShell_) return RectResult::Failed;
  if (rectResult_ == RectResult::Ok) rect = rect_;
  return rectResult_;
}

} // namespace lumivane
