#include "platform/win32/ChildWindowGuard.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Win32TestSupport.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32PopupMenu.h"
#include "platform/win32/Win32SettingsView.h"

namespace lumivane::win32 {
namespace {

using C = SettingsControl;

const LPARAM kBogus = static_cast<LPARAM>(0x4141414141LL);

// Dispatches this thread's messages as the program's own loop does, until done() or the time is
// up; returns done().
bool PumpAsTheProgram(const std::function<bool()>& done, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!ChildWindowGuard::Admit(m)) continue;
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

struct Recorder final : ISettingsViewEvents {
  std::vector<std::string> seen;
  std::function<void()> onClick;
  void UserChecked(C, bool checked) override { seen.push_back(checked ? "checked" : "unchecked"); }
  void UserSelected(C, int index) override { seen.push_back("selected " + std::to_string(index)); }
  void UserEdited(C, const std::u16string&) override { seen.push_back("edited"); }
  void UserClicked(C) override {
    seen.push_back("clicked");
    if (onClick) onClick();
  }
  void UserHotkey(C, const Hotkey&) override { seen.push_back("hotkey"); }
};

// The program's window and controls made on a thread that guards them, as the program does.
class ChildWindowGuardTest : public ::testing::Test {
 protected:
  ChildWindowGuardTest() {
    host = std::make_unique<Win32Host>(::GetModuleHandleW(nullptr));
    view = std::make_unique<Win32SettingsView>(host->Window(), ::GetModuleHandleW(nullptr), host->LogEdit());
    host->SetMessageHandler([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
      return view->HandleMessage(msg, wParam, lParam, result);
    });
    view->SetEvents(&events);
    ::ShowWindow(host->Window(), SW_SHOWNOACTIVATE);
    view->ShowPage(1); // the document's RichEdit is made when its page is first shown
    view->ShowPage(0);
  }
  ~ChildWindowGuardTest() override {
    host->SetMessageHandler(nullptr);
    view.reset();
    host.reset();
  }
  HWND At(C c) const { return view->ControlWindow(c); }
  struct Attack {
    HWND target;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  // Control messages that would change what ExpectUntouched reads.
  std::vector<Attack> Attacks() const {
    return {
        {view->PageControl(), TCM_DELETEALLITEMS, 0, 0},
        {At(C::HtmlViewer1), EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE},
        {At(HotkeyControl(0, HotkeyPart::Box)), HKM_SETHOTKEY, MAKEWORD('Q', HOTKEYF_CONTROL), 0},
        {host->LogEdit(), EM_SETWORDBREAKPROC, 0, kBogus},
        // A second creation or a destruction while the control lives.
        {At(C::Config), WM_NCDESTROY, 0, 0},
    };
  }
  // Runs fn on another thread, serving this thread's messages meanwhile.
  void FromAnotherThread(const std::function<void()>& fn) {
    std::atomic<bool> done{false};
    std::thread other([&] {
      fn();
      done = true;
    });
    EXPECT_TRUE(PumpAsTheProgram([&] { return done.load(); }));
    other.join();
    PumpAsTheProgram([] { return false; }, 100);
  }
  // What the attacks below would change, as the program's own thread reads it.
  void ExpectUntouched() {
    EXPECT_EQ(::SendMessageW(view->PageControl(), TCM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(::SendMessageW(At(HotkeyControl(0, HotkeyPart::Box)), HKM_GETHOTKEY, 0, 0), 0);
    EXPECT_EQ(::SendMessageW(At(C::HtmlViewer1), EM_GETEVENTMASK, 0, 0), 0);
    EXPECT_EQ(::SendMessageW(host->LogEdit(), EM_GETWORDBREAKPROC, 0, 0), 0);
    // An edit that took a forged destruction has freed its text.
    wchar_t text[16] = {};
    ::GetWindowTextW(At(C::Config), text, 16);
    EXPECT_EQ(std::wstring(text), L"a=50");
  }

  ChildWindowGuard guard; // before the windows, as in the program
  Recorder events;
  std::unique_ptr<Win32Host> host;
  std::unique_ptr<Win32SettingsView> view;
};

TEST_F(ChildWindowGuardTest, ControlMessagesFromElsewhereNeverReachTheControl) {
  ASSERT_NE(At(C::HtmlViewer1), nullptr);
  view->SetText(C::Config, u"a=50");
  ExpectUntouched();
  enum class How { Send, SendNotify, PostFromAnotherThread, PostFromThisThread };
  const std::vector<Attack> attacks = Attacks();
  for (How how : {How::Send, How::SendNotify, How::PostFromAnotherThread, How::PostFromThisThread}) {
    for (const Attack& a : attacks) {
      SCOPED_TRACE(testing::Message()
                   << "how " << static_cast<int>(how) << ", message " << std::hex << a.msg);
      if (how == How::PostFromThisThread) {
        ::PostMessageW(a.target, a.msg, a.wParam, a.lParam);
        PumpAsTheProgram([] { return false; }, 100);
      } else {
        FromAnotherThread([&] {
          if (how == How::Send) {
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutW(a.target, a.msg, a.wParam, a.lParam, SMTO_ABORTIFHUNG, 5000, &answer);
          } else if (how == How::SendNotify) {
            ::SendNotifyMessageW(a.target, a.msg, a.wParam, a.lParam);
          } else {
            ::PostMessageW(a.target, a.msg, a.wParam, a.lParam);
          }
        });
      }
      ExpectUntouched();
    }
  }
  // The controls still work for the program and its user.
  host->AppendLogLine(u"still logging");
  EXPECT_NE(LogText(*host).find(L"still logging"), std::wstring::npos);
  ::SendMessageW(At(C::SyncBox), BM_CLICK, 0, 0);
  PumpAsTheProgram([] { return false; }, 100);
  EXPECT_EQ(events.seen, std::vector<std::string>{"checked"});
}

TEST_F(ChildWindowGuardTest, WhatTheSystemCopiesAndWhatTheProgramSendsOnStillWork) {
  view->SetText(C::color, u"FF8000");
  std::wstring text(32, L'\0');
  LRESULT copied = 0;
  FromAnotherThread([&] {
    // Tools read the window and click it as a user would.
    copied = ::SendMessageW(At(C::color), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    ::SendMessageW(At(C::SyncBox), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(text.substr(0, static_cast<size_t>(copied)), L"FF8000");
  EXPECT_EQ(events.seen, std::vector<std::string>{"checked"});

  // A notification that comes from elsewhere to the window itself is handled there, and what
  // the program sends on to its tab control on that account is its own: the page follows the
  // tab control's selection.
  ::SendMessageW(view->PageControl(), TCM_SETCURSEL, 2, 0);
  FromAnotherThread([&] { ::SendMessageW(host->Window(), WM_NOTIFY, kPageControlId, 0); });
  EXPECT_EQ(view->ActivePage(), 2);
  EXPECT_TRUE(::IsWindowVisible(host->LogEdit()));
}

// The main window takes a timer tick every 100 ms: no subclass may sit in front of its procedure
// (each message would pay the subclass lookups), while its children stay guarded.
TEST_F(ChildWindowGuardTest, TheMainWindowRunsItsOwnProcedureAndItsChildrenStayGuarded) {
  const HWND main = host->Window();
  EXPECT_EQ(::GetWindowLongPtrW(main, GWLP_WNDPROC),
            static_cast<LONG_PTR>(::GetClassLongPtrW(main, GCLP_WNDPROC)));
  EXPECT_FALSE(ChildWindowGuard::Guards(main));
  EXPECT_TRUE(ChildWindowGuard::Guards(host->LogEdit()));
  EXPECT_TRUE(ChildWindowGuard::Guards(view->PageControl()));
}

// Answers the colour dialog: once another thread's message to the tab control has been served by
// the dialog's loop, it is cancelled.
struct DuringDialog {
  HWND owner = nullptr;
  HWND tab = nullptr;
  std::thread attacker;
  std::atomic<bool> attacked{false};
  bool started = false;
  int ticks = 0;
};
DuringDialog during;

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) == L"#32770" && ::GetWindow(window, GW_OWNER) == during.owner &&
      ::IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AttackDuringDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindOwnedDialog, reinterpret_cast<LPARAM>(&dialog));
  if (++during.ticks > 400) ::KillTimer(nullptr, id);
  if (!dialog) return;
  if (!during.started) {
    during.started = true;
    HWND tab = during.tab;
    during.attacker = std::thread([tab] {
      DWORD_PTR answer = 0;
      ::SendMessageTimeoutW(tab, TCM_DELETEALLITEMS, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
      during.attacked = true;
    });
    return;
  }
  if (!during.attacked) return;
  ::KillTimer(nullptr, id);
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

TEST_F(ChildWindowGuardTest, AMessageLoopInsideTheProgramsOwnHandlerServesNoForeignControlMessage) {
  // The colour dialog runs from the window's own handling of the colour button's click.
  during.owner = host->Window();
  during.tab = view->PageControl();
  events.onClick = [this] {
    uint32_t colour = 0;
    ::SetTimer(nullptr, 0, 20, AttackDuringDialog);
    view->PickColor(colour);
  };
  ::SendMessageW(At(C::ColorButton), BM_CLICK, 0, 0);
  PumpAsTheProgram([] { return during.attacked.load() && during.started; }, 10000);
  PumpAsTheProgram([] { return false; }, 200);
  if (during.attacker.joinable()) during.attacker.join();
  EXPECT_TRUE(during.attacked);
  EXPECT_EQ(::SendMessageW(view->PageControl(), TCM_GETITEMCOUNT, 0, 0), 4);
}

// What a timer of the thread does once a modal loop dispatches its ticks: attack the controls
// with posted and sent control messages, judge them while the loop still runs, then end it.
struct InsideLoop {
  std::function<void()> attack;
  std::function<void()> send;
  std::function<void()> check;
  std::function<void()> close;
  std::thread sender;
  std::atomic<bool> sent{false};
  bool opening = false; // inside the call that runs the loop
  bool checked = false;
  int ticks = 0;
  bool attacked = false;
  bool sending = false;
  bool alsoSend = false;
};
InsideLoop inside;

void CALLBACK TickInsideLoop(HWND, UINT, UINT_PTR id, DWORD) {
  if (!inside.opening) return;
  if (++inside.ticks > 300) {
    ::KillTimer(nullptr, id);
    inside.close();
    return;
  }
  if (inside.ticks < 3) return; // the loop settles first
  if (!inside.attacked) {
    inside.attacked = true;
    inside.attack();
    return;
  }
  // A timer tick comes only when no posted message waits: the loop has taken every one of them,
  // and what is sent now comes after them.
  if (inside.alsoSend && !inside.sending) {
    inside.sending = true;
    inside.send();
    return;
  }
  if (inside.alsoSend && !inside.sent) return;
  ::KillTimer(nullptr, id);
  inside.check();
  inside.checked = true;
  inside.close();
}

BOOL CALLBACK FindThreadDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) == L"#32770" && ::IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND ThreadDialog() {
  HWND dialog = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindThreadDialog, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

// Every modal loop that can run on the program's thread: the ones its own code opens, and the
// ones the system runs for a window of it (the window menu, moving the window, an edit's context
// menu). Inside each, control messages posted from this thread or another reach no control, nor
// do those sent from another thread while a loop runs that the program opens or the system
// announces.
TEST_F(ChildWindowGuardTest, InsideEveryModalLoopForeignControlMessagesStillNeverReachTheControl) {
  view->SetText(C::Config, u"a=50");
  ::ShowWindow(host->Window(), SW_SHOWNORMAL);
  ::SetForegroundWindow(host->Window());
  Win32PopupMenu popup(host->Window());
  const HWND main = host->Window();
  const HWND config = At(C::Config);
  struct Loop {
    const char* name;
    bool announced;              // the program marks it or the system sends its window the loop's marks
    std::function<void()> open;  // returns when the loop has ended
    std::function<void()> close; // from inside the loop
  };
  const auto closeDialog = [](WPARAM command) {
    return [command] {
      if (HWND dialog = ThreadDialog())
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    };
  };
  const Loop loops[] = {
      {"tray popup menu", true,
       [&] {
         popup.Popup({{u"One", 1}, {u"Two", 2}}, Point{100, 100});
       },
       [] { ::EndMenu(); }},
      {"message box", true, [&] { host->ShowErrorBox(u"error"); }, closeDialog(IDOK)},
      {"colour dialog", true,
       [&] {
         uint32_t colour = 0;
         view->PickColor(colour);
       },
       closeDialog(IDCANCEL)},
      {"window menu", true, [&] { ::SendMessageW(main, WM_SYSCOMMAND, SC_KEYMENU, ' '); },
       [] { ::EndMenu(); }},
      {"moving the window", true, [&] { ::SendMessageW(main, WM_SYSCOMMAND, SC_MOVE, 0); },
       [main] { ::PostMessageW(main, WM_KEYDOWN, VK_ESCAPE, 0); }},
      // The edit opens its menu without the loop's marks (TPM_NONOTIFY).
      {"an edit's context menu", false,
       [&] {
         RECT r{};
         ::GetWindowRect(config, &r);
         ::SendMessageW(config, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(config),
                        MAKELPARAM(r.left + 5, r.top + 5));
       },
       [] { ::EndMenu(); }},
  };
  const std::vector<Attack> attacks = Attacks();
  for (const Loop& loop : loops) {
    SCOPED_TRACE(loop.name);
    ExpectUntouched();
    inside.ticks = 0;
    inside.attacked = false;
    inside.sending = false;
    inside.checked = false;
    inside.sent = false;
    inside.alsoSend = loop.announced;
    inside.close = loop.close;
    inside.attack = [&] {
      for (const Attack& a : attacks)
        ::PostMessageW(a.target, a.msg, a.wParam, a.lParam);
      std::thread poster([&] {
        for (const Attack& a : attacks)
          ::PostMessageW(a.target, a.msg, a.wParam, a.lParam);
        // Forged ends of the system's loops, so that what is sent next looks like the program's.
        for (HWND window : {main, config}) {
          ::PostMessageW(window, WM_EXITMENULOOP, FALSE, 0);
          ::PostMessageW(window, WM_EXITSIZEMOVE, 0, 0);
        }
      });
      poster.join();
    };
    inside.send = [&] {
      const HWND tab = view->PageControl();
      inside.sender = std::thread([tab] {
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutW(tab, TCM_DELETEALLITEMS, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
        inside.sent = true;
      });
    };
    inside.check = [this] { ExpectUntouched(); };
    ::SetTimer(nullptr, 0, 20, TickInsideLoop);
    inside.opening = true;
    loop.open();
    inside.opening = false;
    if (inside.sender.joinable()) inside.sender.join();
    EXPECT_TRUE(inside.checked) << "the loop did not run the checks";
    PumpAsTheProgram([] { return false; }, 100);
    ExpectUntouched();
  }
  // The program's own loop takes the next message without a hook again.
  ::PostMessageW(main, WM_NULL, 0, 0);
  PumpAsTheProgram([] { return false; }, 100);
  EXPECT_FALSE(ChildWindowGuard::WatchingQueue());
}

} // namespace
} // namespace lumivane::win32
