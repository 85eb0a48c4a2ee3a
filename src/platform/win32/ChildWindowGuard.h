#pragma once
#include <windows.h>

#include <commctrl.h>

namespace lumivane::win32 {

// The controls of the program act only on messages that come from the thread that made them.
// Any process on the desktop can send or post to a child window, and many control messages carry
// pointers (TCM_GETITEMW, EM_STREAMIN, EM_SETWORDBREAKPROC, ...) that the control uses as they
// are: one message from elsewhere would write into, or jump through, the program's memory.
//
// While a guard lives on a thread, every child window made on that thread under one of its own
// windows is subclassed when it is created, and a control message (IsControlMessage) is dropped
// before the control sees it when it was sent from another thread, or posted by anyone: the
// program's own code sends to its controls directly and posts only to its top-level windows.
// Messages that the system copies across processes (WM_GETTEXT, WM_SETTEXT, CB_GETLBTEXT, ...),
// input and painting still reach the controls, so that tools which read the window, and the
// system itself, keep working.
//
// Sent messages are told apart by InSendMessageEx, which also answers "another thread" inside the
// program's own window procedures while they handle a message from elsewhere; a control message
// that such a procedure sends on is the program's own. So every window of the thread is
// subclassed, and a control message counts as foreign only when it arrives outside all of them.
// A message loop that runs inside a window procedure (a dialog, a menu, a call into another
// process) is marked with ModalLoop, so that what reaches a control from it is judged afresh.
//
// Posted messages are screened by the program's own message loop (Admit). A hook on every
// message taken off the queue would do the same everywhere, but costs each message a few calls
// into the system (under Wine, server round trips), a timer tick among them. So that hook is
// installed only while a modal loop of someone else's may take messages off the queue: one
// marked as such, one that announces itself to a window of the thread (menu loop, move and size
// loop) or one that shows its messages to the thread's message filter (dialogs, message boxes,
// menus, scroll bars); it goes again when the program's own loop takes the next message.
class ChildWindowGuard {
 public:
  // On the calling thread; throws std::runtime_error when a hook cannot be installed or the
  // thread already has a guard.
  ChildWindowGuard();
  ~ChildWindowGuard();
  ChildWindowGuard(const ChildWindowGuard&) = delete;
  ChildWindowGuard& operator=(const ChildWindowGuard&) = delete;

  // Whether window is a child window that this thread's guard protects.
  static bool Guards(HWND window);
  // SetWindowSubclass that keeps the guard in front, so that proc never sees a dropped message.
  static bool Subclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);

  // The program's own message loop hands every message it takes off the queue here before it
  // dispatches it; false: drop it. A posted control message cannot be told apart by its poster:
  // posted to a guarded control, it is dropped whoever posted it.
  static bool Admit(const MSG& msg);

  // A window of the thread whose own procedure counts its calls with a Frame: the guard's
  // subclass leaves it. Every message to a subclassed window costs the subclass machinery's
  // lookups (under Wine, server calls), which a window that takes a timer tick every 100 ms
  // should not pay. Call it right after the window is made.
  static void CountedByItsProcedure(HWND window);

  // One call of a window procedure of the thread, for a window that CountedByItsProcedure, with
  // the message it handles.
  class Frame {
   public:
    explicit Frame(UINT msg);
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
  };

  // What a modal loop takes off the thread's queue besides the messages sent to it.
  enum class Takes {
    SentOnly, // a wait for another thread or process that serves sent messages only
    Posted,   // a loop that dispatches posted messages too: a menu, a dialog, a message box
  };

  // Marks a message loop of someone else's that runs inside a window procedure of the thread.
  class ModalLoop {
   public:
    explicit ModalLoop(Takes takes = Takes::SentOnly);
    ~ModalLoop();
    ModalLoop(const ModalLoop&) = delete;
    ModalLoop& operator=(const ModalLoop&) = delete;

   private:
    int saved_;
  };

  // Whether the hook that screens every message taken off the queue is installed now.
  static bool WatchingQueue();
};

// Messages a control must take only from its own thread: every message from WM_USER up (the
// controls' own and private ones), and the system messages whose parameters the system does not
// check or copy and the control uses as pointers, callbacks or its own life (creation and
// destruction).
bool IsControlMessage(UINT msg);

} // namespace lumivane::win32
