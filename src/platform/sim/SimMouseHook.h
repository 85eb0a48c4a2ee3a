#pragma once
// A system-wide mouse hook as the test's desktop has it: one hook at a time, events delivered by
// the test, and a platform that may drop the hook without telling anyone.
#include <cstdint>

#include "platform/MouseHook.h"

namespace lumivane {

class SimMouseHook final : public IMouseHook {
 public:
  uintptr_t Install(Handler handler) override;
  void Remove(uintptr_t hook) override;
  bool CursorPos(Point& where) const override;

  // Delivers one event to the installed hook and returns its verdict; without a hook the event
  // goes on unseen (Pass).
  Verdict Send(int code, uint32_t message, uint32_t mouseData);
  // One wheel event: delta in the high word of the mouse data, as the system packs it.
  Verdict Wheel(int delta) { return Send(0, kWheelMessage, static_cast<uint32_t>(delta) << 16); }
  // The system removes the hook silently, as Windows does with one that missed its time-out.
  void Drop();
  // The next count installs are refused.
  void FailInstalls(int count) { failInstalls_ = count; }

  void SetCursor(Point where, bool known = true) {
    cursor_ = where;
    cursorKnown_ = known;
  }
  bool Installed() const { return current_ != 0; }
  int Installs() const { return installs_; } // successful ones
  int Removals() const { return removals_; } // of the live hook
  int Delivered() const { return delivered_; }

 private:
  Handler handler_;
  uintptr_t current_ = 0;
  uintptr_t next_ = 0x100;
  int failInstalls_ = 0;
  int installs_ = 0, removals_ = 0, delivered_ = 0;
  Point cursor_;
  bool cursorKnown_ = true;
};

} // namespace lumivane
