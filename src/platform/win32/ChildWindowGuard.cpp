#include "platform/win32/ChildWindowGuard.h"

#include <winternl.h>

#include <stdexcept>
#include <unordered_set>
#include <vector>

namespace lumivane::win32 {

namespace {

constexpr UINT_PTR kGuardId = 0x4C56; // any id of our own; the procedure tells the subclass apart

// The guard of this thread. Window procedures and hooks run on the thread that owns them, so
// nothing here needs a lock.
struct ThreadGuard {
  HHOOK create = nullptr;
  HHOOK filter = nullptr;
  // Installed only while a modal loop of someone else's may take messages off the queue.
  HHOOK getMessage = nullptr;
  std::unordered_set<HWND> children;
  // Window procedures of the thread's windows now running, counted since the innermost
  // message loop of someone else's began.
  int frames = 0;
  // The counts that menu and move/size loops the system runs on the thread left behind.
  std::vector<int> systemLoops;
};
// This is read on every message. MinGW's emulated thread_local takes a lock and a lookup each
// time, and a call to TlsGetValue costs a cold page of another DLL: the thread's own slot is read
// from its TEB, which is all TlsGetValue does for the first 64 slots.
void* TebSlot(DWORD slot) noexcept {
  // GCC takes the TEB's address from the segment register for an array of no length.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
  return NtCurrentTeb()->TlsSlots[slot];
#pragma GCC diagnostic pop
}
const DWORD guardSlot = ::TlsAlloc();
ThreadGuard& Guard() noexcept {
  const DWORD slot = guardSlot;
  if (slot < 64) {
    if (auto* guard = static_cast<ThreadGuard*>(TebSlot(slot))) return *guard;
  } else if (slot != TLS_OUT_OF_INDEXES) {
    if (auto* guard = static_cast<ThreadGuard*>(::TlsGetValue(slot))) return *guard;
  }
  // The thread's guard itself, freed when the thread ends; the slot then no longer points to it.
  struct Owner {
    ThreadGuard guard;
    ~Owner() {
      if (guardSlot != TLS_OUT_OF_INDEXES) ::TlsSetValue(guardSlot, nullptr);
    }
  };
  thread_local Owner owner;
  if (slot != TLS_OUT_OF_INDEXES) ::TlsSetValue(slot, &owner.guard);
  return owner.guard;
}

bool OfThisThread(HWND window) {
  return window && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId();
}

// Sent by another thread, whether or not the sender waits for the answer.
bool SentFromAnotherThread() {
  return (::InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK)) != 0;
}

void SeeWindowMessage(UINT msg);

LRESULT CALLBACK GuardProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                           DWORD_PTR child) noexcept {
  ThreadGuard& guard = Guard();
  if (child && guard.frames == 0 && IsControlMessage(msg) && SentFromAnotherThread()) return 0;
  if (msg == WM_NCDESTROY) {
    guard.children.erase(window);
    ::RemoveWindowSubclass(window, GuardProc, id);
    return ::DefSubclassProc(window, msg, wParam, lParam);
  }
  struct Frame {
    Frame() { ++Guard().frames; }
    ~Frame() { --Guard().frames; }
  } frame;
  SeeWindowMessage(msg);
  return ::DefSubclassProc(window, msg, wParam, lParam);
}

void Attach(HWND window, bool child) {
  if (!::SetWindowSubclass(window, GuardProc, kGuardId, child ? 1 : 0)) return;
  if (child) Guard().children.insert(window);
}

LRESULT CALLBACK CreateHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HCBT_CREATEWND && lParam) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
    const CREATESTRUCTW* cs = create->lpcs;
    HWND window = reinterpret_cast<HWND>(wParam);
    // Message-only windows (COM's, for one) are no controls and take posted calls by design.
    if (cs && cs->hwndParent != HWND_MESSAGE)
      Attach(window, (cs->style & WS_CHILD) != 0 && OfThisThread(cs->hwndParent));
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool MarksSystemLoop(UINT msg) {
  return msg == WM_ENTERMENULOOP || msg == WM_EXITMENULOOP || msg == WM_ENTERSIZEMOVE ||
         msg == WM_EXITSIZEMOVE;
}

// A posted message cannot be told apart by its sender: a control message posted to a control is
// dropped whoever posted it. The system only ever sends the marks of its loops.
bool Refused(const MSG& m) {
  if (!m.hwnd) return false;
  if (IsControlMessage(m.message) && Guard().children.count(m.hwnd) != 0) return true;
  return MarksSystemLoop(m.message) && OfThisThread(m.hwnd);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM lParam) noexcept {
  if (code == HC_ACTION && lParam) {
    auto* m = reinterpret_cast<MSG*>(lParam);
    if (Refused(*m)) {
      m->message = WM_NULL;
      m->wParam = 0;
      m->lParam = 0;
    }
  }
  return ::CallNextHookEx(nullptr, code, removal, lParam);
}

void WatchQueue() {
  ThreadGuard& guard = Guard();
  if (!guard.create || guard.getMessage) return;
  guard.getMessage = ::SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, ::GetCurrentThreadId());
}

void StopWatchingQueue() {
  ThreadGuard& guard = Guard();
  if (guard.getMessage) ::UnhookWindowsHookEx(guard.getMessage);
  guard.getMessage = nullptr;
}

// The system tells a window of the thread that a menu or move/size loop of its own starts or
// ends. Such a loop runs inside a window procedure of the thread but is no code of the program:
// what reaches a control from it is judged afresh, as inside a ModalLoop. Called inside the
// frame of the message itself, which the count keeps. Only the thread's own marks count.
void SeeWindowMessage(UINT msg) {
  if (!MarksSystemLoop(msg) || SentFromAnotherThread()) return;
  ThreadGuard& guard = Guard();
  if (msg == WM_ENTERMENULOOP || msg == WM_ENTERSIZEMOVE) {
    WatchQueue();
    guard.systemLoops.push_back(guard.frames - 1);
    guard.frames = 1;
  } else if (!guard.systemLoops.empty()) {
    guard.frames = guard.systemLoops.back() + 1;
    guard.systemLoops.pop_back();
  }
}

// Dialogs, message boxes, menus, scroll bars and the move and size loop show every message they
// take to the thread's message filter before they handle it: a loop nobody announced is noticed
// here, and the message that revealed it is screened as the hook would have.
LRESULT CALLBACK MessageFilterHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code >= 0 && lParam) {
    WatchQueue();
    if (Refused(*reinterpret_cast<const MSG*>(lParam))) return TRUE;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void Uninstall() {
  StopWatchingQueue();
  ThreadGuard& guard = Guard();
  if (guard.create) ::UnhookWindowsHookEx(guard.create);
  if (guard.filter) ::UnhookWindowsHookEx(guard.filter);
  guard.create = nullptr;
  guard.filter = nullptr;
}

} // namespace

bool IsControlMessage(UINT msg) {
  if (msg >= WM_USER) return true;
  switch (msg) {
  // A control's life: a second creation or a destruction while it lives frees or replaces the
  // state it goes on using.
  case WM_NCCREATE:
  case WM_CREATE:
  case WM_DESTROY:
  case WM_NCDESTROY:
  // Pointers the system does not copy across processes.
  case WM_NOTIFY:
  case WM_COPYDATA:
  case WM_IME_REQUEST:
  case WM_IME_CONTROL:
  case EM_SETWORDBREAKPROC:
  case EM_GETWORDBREAKPROC:
  case EM_SETHANDLE:
  case EM_GETHANDLE:
    return true;
  default:
    return false;
  }
}

ChildWindowGuard::ChildWindowGuard() {
  ThreadGuard& guard = Guard();
  if (guard.create) throw std::runtime_error("this thread already guards its child windows");
  const DWORD thread = ::GetCurrentThreadId();
  guard.create = ::SetWindowsHookExW(WH_CBT, CreateHook, nullptr, thread);
  guard.filter = ::SetWindowsHookExW(WH_MSGFILTER, MessageFilterHook, nullptr, thread);
  if (!guard.create || !guard.filter) {
    Uninstall();
    throw std::runtime_error("the hooks that guard the child windows cannot be installed");
  }
}

ChildWindowGuard::~ChildWindowGuard() {
  // Windows made meanwhile stay guarded: their subclass lives until they go.
  Uninstall();
}

bool ChildWindowGuard::Guards(HWND window) {
  return window && Guard().children.count(window) != 0;
}

bool ChildWindowGuard::Subclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
  if (!::SetWindowSubclass(window, proc, id, data)) return false;
  // The subclass installed last sees a message first: the guard goes in front again.
  if (Guards(window) && ::RemoveWindowSubclass(window, GuardProc, kGuardId))
    ::SetWindowSubclass(window, GuardProc, kGuardId, 1);
  return true;
}

bool ChildWindowGuard::Admit(const MSG& msg) {
  // Back in the program's own loop: whatever modal loop ran has ended, and no window procedure
  // of the thread runs, whichever marks a loop left out.
  ThreadGuard& guard = Guard();
  if (guard.getMessage) StopWatchingQueue();
  guard.frames = 0;
  guard.systemLoops.clear();
  return !Refused(msg);
}

bool ChildWindowGuard::WatchingQueue() {
  return Guard().getMessage != nullptr;
}

void ChildWindowGuard::CountedByItsProcedure(HWND window) {
  // A child window stays subclassed: the guard's drop happens there.
  if (window && !Guards(window)) ::RemoveWindowSubclass(window, GuardProc, kGuardId);
}

ChildWindowGuard::Frame::Frame(UINT msg) {
  ++Guard().frames;
  SeeWindowMessage(msg);
}

ChildWindowGuard::Frame::~Frame() {
  --Guard().frames;
}

ChildWindowGuard::ModalLoop::ModalLoop(Takes takes) : saved_(Guard().frames) {
  Guard().frames = 0;
  if (takes == Takes::Posted) WatchQueue();
}

ChildWindowGuard::ModalLoop::~ModalLoop() {
  Guard().frames = saved_;
}

} // namespace lumivane::win32
