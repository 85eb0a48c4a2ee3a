#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

#include "platform/win32/Win32Clock.h"

namespace lumivane::win32 {
namespace {

TEST(Win32Clock, NowIsTheLocalWallTime) {
  Win32Clock clock;
  SYSTEMTIME before{};
  ::GetLocalTime(&before);
  LocalTime now = clock.Now();
  EXPECT_EQ(now.year, before.wYear);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.minute, 59);
  EXPECT_LE(now.second, 59);
  EXPECT_LE(now.millisecond, 999);
  int nowSeconds = now.hour * 3600 + now.minute * 60 + now.second;
  int beforeSeconds = before.wHour * 3600 + before.wMinute * 60 + before.wSecond;
  EXPECT_LE((nowSeconds - beforeSeconds + 86400) % 86400, 2);
}

TEST(Win32Clock, SleepWaitsAtLeastRoughlyThatLong) {
  Win32Clock clock;
  auto start = std::chrono::steady_clock::now();
  clock.SleepMs(60);
  auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_GE(elapsed.count(), 50);
  EXPECT_LT(elapsed.count(), 2000);
}

} // namespace
} // namespace lumivane::win32
