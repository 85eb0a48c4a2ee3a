#pragma once
// A key combination as the program stores it: modifier bits and a key of its own numbering, read
// from and written as text such as "Ctrl+Alt+Up". The Windows adapter maps both to the system's.
#include <cstdint>
#include <optional>
#include <string>

namespace lumivane {

enum HotkeyModifier : uint8_t {
  kModCtrl = 1,
  kModAlt = 2,
  kModShift = 4,
  kModWin = 8,
};

// The keys a combination may end in. The order is the order of the name table in Hotkey.cpp.
enum class HotkeyKey : uint8_t {
  None,
  A,
  B,
  C,
  D,
  E,
  F,
  G,
  H,
  I,
  J,
  K,
  L,
  M,
  N,
  O,
  P,
  Q,
  R,
  S,
  T,
  U,
  V,
  W,
  X,
  Y,
  Z,
  D0,
  D1,
  D2,
  D3,
  D4,
  D5,
  D6,
  D7,
  D8,
  D9,
  F1,
  F2,
  F3,
  F4,
  F5,
  F6,
  F7,
  F8,
  F9,
  F10,
  F11,
  F12,
  F13,
  F14,
  F15,
  F16,
  F17,
  F18,
  F19,
  F20,
  F21,
  F22,
  F23,
  F24,
  Up,
  Down,
  Left,
  Right,
  PageUp,
  PageDown,
  Home,
  End,
  Insert,
  Delete,
  Space,
  Num0,
  Num1,
  Num2,
  Num3,
  Num4,
  Num5,
  Num6,
  Num7,
  Num8,
  Num9,
  NumAdd,
  NumSubtract,
  NumMultiply,
  NumDivide,
  NumDecimal,
  Count
};

struct Hotkey {
  uint8_t modifiers = 0; // HotkeyModifier bits
  HotkeyKey key = HotkeyKey::None;
  bool operator==(const Hotkey& o) const { return modifiers == o.modifiers && key == o.key; }
  bool operator!=(const Hotkey& o) const { return !(*this == o); }
};

// Modifiers, then one key, joined by "+", any letter case, blanks around the parts allowed.
// Nothing for empty text, a modifier given twice, no key, an unknown name or overlong text.
std::optional<Hotkey> ParseHotkey(const std::u16string& text);
// The canonical text: Ctrl, Alt, Shift, Win in this order, then the key ("Ctrl+Alt+PageDown").
// Empty for a hotkey without a key.
std::u16string HotkeyText(const Hotkey& hotkey);

} // namespace lumivane
