#include "platform/win32/ChildWindowGuard.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Win32TestSupport.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32SettingsView.h"

namespace lumivane::win32 {
namespace {

using C = SettingsControl;

const LPARAM kBogus = static_cast<LPARAM>(0x4141414141LL);

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
  // Runs fn on another thread, serving this thread's messages meanwhile.
  void FromAnotherThread(const std::function<void()>& fn) {
    std::atomic<bool> done{false};
    std::thread other([&] {
      fn();
      done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    other.join();
    PumpUntil([] { return false; }, 100);
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
  struct Attack {
    HWND target;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  const Attack attacks[] = {
      {view->PageControl(), TCM_DELETEALLITEMS, 0, 0},
      {At(C::HtmlViewer1), EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE},
      {At(HotkeyControl(0, HotkeyPart::Box)), HKM_SETHOTKEY, MAKEWORD('Q', HOTKEYF_CONTROL), 0},
      {host->LogEdit(), EM_SETWORDBREAKPROC, 0, kBogus},
      // A second creation or a destruction while the control lives.
      {At(C::Config), WM_NCDESTROY, 0, 0},
  };
  for (How how : {How::Send, How::SendNotify, How::PostFromAnotherThread, How::PostFromThisThread}) {
    for (const Attack& a : attacks) {
      SCOPED_TRACE(testing::Message()
                   << "how " << static_cast<int>(how) << ", message " << std::hex << a.msg);
      if (how == How::PostFromThisThread) {
        ::PostMessageW(a.target, a.msg, a.wParam, a.lParam);
        PumpUntil([] { return false; }, 100);
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
  PumpUntil([] { return false; }, 100);
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
  PumpUntil([] { return during.attacked.load() && during.started; }, 10000);
  PumpUntil([] { return false; }, 200);
  if (during.attacker.joinable()) during.attacker.join();
  EXPECT_TRUE(during.attacked);
  EXPECT_EQ(::SendMessageW(view->PageControl(), TCM_GETITEMCOUNT, 0, 0), 4);
}

} // namespace
} // namespace lumivane::win32
