#include <windows.h>

#include <gtest/gtest.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Win32TestSupport.h"
#include "platform/win32/Messages.h"
#include "platform/win32/UniqueHandles.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32MainThread.h"
#include "platform/win32/Win32ThreadPool.h"

namespace lumivane::win32 {
namespace {

class Win32ThreadsTest : public ::testing::Test {
 protected:
  Win32Host host{::GetModuleHandleW(nullptr)};
  Win32MainThread main{host};
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

TEST_F(Win32ThreadsTest, SynchronizeFromAPoolThreadHandsBackTheResultAndTheException) {
  std::atomic<bool> done{false};
  int result = 0;
  std::string caught;
  pool.Run([&] {
    main.Synchronize([&] { result = 42; });
    try {
      main.Synchronize([] { throw std::runtime_error("table update failed"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  EXPECT_EQ(result, 42);
  EXPECT_EQ(caught, "table update failed");
}

TEST_F(Win32ThreadsTest, SynchronizeIsServedWhileTheMainThreadIsInAModalLoop) {
  std::atomic<bool> ran{false}, returned{false};
  auto findBox = [] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && !(box && ::IsWindowVisible(box)); ++i) {
      box = ::FindWindowW(L"#32770", kAppCaption);
      if (!box) ::Sleep(10);
    }
    return box;
  };
  std::thread worker([&] {
    findBox(); // the call arrives while the box runs its own message loop
    main.Synchronize([&] { ran = true; });
    returned = true;
    if (HWND box = findBox()) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  host.ShowErrorBox(u"modal");
  worker.join();
  EXPECT_TRUE(ran);
  EXPECT_TRUE(returned);
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

TEST_F(Win32ThreadsTest, ClosingWithASynchronousCallPendingFailsTheCallInsteadOfHanging) {
  std::atomic<bool> ran{false}, threw{false}, returned{false};
  std::thread worker([&] {
    try {
      main.Synchronize([&] { ran = true; });
    } catch (const std::runtime_error& e) {
      threw = std::string(e.what()) == "Synchronize: the main window is gone";
    }
    returned = true;
  });
  // No message is dispatched here, so the call is certainly still waiting when the window goes.
  for (int i = 0; i < 1000 && host.Work()->Pending() == 0; ++i)
    ::Sleep(5);
  ASSERT_EQ(host.Work()->Pending(), 1u);
  host.CloseMainForm();
  for (int i = 0; i < 1000 && !returned; ++i)
    ::Sleep(5);
  ASSERT_TRUE(returned) << "the caller still waits for a window that is gone";
  worker.join();
  EXPECT_TRUE(threw);
  EXPECT_FALSE(ran);
}

TEST_F(Win32ThreadsTest, CallsAndLogLinesFromOneThreadKeepTheirOrder) {
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) {
      main.Queue([&, i] { host.AppendLogLine(u"call " + std::u16string(1, char16_t(u'A' + i % 26))); });
      ReportFailure(L"line " + std::wstring(1, wchar_t(L'A' + i % 26)));
    }
  });
  worker.join();
  ASSERT_TRUE(PumpUntil([&] { return host.Work()->Pending() == 0; }));
  std::wstring text = LogText(host);
  size_t at = 0;
  for (int i = 0; i < 50; ++i) {
    std::wstring letter(1, wchar_t(L'A' + i % 26));
    size_t call = text.find(L"call " + letter + L"\r\n", at);
    ASSERT_NE(call, std::wstring::npos) << i;
    size_t line = text.find(L"ERROR! line " + letter + L"\r\n", call);
    ASSERT_NE(line, std::wstring::npos) << i;
    at = line;
  }
}

TEST_F(Win32ThreadsTest, AForgedWorkMessageRunsNothingTwiceAndCarriesNothing) {
  int runs = 0;
  std::thread([&] { main.Queue([&] { ++runs; }); }).join();
  // As another process would: any lParam, sent and posted, before and after the real work ran.
  const LPARAM bogus[] = {0, 1, static_cast<LPARAM>(0x4141414141LL), static_cast<LPARAM>(-1)};
  for (LPARAM lParam : bogus) {
    ::SendMessageW(host.Window(), kMsgWork, static_cast<WPARAM>(lParam), lParam);
    ::PostMessageW(host.Window(), kMsgWork, static_cast<WPARAM>(lParam), lParam);
  }
  EXPECT_EQ(runs, 1);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(LogText(host), L"");
  main.Queue([&] { ++runs; }); // the queue still works
  ASSERT_TRUE(PumpUntil([&] { return runs == 2; }));
}

TEST_F(Win32ThreadsTest, WorkWhoseMessageWasLostRunsOnTheTimersTickAndTheNextCallPostsAgain) {
  int runs = 0;
  main.Queue([&] { ++runs; });
  MSG m{};
  // Lost: a loop of someone else's took it off the queue and never dispatched it.
  ASSERT_TRUE(::PeekMessageW(&m, host.Window(), kMsgWork, kMsgWork, PM_REMOVE));
  host.SetTimerEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return runs == 1; }, 1000));
  host.SetTimerEnabled(false);
  main.Queue([&] { ++runs; });
  EXPECT_TRUE(::PeekMessageW(&m, host.Window(), kMsgWork, kMsgWork, PM_NOREMOVE));
  ASSERT_TRUE(PumpUntil([&] { return runs == 2; }));
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

TEST_F(Win32ThreadsTest, TheEndOfTheProgramWaitsForTheJobInFlightAndServesItsCallsMeanwhile) {
  // A job that asks the main thread for something, as the brightness worker does.
  std::atomic<bool> release{false}, served{false};
  pool.Run([&] {
    while (!release)
      ::Sleep(2);
    main.Synchronize([&] { served = true; });
  });
  EXPECT_EQ(pool.Running(), 1u);
  // Still running when the grace time is over: the caller must not free what it uses.
  EXPECT_FALSE(pool.WaitIdle(100, [&] { host.Work()->Drain(); }));
  release = true;
  // No message loop runs here; the waiting call is served by the wait itself.
  EXPECT_TRUE(pool.WaitIdle(10000, [&] { host.Work()->Drain(); }));
  EXPECT_TRUE(served);
  EXPECT_EQ(pool.Running(), 0u);
  EXPECT_TRUE(pool.WaitIdle(0));
}

// The ids of this process's threads that are still there.
std::set<DWORD> LiveThreads() {
  std::set<DWORD> ids;
  HANDLE raw = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (raw == INVALID_HANDLE_VALUE) return ids;
  UniqueHandle snapshot(raw);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more;
       more = ::Thread32Next(snapshot.get(), &entry))
    if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
  return ids;
}

TEST_F(Win32ThreadsTest, RunAllGivesEveryTaskCOMAndLeavesNoThreadBehind) {
  constexpr size_t kTasks = 4;
  std::vector<DWORD> ids(kTasks);
  std::vector<char> com(kTasks, 0);
  std::vector<std::function<void()>> tasks;
  for (size_t i = 0; i < kTasks; ++i)
    tasks.push_back([&, i] {
      ids[i] = ::GetCurrentThreadId();
      // Answers S_FALSE (or "changed mode") only where the thread already has an apartment.
      const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      com[i] = hr == S_FALSE || hr == RPC_E_CHANGED_MODE;
      if (SUCCEEDED(hr)) ::CoUninitialize();
      ::Sleep(20);
    });
  pool.RunAll(std::move(tasks));
  for (size_t i = 0; i < kTasks; ++i)
    EXPECT_TRUE(com[i]) << "task " << i;
  const std::set<DWORD> live = LiveThreads();
  ASSERT_FALSE(live.empty());
  EXPECT_EQ(ids[0], ::GetCurrentThreadId());
  for (size_t i = 1; i < kTasks; ++i)
    EXPECT_EQ(live.count(ids[i]), 0u) << "task " << i << "'s thread is still there";
}

// A job's thread ends with the job: an idle program keeps no worker thread (each costs its
// stack, about 1 MB under Wine).
TEST_F(Win32ThreadsTest, RunLeavesNoThreadBehindOnceTheTaskHasEnded) {
  std::atomic<DWORD> id{0};
  pool.Run([&] { id = ::GetCurrentThreadId(); });
  ASSERT_TRUE(pool.WaitIdle(10000));
  ASSERT_NE(id.load(), 0u);
  bool gone = false;
  for (int i = 0; i < 200 && !gone; ++i) { // the thread may still be on its way out
    gone = LiveThreads().count(id.load()) == 0;
    if (!gone) ::Sleep(10);
  }
  EXPECT_TRUE(gone) << "the task's thread is still there";
}

TEST_F(Win32ThreadsTest, AWaitingCallKeepsTheQueueAliveWhenEveryOtherOwnerLetsGo) {
  // The queue is only marked as deleted here, and freed once nothing can touch it.
  bool deleted = false;
  WorkQueue* raw = new WorkQueue(host.Window());
  std::shared_ptr<WorkQueue> owner(raw, [&deleted](WorkQueue*) { deleted = true; });
  std::atomic<bool> returned{false};
  std::thread worker([&, raw] {
    try {
      raw->Call([] {});
    } catch (const std::runtime_error&) {
    }
    returned = true;
  });
  for (int i = 0; i < 1000 && raw->Pending() == 0; ++i)
    ::Sleep(5);
  ASSERT_EQ(raw->Pending(), 1u);
  owner.reset(); // the host and the main-thread adapter let go while the worker waits
  EXPECT_FALSE(deleted) << "the queue went while a call still waited in it";
  raw->Close();
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_TRUE(deleted);
  delete raw;
}

} // namespace
} // namespace lumivane::win32
