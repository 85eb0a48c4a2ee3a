#include "platform/win32/Win32MouseHook.h"

#include <utility>

#include "platform/win32/Win32Host.h"

namespace lumivane::win32 {

namespace {
// The hook procedure gets no context pointer; it finds the adapter here. Main thread only.
Win32MouseHook* current = nullptr;
} // namespace

Win32MouseHook::~Win32MouseHook() {
  hook_.reset();
  if (current == this) current = nullptr;
}

uintptr_t Win32MouseHook::Install(Handler handler) {
  hook_.reset();
  handler_ = std::move(handler);
  current = this;
  hook_.reset(::SetWindowsHookExW(WH_MOUSE_LL, HookProc, ::GetModuleHandleW(nullptr), 0));
  return reinterpret_cast<uintptr_t>(hook_.get());
}

void Win32MouseHook::Remove(uintptr_t hook) {
  // The handler stays: Remove may be called from inside it.
  if (hook != 0 && hook == reinterpret_cast<uintptr_t>(hook_.get())) hook_.reset();
}

bool Win32MouseHook::CursorPos(Point& where) const {
  POINT p{};
  if (!::GetCursorPos(&p)) return false;
  where = Point{p.x, p.y};
  return true;
}

LRESULT CALLBACK Win32MouseHook::HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  // Negative codes go straight on, unprocessed, as the hook contract asks.
  if (code >= 0 && current && current->handler_ && lParam) {
    try {
      const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
      // A copy: the handler may remove the hook, or install another, while it runs.
      Handler handler = current->handler_;
      if (handler(code, static_cast<uint32_t>(wParam), static_cast<uint32_t>(event->mouseData)) ==
          Verdict::Swallow)
        return 1;
    } catch (...) {
      ReportCallbackFailure(L"mouse hook");
    }
  }
  // The hook handle argument is ignored by the system; the hook may already be gone here.
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace lumivane::win32
