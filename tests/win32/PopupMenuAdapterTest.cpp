#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32PopupMenu.h"

namespace lumivane::win32 {
namespace {

// What the open menu showed, read from its window inside the modal loop.
struct ShownItem {
  std::wstring text; // "-" for a separator
  bool checked = false;
  bool grayed = false;
  bool operator==(const ShownItem&) const = default;
};

struct MenuProbe {
  std::vector<ShownItem> items;
  bool sawMenu = false;
  // What to do once the menu is read: close it, or pick the last item with the keyboard.
  bool pickLast = false;
  int ticks = 0;
};
MenuProbe probe;

void CALLBACK OnTick(HWND, UINT, UINT_PTR id, DWORD) {
  ++probe.ticks;
  HWND menuWindow = ::FindWindowW(L"#32768", nullptr);
  HMENU menu = menuWindow ? reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0)) : nullptr;
  if (!menu) {
    if (probe.ticks > 50) ::EndMenu(); // never opened: do not hang the test
    return;
  }
  ::KillTimer(nullptr, id);
  probe.sawMenu = true;
  for (int i = 0, n = ::GetMenuItemCount(menu); i < n; ++i) {
    const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    ShownItem item;
    if (state & MF_SEPARATOR) {
      item.text = L"-";
    } else {
      wchar_t text[128] = {};
      ::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
      item.text = text;
      item.checked = (state & MF_CHECKED) != 0;
      item.grayed = (state & (MF_GRAYED | MF_DISABLED)) != 0;
    }
    probe.items.push_back(item);
  }
  if (probe.pickLast) {
    // Up from no selection selects the last item; Enter chooses it.
    ::PostMessageW(menuWindow, WM_KEYDOWN, VK_UP, 0);
    ::PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
  } else {
    ::EndMenu();
  }
}

class Win32PopupMenuTest : public ::testing::Test {
 protected:
  Win32PopupMenuTest() { probe = MenuProbe{}; }
  int PopupWithProbe(const std::vector<MenuItem>& items) {
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, OnTick);
    const int chosen = menu.Popup(items, Point{200, 200});
    ::KillTimer(nullptr, timer);
    return chosen;
  }

  Win32Host host{::GetModuleHandleW(nullptr)};
  Win32PopupMenu menu{host.Window()};
  const std::vector<MenuItem> items{
      {u"1. Monitor DELL", 1, true, true, true},
      {u"2. Display", 2, false, false, true},
      {u"3. Monitor", 3, false, true, false},
      {u"-", 4},
      {u"Settings", 5},
      {u"Exit", 6},
  };
};

TEST_F(Win32PopupMenuTest, ShowsVisibleItemsWithTheirStatesAndReturnsNoChoiceWhenClosed) {
  EXPECT_EQ(PopupWithProbe(items), IPopupMenu::kNoChoice);
  ASSERT_TRUE(probe.sawMenu);
  const std::vector<ShownItem> expected{
      {L"1. Monitor DELL", true, false}, {L"2. Display", false, true}, {L"-"}, {L"Settings"}, {L"Exit"}};
  EXPECT_EQ(probe.items, expected);
}

TEST_F(Win32PopupMenuTest, ReturnsTheIdOfTheChosenItem) {
  probe.pickLast = true;
  EXPECT_EQ(PopupWithProbe(items), 6);
  EXPECT_TRUE(probe.sawMenu);
}

TEST_F(Win32PopupMenuTest, ACancelledMenuLeavesNoMenuBehind) {
  // A posted WM_CANCELMODE ends the loop as a click elsewhere would.
  UINT_PTR timer = ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    if (HWND w = ::FindWindowW(L"#32768", nullptr); w && ::IsWindowVisible(w))
      ::PostMessageW(w, WM_CANCELMODE, 0, 0);
    else
      ::EndMenu();
  });
  EXPECT_EQ(menu.Popup(items, Point{10, 10}), IPopupMenu::kNoChoice);
  ::KillTimer(nullptr, timer);
  HWND left = ::FindWindowW(L"#32768", nullptr);
  EXPECT_TRUE(!left || !::IsWindowVisible(left));
}

} // namespace
} // namespace lumivane::win32
