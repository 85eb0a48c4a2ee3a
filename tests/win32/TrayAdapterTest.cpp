#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/win32/Messages.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32Tray.h"

namespace lumivane::win32 {
namespace {

struct IconPixels {
  int width = 0, height = 0;
  std::vector<uint32_t> color; // top-down 0xAARRGGBB
  std::vector<bool> transparent;
};

IconPixels Read(HICON icon) {
  IconPixels out;
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return out;
  UniqueGdiObj color(info.hbmColor), mask(info.hbmMask);
  BITMAP bm{};
  ::GetObjectW(color.get(), sizeof bm, &bm);
  out.width = bm.bmWidth;
  out.height = bm.bmHeight;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = out.width;
  bi.bmiHeader.biHeight = -out.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  WindowDc dc(nullptr);
  out.color.resize(static_cast<size_t>(out.width) * out.height);
  ::GetDIBits(dc.get(), static_cast<HBITMAP>(color.get()), 0, out.height, out.color.data(), &bi,
              DIB_RGB_COLORS);
  std::vector<uint32_t> maskPixels(out.color.size());
  ::GetDIBits(dc.get(), static_cast<HBITMAP>(mask.get()), 0, out.height, maskPixels.data(), &bi,
              DIB_RGB_COLORS);
  for (uint32_t m : maskPixels)
    out.transparent.push_back((m & 0xFFFFFF) != 0);
  return out;
}

TEST(Win32TrayIcon, DigitsAreOpaqueCentredAndTheBackgroundIsTransparentBlack) {
  struct Case {
    const wchar_t* text;
    int width, height, fontHeight;
  };
  const Case cases[] = {{L"42", 16, 16, 14}, {L"100", 16, 16, 9}, {L"7", 24, 24, 20}, {L"55", 32, 32, 28}};
  const COLORREF white = RGB(255, 255, 255);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "text " << c.width << "x" << c.height);
    UniqueHicon icon = Win32Tray::CreateTextIcon(c.text, L"Tahoma", c.fontHeight, white, c.width, c.height);
    ASSERT_TRUE(icon);
    IconPixels px = Read(icon.get());
    ASSERT_EQ(px.width, c.width);
    ASSERT_EQ(px.height, c.height);
    int minX = c.width, maxX = -1, minY = c.height, maxY = -1, opaque = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        size_t i = static_cast<size_t>(y) * c.width + x;
        if (px.transparent[i]) {
          // The AND/XOR rule shows the background only under black.
          EXPECT_EQ(px.color[i], 0u);
          continue;
        }
        ++opaque;
        EXPECT_EQ(px.color[i], 0xFFFFFFFFu); // white, alpha set, no smoothing
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    }
    ASSERT_GT(opaque, 4);
    EXPECT_TRUE(px.transparent[static_cast<size_t>(c.height - 1) * c.width]);
    EXPECT_LE(std::abs((minX + maxX + 1) - c.width), 3);
    EXPECT_LE(std::abs((minY + maxY + 1) - c.height), 4);
  }
}

TEST(Win32TrayIcon, TextInTheKeyColourLeavesNothingVisible) {
  UniqueHicon icon = Win32Tray::CreateTextIcon(L"50", L"Tahoma", 14, Win32Tray::kKeyColor, 16, 16);
  ASSERT_TRUE(icon);
  IconPixels px = Read(icon.get());
  for (bool t : px.transparent)
    EXPECT_TRUE(t);
}

TEST(Win32TrayIcon, MeasuresTextAndTheIconSizeForTheWindow) {
  Win32Host host(::GetModuleHandleW(nullptr));
  SIZE icon = Win32Tray::SmallIconSizeFor(host.Window());
  EXPECT_GE(icon.cx, 16);
  EXPECT_GE(icon.cy, 16);
  if (::GetDeviceCaps(WindowDc(nullptr).get(), LOGPIXELSX) == 96) {
    EXPECT_EQ(icon.cx, ::GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(icon.cy, ::GetSystemMetrics(SM_CYSMICON));
  }
  int zero = Win32Tray::TextWidth(host.Window(), L"Tahoma", 16, L"0");
  int hundred = Win32Tray::TextWidth(host.Window(), L"Tahoma", 16, L"100");
  EXPECT_GT(zero, 0);
  EXPECT_GT(hundred, 2 * zero); // "1" is narrower than "0" in no common face by half
  EXPECT_LT(Win32Tray::TextWidth(host.Window(), L"Tahoma", 8, L"100"), hundred);
  EXPECT_EQ(Win32Tray::TextWidth(host.Window(), L"Tahoma", 16, L""), 0);
}

// Stands in for the shell's notification area: under Wine, Shell_NotifyIconW hands each
// request to the window of class Shell_TrayWnd as WM_COPYDATA, with the NIM_ code in dwData.
class FakeShellTray {
 public:
  FakeShellTray() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    ::RegisterClassW(&wc);
    window_ = ::CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~FakeShellTray() { ::DestroyWindow(window_); }
  bool accept = true;
  std::vector<DWORD> requests;

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* self = reinterpret_cast<FakeShellTray*>(::GetWindowLongPtrW(w, GWLP_USERDATA));
    if (msg == WM_COPYDATA && self) {
      self->requests.push_back(static_cast<DWORD>(reinterpret_cast<COPYDATASTRUCT*>(lp)->dwData));
      return self->accept;
    }
    return ::DefWindowProcW(w, msg, wp, lp);
  }
  HWND window_ = nullptr;
};

class Win32TrayTest : public ::testing::Test {
 protected:
  Win32Host host{::GetModuleHandleW(nullptr)};
  FakeShellTray shell;
};

TEST_F(Win32TrayTest, AddsModifiesAndRemovesTheIcon) {
  {
    Win32Tray tray(host.Window(), ::GetModuleHandleW(nullptr));
    EXPECT_FALSE(tray.IsVisible());
    EXPECT_TRUE(tray.CurrentIcon());
    tray.ShowText(u"35", 14); // not shown yet: nothing goes to the shell
    EXPECT_TRUE(shell.requests.empty());
    tray.SetVisible(true);
    EXPECT_TRUE(tray.IsVisible());
    tray.ShowText(u"40", 14);
    tray.ShowApplicationIcon();
    tray.SetVisible(false);
    EXPECT_FALSE(tray.IsVisible());
    tray.SetVisible(true);
  } // the destructor removes a visible icon
  std::vector<DWORD> expected{NIM_ADD, NIM_MODIFY, NIM_MODIFY, NIM_DELETE, NIM_ADD, NIM_DELETE};
  EXPECT_EQ(shell.requests, expected);
}

TEST_F(Win32TrayTest, ARefusedAddStaysInvisibleSoThatItIsTriedAgain) {
  Win32Tray tray(host.Window(), ::GetModuleHandleW(nullptr));
  shell.accept = false;
  tray.SetVisible(true);
  EXPECT_FALSE(tray.IsVisible());
  shell.accept = true;
  tray.SetVisible(true);
  EXPECT_TRUE(tray.IsVisible());
}

TEST_F(Win32TrayTest, ANewTaskbarGetsTheIconAgainOnlyWhenItIsShown) {
  Win32Tray tray(host.Window(), ::GetModuleHandleW(nullptr));
  tray.OnTaskbarCreated();
  EXPECT_TRUE(shell.requests.empty());
  tray.SetVisible(true);
  tray.OnTaskbarCreated();
  std::vector<DWORD> expected{NIM_ADD, NIM_ADD};
  EXPECT_EQ(shell.requests, expected);
}

TEST_F(Win32TrayTest, ShowTextSetsTheTipAndReplacesTheImage) {
  Win32Tray tray(host.Window(), ::GetModuleHandleW(nullptr));
  EXPECT_EQ(tray.Tip(), L"Lumivane");
  HICON before = tray.CurrentIcon();
  tray.ShowText(u"73", 14);
  EXPECT_EQ(tray.Tip(), L"73");
  HICON text = tray.CurrentIcon();
  EXPECT_NE(text, before);
  ICONINFO info{};
  EXPECT_FALSE(::GetIconInfo(before, &info)); // the old image was destroyed
  tray.SetTextStyle(L"Arial", RGB(0, 255, 0));
  tray.ShowText(u"74", 14);
  IconPixels px = Read(tray.CurrentIcon());
  int green = 0;
  for (uint32_t c : px.color)
    green += c == 0xFF00FF00u;
  EXPECT_GT(green, 0);
  tray.ShowApplicationIcon();
  EXPECT_EQ(tray.Tip(), L"Lumivane");
}

} // namespace
} // namespace lumivane::win32
