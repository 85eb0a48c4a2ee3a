#include "platform/win32/ThreadStack.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

using lumivane::win32::OnThisStack;

// A window procedure's view of a rectangle sent by a caller on this thread.
bool CheckedByCallee(const RECT* rect) {
  return OnThisStack(reinterpret_cast<LPARAM>(rect), sizeof *rect);
}

TEST(ThreadStack, OnlyACallersFrameOfThisThreadCounts) {
  RECT mine{1, 2, 3, 4};
  EXPECT_TRUE(CheckedByCallee(&mine));

  auto heap = std::make_unique<RECT>();
  static RECT global{};
  for (LPARAM forged : {reinterpret_cast<LPARAM>(heap.get()), reinterpret_cast<LPARAM>(&global), LPARAM(0),
                        LPARAM(1), static_cast<LPARAM>(0x4141414141LL), LPARAM(-1)})
    EXPECT_FALSE(OnThisStack(forged, sizeof(RECT))) << forged;

  // Below the frame in use (where a guard page may lie) and past the stack's base.
  ULONG_PTR low = 0, high = 0;
  ::GetCurrentThreadStackLimits(&low, &high);
  EXPECT_FALSE(OnThisStack(static_cast<LPARAM>(low), sizeof(RECT)));
  EXPECT_FALSE(OnThisStack(static_cast<LPARAM>(high - 2), sizeof(RECT)));
}

} // namespace
