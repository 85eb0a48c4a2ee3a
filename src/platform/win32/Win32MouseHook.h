#pragma once
#include <windows.h>

#include "platform/MouseHook.h"
#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

// The WH_MOUSE_LL hook of the main thread. The system calls it through this thread's message
// loop, so the handler runs on the main thread. One hook and one handler at a time.
class Win32MouseHook final : public IMouseHook {
 public:
  Win32MouseHook() = default;
  ~Win32MouseHook() override;
  Win32MouseHook(const Win32MouseHook&) = delete;
  Win32MouseHook& operator=(const Win32MouseHook&) = delete;

  uintptr_t Install(Handler handler) override;
  void Remove(uintptr_t hook) override;
  bool CursorPos(Point& where) const override;

 private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;

  UniqueHhook hook_;
  Handler handler_;
};

} // namespace lumivane::win32
