#include <cstdint>
#include <cstdlib>

#include "controller/MainForm.h"

namespace lumivane {

void TController::TrayIcon1MouseMove() {
  Point where;
  if (platform_.mouseHook->CursorPos(where)) {
    lastTrayPoint_ = where;
    trayPointKnown_ = true;
  }
  if (RunState <= 0) return;
  // The pointer moved over the icon since the last notification, so a live hook saw that
  // movement before the shell told us. A hook that saw nothing was dropped by the system
  // (it missed its time-out while the main thread was blocked): install it again.
  if (MouseHook != 0 && !hookSawEvent_) UnHook();
  hookSawEvent_ = false;
  if (MouseHook != 0) return;
  MouseHook = platform_.mouseHook->Install([this](int code, uint32_t message, uint32_t mouseData) {
    return WheelHookProc(code, message, mouseData);
  });
}

IMouseHook::Verdict TController::WheelHookProc(int code, uint32_t message, uint32_t mouseData) {
  hookSawEvent_ = true;
  if (code != 0) return IMouseHook::Verdict::Pass;
  if (RunState <= 0 || !ifovericon()) {
    UnHook();
    return IMouseHook::Verdict::Pass;
  }
  if (message != IMouseHook::kWheelMessage) return IMouseHook::Verdict::Pass;
  const int16_t delta = static_cast<int16_t>(static_cast<uint16_t>(mouseData >> 16));
  if (delta < 0) WriteCommand(u"s", -1);
  if (delta > 0) WriteCommand(u"s", 1);
  // The step is carried out by a pass right after the hook returns, not at the next tick.
  if (delta != 0) platform_.host->RequestPass();
  return IMouseHook::Verdict::Swallow;
}

bool TController::ifovericon() {
  Point p;
  if (!platform_.mouseHook->CursorPos(p)) return false;
  Rect r;
  switch (platform_.tray->IconRect(r)) {
  case ITray::RectResult::Ok: {
    // Both far edges count as on the icon.
    const int64_t x = p.x, y = p.y;
    return r.left <= x && x <= int64_t{r.left} + r.width && r.top <= y && y <= int64_t{r.top} + r.height;
  }
  case ITray::RectResult::NotImplemented:
    return NearLastTrayPoint(p);
  case ITray::RectResult::Failed:
  default:
    return false;
  }
}

// For shells that cannot tell the icon's rectangle (Wine): the pointer counts as on the icon
// while it stays within one small-icon size of where the last tray notification saw it.
bool TController::NearLastTrayPoint(Point where) const {
  if (!trayPointKnown_) return false;
  const Size icon = platform_.textMetrics->SmallIconSize();
  const int64_t dx = std::llabs(int64_t{where.x} - lastTrayPoint_.x);
  const int64_t dy = std::llabs(int64_t{where.y} - lastTrayPoint_.y);
  return dx <= icon.width && dy <= icon.height;
}

void TController::UnHook() {
  if (MouseHook == 0) return;
  const uintptr_t hook = MouseHook;
  MouseHook = 0;
  platform_.mouseHook->Remove(hook);
}

void TController::TrayIcon1Click() {
  WriteFreshCommand(u"n", 1);
}

void TController::WriteCommand(const char16_t* letter, int value) {
  if (!Root) return;
  TAssoc& cmd = Root->Items(u"cmd");
  uint64_t stamp = NowUnixMs();
  while (cmd.IsSet(Variant(stamp)) && cmd.Items(Variant(stamp)).IsSet(u"z"))
    ++stamp;
  cmd.Items(Variant(stamp)).Items(letter) = Variant::Narrow(value);
}

} // namespace lumivane
