#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Win32GlobalHotkeys.h"

namespace lumivane::win32 {
namespace {

// A plain message-only window of this thread; the adapter is given its messages by the test.
struct MessageWindow {
  MessageWindow() {
    window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  }
  ~MessageWindow() {
    if (window) ::DestroyWindow(window);
  }
  HWND window = nullptr;
};

TEST(Win32GlobalHotkeys, TheKeyTableMapsEveryKeyBothWays) {
  for (int k = 1; k < static_cast<int>(HotkeyKey::Count); ++k) {
    const Hotkey hotkey{kModCtrl | kModAlt | kModShift, static_cast<HotkeyKey>(k)};
    ASSERT_NE(VirtualKeyOf(hotkey.key), 0u) << k;
    EXPECT_EQ(HotkeyFromControl(ControlValueOf(hotkey)), hotkey) << k;
  }
  struct Case {
    HotkeyKey key;
    UINT vk;
  };
  const Case cases[] = {{HotkeyKey::A, 'A'},           {HotkeyKey::D9, '9'},
                        {HotkeyKey::F24, VK_F24},      {HotkeyKey::PageDown, VK_NEXT},
                        {HotkeyKey::Num0, VK_NUMPAD0}, {HotkeyKey::NumDecimal, VK_DECIMAL}};
  for (const Case& k : cases)
    EXPECT_EQ(VirtualKeyOf(k.key), k.vk);
  EXPECT_EQ(ModifierFlagsOf(kModCtrl | kModWin), static_cast<UINT>(MOD_CONTROL | MOD_WIN));
  // A key of no name (Tab) is no combination.
  EXPECT_EQ(HotkeyFromControl(MAKEWORD(VK_TAB, HOTKEYF_CONTROL)).key, HotkeyKey::None);
}

TEST(Win32GlobalHotkeys, OnlyIdsRegisteredHereReachTheHandlerAndACombinationHeldElsewhereIsTaken) {
  MessageWindow ours, other;
  ASSERT_TRUE(ours.window && other.window);
  const Hotkey combo{kModCtrl | kModAlt | kModShift, HotkeyKey::F23};
  std::vector<int> pressed;
  {
    Win32GlobalHotkeys hotkeys(ours.window);
    hotkeys.SetHandler([&](int id) { pressed.push_back(id); });
    ASSERT_EQ(hotkeys.Register(7, combo), IGlobalHotkeys::Result::Registered);

    // Another window cannot take it while it is ours.
    Win32GlobalHotkeys elsewhere(other.window);
    EXPECT_EQ(elsewhere.Register(1, combo), IGlobalHotkeys::Result::Taken);

    EXPECT_TRUE(hotkeys.HandleMessage(WM_HOTKEY, 7));
    EXPECT_TRUE(hotkeys.HandleMessage(WM_HOTKEY, 8));       // forged: no such id here
    EXPECT_TRUE(hotkeys.HandleMessage(WM_HOTKEY, 0x10000)); // forged: no id at all
    EXPECT_FALSE(hotkeys.HandleMessage(WM_TIMER, 7));
    EXPECT_EQ(pressed, std::vector<int>{7});

    hotkeys.Unregister(7);
    EXPECT_TRUE(hotkeys.HandleMessage(WM_HOTKEY, 7));
    EXPECT_EQ(pressed, std::vector<int>{7});
    ASSERT_EQ(hotkeys.Register(7, combo), IGlobalHotkeys::Result::Registered);
  }
  // Gone with the adapter: free for another window.
  Win32GlobalHotkeys after(other.window);
  EXPECT_EQ(after.Register(2, combo), IGlobalHotkeys::Result::Registered);
}

} // namespace
} // namespace lumivane::win32
