#include <windows.h>

#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32Tray.h"

namespace lumivane::win32 {
namespace {

// Wine's shell does not implement Shell_NotifyIconGetRect; that answer must stay apart from a
// failure, because only it lets the hit-test fall back to the last tray notification.
TEST(Win32TrayRect, NotImplementedIsToldApartFromFailure) {
  Win32Host host(::GetModuleHandleW(nullptr));
  Win32Tray tray(host.Window(), ::GetModuleHandleW(nullptr));
  Rect rect{1, 2, 3, 4};
  const ITray::RectResult result = tray.IconRect(rect);
  if (UnderWine()) {
    EXPECT_EQ(result, ITray::RectResult::NotImplemented);
    EXPECT_EQ(rect, (Rect{1, 2, 3, 4})); // untouched
  } else {
    // An icon that was never added has no rectangle.
    EXPECT_EQ(result, ITray::RectResult::Failed);
  }
}

} // namespace
} // namespace lumivane::win32
