#include "platform/sim/SimGlobalHotkeys.h"

namespace lumivane {

IGlobalHotkeys::Result SimGlobalHotkeys::Register(int id, const Hotkey& hotkey) {
  Unregister(id);
  if (id < 1 || id > 0xBFFF || hotkey.key == HotkeyKey::None) return Result::Failed;
  if (failRegistrations_ > 0) {
    --failRegistrations_;
    return Result::Failed;
  }
  // The system refuses a combination any window holds, this process's other ids included.
  if (elsewhere_.count(Key(hotkey)) != 0) return Result::Taken;
  for (const auto& [other, held] : registered_)
    if (held == hotkey) return Result::Taken;
  registered_[id] = hotkey;
  ++registrations_;
  return Result::Registered;
}

void SimGlobalHotkeys::Unregister(int id) {
  registered_.erase(id);
}

bool SimGlobalHotkeys::Press(const Hotkey& hotkey) {
  for (const auto& [id, held] : registered_) {
    if (held != hotkey) continue;
    // The handler may change the registrations while it runs.
    Handler handler = handler_;
    if (handler) handler(id);
    return true;
  }
  return false;
}

} // namespace lumivane
