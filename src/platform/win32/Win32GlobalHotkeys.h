#pragma once
#include <windows.h>

#include <map>
#include <utility>

#include "platform/GlobalHotkeys.h"

namespace lumivane::win32 {

// The system's virtual-key code and MOD_ flags of a combination; 0 for a key without one.
UINT VirtualKeyOf(HotkeyKey key);
UINT ModifierFlagsOf(uint8_t modifiers);
// A virtual key with HOTKEYF_ flags (as the hotkey control reports them) as a combination; a key
// of no HotkeyKey gives HotkeyKey::None.
Hotkey HotkeyFromControl(WORD value);
// The other way round, for showing a combination in the hotkey control. The control has no
// Windows key: that modifier is left out.
WORD ControlValueOf(const Hotkey& hotkey);

// RegisterHotKey on the main window, without MOD_NOREPEAT: a held combination repeats, as a held
// wheel key would step on. Every hotkey is released when this goes.
class Win32GlobalHotkeys final : public IGlobalHotkeys {
 public:
  explicit Win32GlobalHotkeys(HWND window) : window_(window) {}
  ~Win32GlobalHotkeys() override;
  Win32GlobalHotkeys(const Win32GlobalHotkeys&) = delete;
  Win32GlobalHotkeys& operator=(const Win32GlobalHotkeys&) = delete;

  void SetHandler(Handler handler) override { handler_ = std::move(handler); }
  Result Register(int id, const Hotkey& hotkey) override;
  void Unregister(int id) override;

  // WM_HOTKEY of the main window. Any process can post one: only an id registered here counts.
  // True when the message was this adapter's.
  bool HandleMessage(UINT msg, WPARAM wParam);

 private:
  HWND window_;
  Handler handler_;
  std::map<int, Hotkey> registered_;
};

} // namespace lumivane::win32
