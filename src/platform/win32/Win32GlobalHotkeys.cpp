#include "platform/win32/Win32GlobalHotkeys.h"

#include <commctrl.h>

namespace lumivane::win32 {

namespace {

using K = HotkeyKey;

struct KeyRange {
  K first, last;
  UINT firstVk;
};
// Runs of keys whose virtual-key codes follow each other.
constexpr KeyRange kRanges[] = {
    {K::A, K::Z, 'A'}, {K::D0, K::D9, '0'}, {K::F1, K::F24, VK_F1}, {K::Num0, K::Num9, VK_NUMPAD0}};

constexpr struct {
  K key;
  UINT vk;
} kSingles[] = {{K::Up, VK_UP},
                {K::Down, VK_DOWN},
                {K::Left, VK_LEFT},
                {K::Right, VK_RIGHT},
                {K::PageUp, VK_PRIOR},
                {K::PageDown, VK_NEXT},
                {K::Home, VK_HOME},
                {K::End, VK_END},
                {K::Insert, VK_INSERT},
                {K::Delete, VK_DELETE},
                {K::Space, VK_SPACE},
                {K::NumAdd, VK_ADD},
                {K::NumSubtract, VK_SUBTRACT},
                {K::NumMultiply, VK_MULTIPLY},
                {K::NumDivide, VK_DIVIDE},
                {K::NumDecimal, VK_DECIMAL}};

} // namespace

UINT VirtualKeyOf(HotkeyKey key) {
  const int k = static_cast<int>(key);
  for (const KeyRange& r : kRanges)
    if (k >= static_cast<int>(r.first) && k <= static_cast<int>(r.last))
      return r.firstVk + static_cast<UINT>(k - static_cast<int>(r.first));
  for (const auto& s : kSingles)
    if (s.key == key) return s.vk;
  return 0;
}

UINT ModifierFlagsOf(uint8_t modifiers) {
  UINT flags = 0;
  if (modifiers & kModCtrl) flags |= MOD_CONTROL;
  if (modifiers & kModAlt) flags |= MOD_ALT;
  if (modifiers & kModShift) flags |= MOD_SHIFT;
  if (modifiers & kModWin) flags |= MOD_WIN;
  return flags;
}

Hotkey HotkeyFromControl(WORD value) {
  const UINT vk = LOBYTE(value);
  const BYTE flags = HIBYTE(value);
  Hotkey hotkey;
  if (flags & HOTKEYF_CONTROL) hotkey.modifiers |= kModCtrl;
  if (flags & HOTKEYF_ALT) hotkey.modifiers |= kModAlt;
  if (flags & HOTKEYF_SHIFT) hotkey.modifiers |= kModShift;
  for (const KeyRange& r : kRanges)
    if (vk >= r.firstVk && vk <= r.firstVk + (static_cast<UINT>(r.last) - static_cast<UINT>(r.first)))
      hotkey.key = static_cast<K>(static_cast<UINT>(r.first) + (vk - r.firstVk));
  for (const auto& s : kSingles)
    if (s.vk == vk) hotkey.key = s.key;
  return hotkey;
}

WORD ControlValueOf(const Hotkey& hotkey) {
  const UINT vk = VirtualKeyOf(hotkey.key);
  if (vk == 0) return 0;
  BYTE flags = 0;
  if (hotkey.modifiers & kModCtrl) flags |= HOTKEYF_CONTROL;
  if (hotkey.modifiers & kModAlt) flags |= HOTKEYF_ALT;
  if (hotkey.modifiers & kModShift) flags |= HOTKEYF_SHIFT;
  // The arrows and the block above them are extended keys; without the flag the control names
  // them after the number pad.
  for (K extended : {K::Up, K::Down, K::Left, K::Right, K::PageUp, K::PageDown, K::Home, K::End, K::Insert,
                     K::Delete, K::NumDivide})
    if (hotkey.key == extended) flags |= HOTKEYF_EXT;
  return MAKEWORD(static_cast<BYTE>(vk), flags);
}

Win32GlobalHotkeys::~Win32GlobalHotkeys() {
  for (const auto& [id, hotkey] : registered_)
    ::UnregisterHotKey(window_, id);
}

IGlobalHotkeys::Result Win32GlobalHotkeys::Register(int id, const Hotkey& hotkey) {
  Unregister(id);
  const UINT vk = VirtualKeyOf(hotkey.key);
  if (id < 1 || id > 0xBFFF || vk == 0 || !window_) return Result::Failed;
  if (!::RegisterHotKey(window_, id, ModifierFlagsOf(hotkey.modifiers), vk))
    return ::GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED ? Result::Taken : Result::Failed;
  registered_[id] = hotkey;
  return Result::Registered;
}

void Win32GlobalHotkeys::Unregister(int id) {
  if (registered_.erase(id) != 0) ::UnregisterHotKey(window_, id);
}

bool Win32GlobalHotkeys::HandleMessage(UINT msg, WPARAM wParam) {
  if (msg != WM_HOTKEY) return false;
  if (wParam > 0xBFFF) return true;
  const int id = static_cast<int>(wParam);
  if (registered_.count(id) == 0) return true;
  // The handler may change the registrations while it runs.
  Handler handler = handler_;
  if (handler) handler(id);
  return true;
}

} // namespace lumivane::win32
