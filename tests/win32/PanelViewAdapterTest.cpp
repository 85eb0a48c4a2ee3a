#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "Win32TestSupport.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Win32PanelView.h"

namespace lumivane::win32 {
namespace {

// A panel owned by a window of its own, with every event it reports recorded.
class PanelViewAdapterTest : public ::testing::Test {
 protected:
  PanelViewAdapterTest() : view(nullptr, ::GetModuleHandleW(nullptr)) {
    content.rows = {{u"1. Monitor", 40}, {u"2. Display", 70}};
    events.onSlide = [this](int row, int value) { slides.push_back({row, value}); };
    events.onWheel = [this](int row, int notches) { wheels.push_back({row, notches}); };
    events.onKey = [this](PanelKey key) {
      keys.push_back(key);
      if (key == PanelKey::Escape) view.Close();
    };
    events.onClosed = [this] { ++closed; };
  }

  HWND Found() const { return ::FindWindowW(kPanelWindowClass, nullptr); }
  void Pump(int ms = 300) {
    PumpUntil([] { return false; }, ms);
  }
  static void Press(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, in, sizeof(INPUT));
  }

  Win32PanelView view;
  PanelContent content;
  PanelEvents events;
  std::vector<std::pair<int, int>> slides, wheels;
  std::vector<PanelKey> keys;
  int closed = 0;
};

TEST_F(PanelViewAdapterTest, OpenMakesAWindowInsideTheWorkAreaAndCloseDestroysIt) {
  ASSERT_TRUE(view.Open(content, events));
  HWND window = Found();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window, view.Window());
  EXPECT_TRUE(::IsWindowVisible(window));
  RECT work{}, placed{};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  ASSERT_TRUE(::GetWindowRect(window, &placed));
  EXPECT_GE(placed.left, work.left);
  EXPECT_GE(placed.top, work.top);
  EXPECT_LE(placed.right, work.right);
  EXPECT_LE(placed.bottom, work.bottom);
  // A row more makes it taller.
  content.rows.push_back({u"3. Monitor", 10});
  view.Show(content);
  RECT taller{};
  ::GetWindowRect(window, &taller);
  EXPECT_GT(taller.bottom - taller.top, placed.bottom - placed.top);
  view.Close();
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(Found(), nullptr);
  EXPECT_EQ(closed, 0); // closed by the program: no event back
}

TEST_F(PanelViewAdapterTest, ForgedInputFromOutsideTheInputQueueIsDropped) {
  ASSERT_TRUE(view.Open(content, events));
  HWND window = view.Window();
  struct Case {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  const Case cases[] = {
      {WM_KEYDOWN, VK_RIGHT, 0},
      {WM_KEYDOWN, VK_END, 0},
      {WM_KEYDOWN, VK_ESCAPE, 0},
      {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 30)},
  };
  for (const Case& k : cases) {
    ::PostMessageW(window, k.msg, k.wParam, k.lParam);
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutW(window, k.msg, k.wParam, k.lParam, SMTO_ABORTIFHUNG, 1000, &answer);
  }
  Pump();
  EXPECT_TRUE(keys.empty());
  EXPECT_TRUE(slides.empty());
  EXPECT_TRUE(::IsWindow(window));
  // A forged "lost the foreground" closes nothing while the panel is active.
  if (::GetActiveWindow() == window) {
    ::PostMessageW(window, kMsgPanelInactive, 0, 0);
    Pump();
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_EQ(closed, 0);
  }
  view.Close();
}

TEST_F(PanelViewAdapterTest, RealKeysReachTheControllerAndEscapeEndsTheWindow) {
  ASSERT_TRUE(view.Open(content, events));
  HWND window = view.Window();
  if (::GetForegroundWindow() != window) GTEST_SKIP() << "the panel did not get the foreground here";
  for (WORD vk : {VK_RIGHT, VK_NEXT, VK_HOME, VK_TAB, VK_ESCAPE}) {
    Press(vk);
    Pump(200);
  }
  EXPECT_EQ(keys, (std::vector<PanelKey>{PanelKey::Right, PanelKey::PageDown, PanelKey::Home, PanelKey::Tab,
                                         PanelKey::Escape}));
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_FALSE(view.IsOpen());
}

TEST_F(PanelViewAdapterTest, AnotherWindowTakingTheForegroundClosesIt) {
  ASSERT_TRUE(view.Open(content, events));
  HWND window = view.Window();
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  ::SetForegroundWindow(other);
  ::SetActiveWindow(other);
  EXPECT_TRUE(PumpUntil([&] { return closed > 0; }, 3000));
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_FALSE(view.IsOpen());
  ::DestroyWindow(other);
}

} // namespace
} // namespace lumivane::win32
