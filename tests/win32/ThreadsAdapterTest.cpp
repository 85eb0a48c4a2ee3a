#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Win32TestSupport.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32MainThread.h"
#include "platform/win32/Win32ThreadPool.h"

namespace lumivane::win32 {
namespace {

class Win32ThreadsTest : public ::testing::Test {
 protected:
  Win32Host host{::GetModuleHandleW(nullptr)};
  Win32MainThread main{host.Window()};
  Win32ThreadPool pool;
};

TEST_F(Win32ThreadsTest, KnowsTheMainThread) {
  EXPECT_TRUE(main.IsMainThread());
  bool other = true;
  std::thread([&] { other = main.IsMainThread(); }).join();
  EXPECT_FALSE(other);
}

TEST_F(Win32ThreadsTest, SynchronizeFromAPoolThreadRunsOnTheMainThreadAndWaits) {
  const DWORD mainId = ::GetCurrentThreadId();
  std::atomic<DWORD> ranOn{0}, poolId{0};
  std::atomic<bool> returned{false}, ranBeforeReturn{false};
  pool.Run([&] {
    poolId = ::GetCurrentThreadId();
    main.Synchronize([&] {
      ::Sleep(50); // the caller must still be waiting
      ranOn = ::GetCurrentThreadId();
    });
    ranBeforeReturn = ranOn != 0u;
    returned = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
  EXPECT_EQ(ranOn, mainId);
  EXPECT_NE(poolId, mainId);
  EXPECT_TRUE(ranBeforeReturn);
}

TEST_F(Win32ThreadsTest, SynchronizeOnTheMainThreadRunsAtOnce) {
  bool ran = false;
  main.Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST_F(Win32ThreadsTest, SynchronizeHandsTheExceptionBackToTheCaller) {
  std::atomic<bool> done{false};
  std::string caught;
  std::thread worker([&] {
    try {
      main.Synchronize([] { throw std::runtime_error("table update failed"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(caught, "table update failed");
}

TEST_F(Win32ThreadsTest, SynchronizeFailsWhenTheWindowIsGone) {
  host.CloseMainForm();
  bool threw = false, ran = false;
  std::thread([&] {
    try {
      main.Synchronize([&] { ran = true; });
    } catch (const std::runtime_error&) {
      threw = true;
    }
  }).join();
  EXPECT_TRUE(threw);
  EXPECT_FALSE(ran);
}

TEST_F(Win32ThreadsTest, QueuedCallsRunLaterOnTheMainThreadInOrder) {
  std::vector<int> order;
  std::vector<DWORD> threads;
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i)
      main.Queue([&, i] {
        order.push_back(i);
        threads.push_back(::GetCurrentThreadId());
      });
  });
  worker.join();
  main.Queue([&] { order.push_back(200); }); // from the main thread too: later, not inline
  EXPECT_TRUE(order.empty());
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 201; }));
  for (int i = 0; i <= 200; ++i)
    EXPECT_EQ(order[i], i);
  for (DWORD id : threads)
    EXPECT_EQ(id, ::GetCurrentThreadId());
}

TEST_F(Win32ThreadsTest, QueuedCallsThatCanNoLongerRunAreFreed) {
  auto token = std::make_shared<int>(0);
  main.Queue([token] {});
  main.Queue([token] {});
  EXPECT_EQ(token.use_count(), 3);
  host.CloseMainForm(); // pending calls die with the window
  EXPECT_EQ(token.use_count(), 1);
  main.Queue([token] {}); // no window: dropped at once
  EXPECT_EQ(token.use_count(), 1);
}

TEST_F(Win32ThreadsTest, AQueuedCallThatThrowsIsLogged) {
  bool after = false;
  main.Queue([] { throw std::runtime_error("bad line"); });
  main.Queue([&] { after = true; });
  ASSERT_TRUE(PumpUntil([&] { return after; }));
  EXPECT_NE(LogText(host).find(L"ERROR! queued call: bad line"), std::wstring::npos);
}

TEST_F(Win32ThreadsTest, PoolTasksRunOffTheMainThreadAndTheirExceptionsAreLogged) {
  std::atomic<DWORD> ranOn{0};
  pool.Run([&] { ranOn = ::GetCurrentThreadId(); });
  pool.Run([] { throw std::runtime_error("worker failed"); });
  ASSERT_TRUE(
      PumpUntil([&] { return ranOn != 0u && LogText(host).find(L"worker failed") != std::wstring::npos; }));
  EXPECT_NE(ranOn, ::GetCurrentThreadId());
  EXPECT_NE(LogText(host).find(L"ERROR! pool task: worker failed"), std::wstring::npos);
}

} // namespace
} // namespace lumivane::win32
