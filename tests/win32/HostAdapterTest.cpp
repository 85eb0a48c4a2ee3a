#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Win32TestSupport.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Win32Host.h"

namespace lumivane::win32 {
namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

TEST(Win32Host, MainWindowIsHiddenTopLevelAndNotMessageOnly) {
  Win32Host host(::GetModuleHandleW(nullptr));
  HWND w = host.Window();
  ASSERT_TRUE(::IsWindow(w));
  EXPECT_FALSE(::IsWindowVisible(w));
  EXPECT_EQ(ClassOf(w), kMainWindowClass);
  // Message-only windows hang below HWND_MESSAGE and miss the shell's broadcasts.
  EXPECT_EQ(::GetAncestor(w, GA_PARENT), ::GetDesktopWindow());
  EXPECT_EQ(ClassOf(host.LogEdit()), L"Edit");
  EXPECT_EQ(::GetParent(host.LogEdit()), w);
  LONG style = ::GetWindowLongW(host.LogEdit(), GWL_STYLE);
  EXPECT_TRUE(style & ES_READONLY);
  EXPECT_TRUE(style & ES_MULTILINE);
}

TEST(Win32Host, AForeignPointerInTheWindowsUserDataIsNeverUsed) {
  Win32Host host(::GetModuleHandleW(nullptr));
  HWND w = host.Window();
  // Another process can overwrite the window's user data; the window goes on as before.
  auto other = std::make_unique<char[]>(4096);
  for (LONG_PTR forged : {static_cast<LONG_PTR>(0x4141414141LL), reinterpret_cast<LONG_PTR>(other.get())}) {
    ::SetWindowLongPtrW(w, GWLP_USERDATA, forged);
    ::SendMessageW(w, WM_TIMER, kTimer1Id, 0);
    ::SendMessageW(w, kMsgWork, 0, 0);
    ::SendMessageW(w, WM_DESTROY, 0, 0); // only the host's own DestroyWindow counts
  }
  EXPECT_TRUE(::IsWindow(w));
  host.AppendLogLine(u"still here");
  EXPECT_NE(LogText(host).find(L"still here"), std::wstring::npos);
}

TEST(Win32Host, TwoHostsCanLiveOneAfterTheOther) {
  { Win32Host first(::GetModuleHandleW(nullptr)); }
  Win32Host second(::GetModuleHandleW(nullptr));
  EXPECT_TRUE(::IsWindow(second.Window()));
}

TEST(Win32Host, AppendsLinesAtTheEndWithLineBreaks) {
  Win32Host host(::GetModuleHandleW(nullptr));
  host.AppendLogLine(u"[12:00:00] first");
  host.AppendLogLine(u"[12:00:01] Dump:\nline a\r\nline b");
  // The caret elsewhere must not move where a line goes.
  ::SendMessageW(host.LogEdit(), EM_SETSEL, 0, 3);
  host.AppendLogLine(u"last");
  EXPECT_EQ(LogText(host), L"[12:00:00] first\r\n[12:00:01] Dump:\r\nline a\r\nline b\r\nlast\r\n");
}

TEST(Win32Host, LogHoldsMoreThanTheDefaultEditLimit) {
  Win32Host host(::GetModuleHandleW(nullptr));
  std::u16string line(999, u'x');
  for (int i = 0; i < 60; ++i)
    host.AppendLogLine(line);
  EXPECT_EQ(LogText(host).size(), 60u * 1001u);
}

TEST(Win32Host, TimerTicksOnlyWhileEnabled) {
  Win32Host host(::GetModuleHandleW(nullptr));
  std::atomic<int> ticks{0};
  host.SetMessageHandler([&](HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
    if (msg == WM_TIMER && wParam == kTimer1Id) ++ticks;
    return false;
  });
  EXPECT_FALSE(host.TimerEnabled());
  host.SetTimerEnabled(true);
  EXPECT_TRUE(host.TimerEnabled());
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  host.SetTimerEnabled(false);
  EXPECT_FALSE(host.TimerEnabled());
  // A tick already in the queue when the timer is disabled does not run a pass.
  ::PostMessageW(host.Window(), WM_TIMER, kTimer1Id, 0);
  int seen = ticks;
  PumpUntil([] { return false; }, 350);
  EXPECT_EQ(ticks, seen);
}

TEST(Win32Host, ARequestedPassIsOneMessageAndForgedOnesRunNone) {
  Win32Host host(::GetModuleHandleW(nullptr));
  HWND w = host.Window();
  int passes = 0;
  host.SetMessageHandler([&](HWND, UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg == kMsgPass) ++passes;
    return false;
  });
  host.SetTimerEnabled(true);
  // Not asked for: sent or posted from outside, it is dropped.
  ::SendMessageW(w, kMsgPass, 0, 0);
  ::PostMessageW(w, kMsgPass, 0, 0);
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(passes, 0);
  // Many requests before the loop gets to them, and a flood of forged ones besides: one pass.
  for (int i = 0; i < 5; ++i)
    host.RequestPass();
  for (int i = 0; i < 5; ++i)
    ::PostMessageW(w, kMsgPass, 0, 0);
  ::SendMessageW(w, kMsgPass, 0, 0);
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(passes, 1);
  // While the timer is off (a pass is running) the request runs nothing, and is used up.
  host.RequestPass();
  host.SetTimerEnabled(false);
  PumpUntil([] { return false; }, 50);
  host.SetTimerEnabled(true);
  ::PostMessageW(w, kMsgPass, 0, 0);
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(passes, 1);
  host.RequestPass();
  PumpUntil([&] { return passes == 2; }, 1000);
  EXPECT_EQ(passes, 2);
}

TEST(Win32Host, CloseMainFormDestroysTheWindow) {
  Win32Host host(::GetModuleHandleW(nullptr));
  HWND w = host.Window();
  bool destroyed = false;
  host.SetMessageHandler([&](HWND, UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg == WM_DESTROY) destroyed = true;
    return false;
  });
  host.SetTimerEnabled(true);
  host.CloseMainForm();
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(::IsWindow(w));
  EXPECT_EQ(host.Window(), nullptr);
  EXPECT_FALSE(host.TimerEnabled());
  host.AppendLogLine(u"after the end"); // harmless
  host.CloseMainForm();
}

TEST(Win32Host, TheQuitMessageOutlivesTheWindow) {
  auto host = std::make_unique<Win32Host>(::GetModuleHandleW(nullptr));
  host->SetMessageHandler([](HWND, UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg == WM_DESTROY) ::PostQuitMessage(7);
    return false;
  });
  // A line from another thread waits in the queue, and its message in the thread's queue.
  std::thread([] { ReportFailure(L"late"); }).join();
  ASSERT_EQ(host->Work()->Pending(), 1u);
  host->CloseMainForm();
  EXPECT_EQ(host->Work()->Pending(), 0u);
  host.reset();
  MSG m;
  ASSERT_TRUE(::PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 7u);
}

// Any process on the desktop can send these, with any parameters.
TEST(Win32Host, ForgedMessagesLeaveTheWindowWorking) {
  Win32Host host(::GetModuleHandleW(nullptr));
  HWND w = host.Window();
  bool destroyed = false;
  int ticks = 0;
  host.SetMessageHandler([&](HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
    if (msg == WM_DESTROY) destroyed = true;
    if (msg == WM_TIMER && wParam == kTimer1Id) ++ticks;
    return false;
  });
  RECT before{};
  ::GetWindowRect(host.LogEdit(), &before);
  std::vector<UINT> messages{WM_SIZE, WM_DESTROY, WM_NCDESTROY, kMsgWork, kMsgTrayCallback};
  for (UINT i = 0; i < 32; ++i) {
    messages.push_back(WM_APP + i);
    messages.push_back(WM_USER + i);
  }
  const LPARAM bogus[] = {0, 1, static_cast<LPARAM>(0x4141414141LL), static_cast<LPARAM>(-1)};
  for (UINT msg : messages) {
    for (LPARAM lParam : bogus) {
      ::SendMessageW(w, msg, static_cast<WPARAM>(lParam), lParam);
      ::PostMessageW(w, msg, static_cast<WPARAM>(lParam), lParam);
    }
  }
  host.SetTimerEnabled(true);
  // Timer1 has no timer procedure: a tick with an lParam is not one of its ticks.
  ::SendMessageW(w, WM_TIMER, kTimer1Id, static_cast<LPARAM>(0x4141414141LL));
  EXPECT_EQ(ticks, 0);
  PumpUntil([] { return false; }, 200);
  EXPECT_FALSE(destroyed);
  ASSERT_TRUE(::IsWindow(w));
  EXPECT_EQ(host.Window(), w);
  EXPECT_FALSE(host.Work()->Closed());
  RECT after{};
  ::GetWindowRect(host.LogEdit(), &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
  EXPECT_EQ(LogText(host), L"");
  std::thread([] { ReportFailure(L"still logged"); }).join();
  EXPECT_TRUE(PumpUntil([&] { return LogText(host).find(L"ERROR! still logged") != std::wstring::npos; }));
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 1; }));
  host.CloseMainForm(); // our own close still ends it
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(::IsWindow(w));
  EXPECT_TRUE(host.Work()->Closed());
}

TEST(Win32Host, RegistersWindowMessagesAndReceivesTheTaskbarBroadcast) {
  Win32Host host(::GetModuleHandleW(nullptr));
  uint32_t id = host.TaskbarCreatedMessage();
  EXPECT_NE(id, 0u);
  EXPECT_EQ(id, ::RegisterWindowMessageW(L"TaskbarCreated"));
  bool seen = false;
  host.SetMessageHandler([&](HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != id) return false;
    seen = true;
    result = 1;
    return true;
  });
  DWORD_PTR answer = 0;
  ::SendMessageTimeoutW(HWND_BROADCAST, id, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
  EXPECT_TRUE(seen);
}

TEST(Win32Host, ComIsInitialisedForTheCallingThread) {
  std::thread([] {
    Win32Host host(::GetModuleHandleW(nullptr));
    host.InitializeCom();
    HRESULT again = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(again, S_FALSE); // already initialised, as an apartment
    if (SUCCEEDED(again)) ::CoUninitialize();
    host.UninitializeCom();
    host.UninitializeCom(); // unbalanced calls do nothing
    HRESULT fresh = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(fresh, S_OK);
    if (SUCCEEDED(fresh)) ::CoUninitialize();
  }).join();
}

struct BoxSeen {
  std::wstring caption, text;
  HWND owner = nullptr;
  bool topmost = false;
};

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
  auto* text = reinterpret_cast<std::wstring*>(param);
  if (ClassOf(child) == L"Static") {
    wchar_t buf[512] = {};
    ::GetWindowTextW(child, buf, 512);
    if (buf[0]) *text += buf;
  }
  return TRUE;
}

BOOL CALLBACK PressOkOnDialogs(HWND window, LPARAM) {
  if (ClassOf(window) == L"#32770") ::PostMessageW(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

TEST(Win32Host, ErrorBoxIsModalOwnedTopMostWithTheCaption) {
  Win32Host host(::GetModuleHandleW(nullptr));
  BoxSeen seen;
  std::atomic<bool> found{false}, returned{false};
  const DWORD mainThread = ::GetCurrentThreadId();
  std::thread closer([&] {
    for (int i = 0; !returned; ++i) {
      if (i == 1000) {
        // Not found by its caption: end whatever box the main thread shows, so the test fails
        // instead of waiting for ever.
        ::EnumThreadWindows(mainThread, PressOkOnDialogs, 0);
      }
      HWND box = ::FindWindowW(L"#32770", kAppCaption);
      // Visible once the box has finished setting itself up.
      if (box && ::IsWindowVisible(box)) {
        wchar_t caption[128] = {};
        ::GetWindowTextW(box, caption, 128);
        seen.caption = caption;
        ::EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&seen.text));
        seen.owner = ::GetWindow(box, GW_OWNER);
        seen.topmost = (::GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        found = true;
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      ::Sleep(10);
    }
  });
  host.ShowErrorBox(u"Only a single instance of this application can run!");
  returned = true;
  closer.join();
  ASSERT_TRUE(found);
  EXPECT_EQ(seen.caption, L"Lumivane");
  EXPECT_NE(seen.text.find(L"Only a single instance of this application can run!"), std::wstring::npos);
  EXPECT_EQ(seen.owner, host.Window());
  // Wine 8 does not give message boxes the top-most style; Windows does.
  bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  if (!wine) {
    EXPECT_TRUE(seen.topmost);
  }
}

TEST(Win32Host, AnExceptionInAHandlerIsLoggedAndGoesNoFurther) {
  Win32Host host(::GetModuleHandleW(nullptr));
  host.SetMessageHandler([](HWND, UINT msg, WPARAM, LPARAM, LRESULT&) -> bool {
    if (msg == WM_APP + 50) throw std::runtime_error("boom");
    return false;
  });
  ::SendMessageW(host.Window(), WM_APP + 50, 0, 0);
  std::wstring text = LogText(host);
  EXPECT_NE(text.find(L"] ERROR! main window procedure: boom\r\n"), std::wstring::npos) << text;
  EXPECT_EQ(text.rfind(L"[", 0), 0u);
}

TEST(Win32Host, FailuresReportedOnOtherThreadsReachTheLogInOrder) {
  Win32Host host(::GetModuleHandleW(nullptr));
  std::thread([] {
    ReportFailure(L"first");
    ReportFailure(L"second");
  }).join();
  EXPECT_TRUE(PumpUntil([&] { return LogText(host).find(L"second") != std::wstring::npos; }));
  std::wstring text = LogText(host);
  EXPECT_LT(text.find(L"ERROR! first\r\n"), text.find(L"ERROR! second\r\n"));
}

// The memo keeps the newest kLogLineLimit lines (a line with line breaks of its own is one), the
// oldest going first, and the view stays at the end where the new lines arrive.
TEST(Win32Host, LogKeepsItsNewestLines) {
  Win32Host host(::GetModuleHandleW(nullptr));
  host.AppendLogLine(u"[12:00:00] Dump:\nline a\r\nline b");
  for (size_t n = 1; n < IHost::kLogLineLimit + 3; ++n) {
    const std::wstring number = std::to_wstring(n);
    host.AppendLogLine(u"line " + std::u16string(number.begin(), number.end()));
  }
  const std::wstring text = LogText(host);
  EXPECT_EQ(text.rfind(L"line 3\r\nline 4\r\n", 0), 0u) << text.substr(0, 40);
  const std::wstring last = L"line " + std::to_wstring(IHost::kLogLineLimit + 2) + L"\r\n";
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
  size_t lines = 0;
  for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2))
    ++lines;
  EXPECT_EQ(lines, IHost::kLogLineLimit);
  DWORD start = 0, end = 0;
  ::SendMessageW(host.LogEdit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(end, text.size()) << "the caret after the newest line";
}

} // namespace
} // namespace lumivane::win32
