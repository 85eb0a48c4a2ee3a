#pragma once
#include <cstdint>
#include <functional>

#include "platform/Geometry.h"

namespace lumivane {

// A system-wide low-level mouse hook. Events arrive on the installing (main) thread through
// its message loop; the handler decides whether the event goes on to the next hook.
class IMouseHook {
 public:
  enum class Verdict { Pass, Swallow };
  static constexpr uint32_t kWheelMessage = 0x020A; // WM_MOUSEWHEEL

  // code: the hook code (0 = HC_ACTION); message: the mouse message; mouseData: for wheel
  // events the signed delta in its high word.
  using Handler = std::function<Verdict(int code, uint32_t message, uint32_t mouseData)>;

  virtual ~IMouseHook() = default;
  // A handle for Remove, or 0 when the system refused.
  virtual uintptr_t Install(Handler handler) = 0;
  virtual void Remove(uintptr_t hook) = 0;
  // The pointer in screen coordinates; false when the system cannot tell.
  virtual bool CursorPos(Point& where) const = 0;
};

} // namespace lumivane
