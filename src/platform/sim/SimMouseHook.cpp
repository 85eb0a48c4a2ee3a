#include "platform/sim/SimMouseHook.h"

#include <utility>

namespace lumivane {

uintptr_t SimMouseHook::Install(Handler handler) {
  if (failInstalls_ > 0) {
    --failInstalls_;
    return 0;
  }
  handler_ = std::move(handler);
  current_ = next_++;
  ++installs_;
  return current_;
}

void SimMouseHook::Remove(uintptr_t hook) {
  // Removing a hook the system already dropped does nothing, as UnhookWindowsHookEx fails then.
  if (hook == 0 || hook != current_) return;
  current_ = 0;
  ++removals_;
}

bool SimMouseHook::CursorPos(Point& where) const {
  if (!cursorKnown_) return false;
  where = cursor_;
  return true;
}

IMouseHook::Verdict SimMouseHook::Send(int code, uint32_t message, uint32_t mouseData) {
  if (current_ == 0 || !handler_) return Verdict::Pass;
  ++delivered_;
  // The handler may remove the hook while it runs; the copy keeps it alive until it returns.
  Handler handler = handler_;
  return handler(code, message, mouseData);
}

void SimMouseHook::Drop() {
  current_ = 0;
}

} // namespace lumivane
