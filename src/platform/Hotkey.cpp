#include "platform/Hotkey.h"

#include <iterator>

namespace lumivane {

namespace {

// Longer than any combination of the four modifiers and the longest key name, with blanks.
constexpr size_t kMaxTextLength = 64;

constexpr struct {
  const char* name;
  uint8_t bit;
} kModifiers[] = {{"Ctrl", kModCtrl}, {"Alt", kModAlt}, {"Shift", kModShift}, {"Win", kModWin}};

// Further names people write for the same thing; they read, but are never written.
constexpr struct {
  const char* name;
  uint8_t bit;
} kModifierAliases[] = {{"Control", kModCtrl}, {"Windows", kModWin}};

constexpr size_t kKeyCount = static_cast<size_t>(HotkeyKey::Count);

// The canonical name of each key, indexed by HotkeyKey.
const char* const kKeyNames[] = {
    "",     "A",      "B",           "C",           "D",         "E",         "F",      "G",      "H",
    "I",    "J",      "K",           "L",           "M",         "N",         "O",      "P",      "Q",
    "R",    "S",      "T",           "U",           "V",         "W",         "X",      "Y",      "Z",
    "0",    "1",      "2",           "3",           "4",         "5",         "6",      "7",      "8",
    "9",    "F1",     "F2",          "F3",          "F4",        "F5",        "F6",     "F7",     "F8",
    "F9",   "F10",    "F11",         "F12",         "F13",       "F14",       "F15",    "F16",    "F17",
    "F18",  "F19",    "F20",         "F21",         "F22",       "F23",       "F24",    "Up",     "Down",
    "Left", "Right",  "PageUp",      "PageDown",    "Home",      "End",       "Insert", "Delete", "Space",
    "Num0", "Num1",   "Num2",        "Num3",        "Num4",      "Num5",      "Num6",   "Num7",   "Num8",
    "Num9", "NumAdd", "NumSubtract", "NumMultiply", "NumDivide", "NumDecimal"};
static_assert(std::size(kKeyNames) == kKeyCount, "one name per key");

constexpr struct {
  const char* name;
  HotkeyKey key;
} kKeyAliases[] = {{"PgUp", HotkeyKey::PageUp},    {"PgDn", HotkeyKey::PageDown},
                   {"Ins", HotkeyKey::Insert},     {"Del", HotkeyKey::Delete},
                   {"NumPlus", HotkeyKey::NumAdd}, {"NumMinus", HotkeyKey::NumSubtract}};

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Only ASCII letters fold: a name with any other character matches nothing.
bool SameName(const std::u16string& text, const char* name) {
  size_t i = 0;
  for (; name[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    if (LowerAscii(text[i]) != LowerAscii(static_cast<char16_t>(static_cast<unsigned char>(name[i]))))
      return false;
  }
  return i == text.size();
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

std::u16string Trimmed(const std::u16string& text, size_t from, size_t to) {
  while (from < to && IsBlank(text[from]))
    ++from;
  while (to > from && IsBlank(text[to - 1]))
    --to;
  return text.substr(from, to - from);
}

std::optional<uint8_t> ModifierOf(const std::u16string& part) {
  for (const auto& m : kModifiers)
    if (SameName(part, m.name)) return m.bit;
  for (const auto& m : kModifierAliases)
    if (SameName(part, m.name)) return m.bit;
  return std::nullopt;
}

HotkeyKey KeyOf(const std::u16string& part) {
  for (size_t i = 1; i < kKeyCount; ++i)
    if (SameName(part, kKeyNames[i])) return static_cast<HotkeyKey>(i);
  for (const auto& k : kKeyAliases)
    if (SameName(part, k.name)) return k.key;
  return HotkeyKey::None;
}

} // namespace

std::optional<Hotkey> ParseHotkey(const std::u16string& text) {
  if (text.empty() || text.size() > kMaxTextLength) return std::nullopt;
  Hotkey hotkey;
  size_t start = 0;
  for (;;) {
    const size_t plus = text.find(u'+', start);
    const bool last = plus == std::u16string::npos;
    const std::u16string part = Trimmed(text, start, last ? text.size() : plus);
    if (part.empty()) return std::nullopt;
    if (last) {
      hotkey.key = KeyOf(part);
      if (hotkey.key == HotkeyKey::None) return std::nullopt;
      return hotkey;
    }
    const std::optional<uint8_t> bit = ModifierOf(part);
    if (!bit || (hotkey.modifiers & *bit) != 0) return std::nullopt;
    hotkey.modifiers |= *bit;
    start = plus + 1;
  }
}

std::u16string HotkeyText(const Hotkey& hotkey) {
  const auto index = static_cast<size_t>(hotkey.key);
  if (hotkey.key == HotkeyKey::None || index >= kKeyCount) return {};
  std::u16string text;
  auto append = [&text](const char* name) {
    for (; *name != '\0'; ++name)
      text += static_cast<char16_t>(*name);
  };
  for (const auto& m : kModifiers) {
    if ((hotkey.modifiers & m.bit) == 0) continue;
    append(m.name);
    text += u'+';
  }
  append(kKeyNames[index]);
  return text;
}

} // namespace lumivane
