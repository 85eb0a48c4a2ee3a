#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "Win32TestSupport.h"
#include "platform/win32/Win32MouseHook.h"

namespace lumivane::win32 {
namespace {

struct Event {
  int code;
  uint32_t message, data;
};

void SendWheel(int delta) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_WHEEL;
  input.mi.mouseData = static_cast<DWORD>(delta);
  ::SendInput(1, &input, sizeof input);
}

bool SawWheel(const std::vector<Event>& events) {
  for (const Event& e : events)
    if (e.message == IMouseHook::kWheelMessage) return true;
  return false;
}

TEST(Win32MouseHook, AWheelEventReachesTheHandlerUntilTheHookIsRemoved) {
  Win32MouseHook hook;
  std::vector<Event> events;
  const uintptr_t handle = hook.Install([&](int code, uint32_t message, uint32_t data) {
    events.push_back({code, message, data});
    return message == IMouseHook::kWheelMessage ? IMouseHook::Verdict::Swallow : IMouseHook::Verdict::Pass;
  });
  ASSERT_NE(handle, 0u);
  SendWheel(-120);
  ASSERT_TRUE(PumpUntil([&] { return SawWheel(events); }, 5000));
  for (const Event& e : events) {
    if (e.message != IMouseHook::kWheelMessage) continue;
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(static_cast<int16_t>(e.data >> 16), -120);
  }

  hook.Remove(handle);
  events.clear();
  SendWheel(120);
  PumpUntil([] { return false; }, 300);
  EXPECT_FALSE(SawWheel(events));
}

TEST(Win32MouseHook, TheHandlerMayRemoveItsOwnHook) {
  Win32MouseHook hook;
  int calls = 0;
  uintptr_t handle = 0;
  handle = hook.Install([&](int, uint32_t, uint32_t) {
    ++calls;
    hook.Remove(handle);
    return IMouseHook::Verdict::Pass;
  });
  ASSERT_NE(handle, 0u);
  SendWheel(120);
  ASSERT_TRUE(PumpUntil([&] { return calls > 0; }, 5000));
  SendWheel(120);
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(calls, 1);
  // Installing again works after that.
  EXPECT_NE(hook.Install([](int, uint32_t, uint32_t) { return IMouseHook::Verdict::Pass; }), 0u);
}

TEST(Win32MouseHook, CursorPosFollowsThePointer) {
  Win32MouseHook hook;
  ASSERT_TRUE(::SetCursorPos(123, 45));
  Point where;
  ASSERT_TRUE(PumpUntil(
      [&] {
        return hook.CursorPos(where) && where == Point{123, 45};
      },
      2000))
      << where.x << "," << where.y;
}

} // namespace
} // namespace lumivane::win32
