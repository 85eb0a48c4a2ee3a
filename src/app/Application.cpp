#include "app/Application.h"

#include <commctrl.h>

#include "platform/win32/Messages.h"
#include "platform/win32/ThreadStack.h"

namespace lumivane::app {

namespace {

// The rectangle WM_DPICHANGED suggests. Any process can send or post the message with any lParam:
// it is read only from this thread's own stack, where the system's rectangle lies, and used only
// when it is a plausible window on a monitor of this desktop. False: no suggestion.
bool SuggestedRect(LPARAM lParam, RECT& rect) {
  if (lParam == 0 || !win32::OnThisStack(lParam, sizeof rect)) return false;
  rect = *reinterpret_cast<const RECT*>(lParam);
  constexpr LONG kMaxSide = 32767;
  if (rect.right <= rect.left || rect.bottom <= rect.top) return false;
  if (rect.right - rect.left > kMaxSide || rect.bottom - rect.top > kMaxSide) return false;
  return ::MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr;
}

} // namespace

Application::Application(HINSTANCE instance)
    : host_(instance), view_(host_.Window(), instance, host_.LogEdit()), mainThread_(host_),
      tray_(host_.Window(), instance), popup_(host_.Window()), panel_(host_.Window(), instance),
      textMetrics_(host_.Window()), hotkeys_(host_.Window()) {
  // The locale has to serve before the controller compares or upper-cases a key.
  SetCurrentLocale(&locale_);
  Platform platform;
  platform.clock = &clock_;
  platform.host = &host_;
  platform.process = &process_;
  platform.tray = &tray_;
  platform.textMetrics = &textMetrics_;
  platform.iconPainter = &iconPainter_;
  platform.mainThread = &mainThread_;
  platform.pool = &pool_;
  platform.errors = &errors_;
  platform.monitors = &monitors_;
  platform.displays = &displays_;
  platform.wmi = &wmi_;
  platform.services = &services_;
  platform.popup = &popup_;
  platform.mouseHook = &mouseHook_;
  platform.locale = &locale_;
  platform.registry = &registry_;
  platform.settingsView = &view_;
  platform.panel = &panel_;
  platform.commands = &commands_;
  platform.hotkeys = &hotkeys_;
  controller_ = std::make_unique<TController>(platform);
  host_.SetMessageHandler([this](HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return OnMessage(window, msg, wParam, lParam, result);
  });
}

Application::~Application() {
  // A brightness job still running reports to the controller, writes through dxva2 and logs:
  // none of them may go while it runs. It is served meanwhile, so that it can end; one that does
  // not end in time keeps everything it uses, and the process ends without freeing any of it.
  constexpr uint32_t kJobGraceMs = 5000;
  const bool idle = pool_.WaitIdle(kJobGraceMs, [this] {
    if (const std::shared_ptr<win32::WorkQueue>& work = host_.Work()) work->Drain();
  });
  if (!idle) ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(exitCode_));
  host_.SetMessageHandler(nullptr);
  controller_.reset();
  SetCurrentLocale(nullptr);
}

int Application::Run() {
  controller_->Startup();
  MSG msg{};
  for (;;) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // Only the quit that our own WM_DESTROY queued ends the program: by then the window is
      // gone. Any process can post WM_QUIT to the thread or the window.
      if (!host_.Window()) return exitCode_ = static_cast<int>(msg.wParam);
      if (!quitIgnored_) {
        quitIgnored_ = true;
        controller_->LogLine(u"[" + controller_->Log().TimeText() +
                             u"] A quit message that the program did not send was ignored");
      }
      continue;
    }
    if (got == -1) return exitCode_ = 1;
    if (!win32::ChildWindowGuard::Admit(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool Application::OnMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  TController* c = controller_.get();
  if (!c) return false;
  // Ten times a second, and none of the others below takes it.
  if (msg == WM_TIMER && wParam == win32::kTimer1Id) {
    c->Timer1Timer();
    result = 0;
    return true;
  }
  // The settings window's controls: the user's changes, the pages, their colours.
  if (view_.HandleMessage(msg, wParam, lParam, result)) return true;
  // The window only translates messages; every decision is the controller's.
  if (c->FTaskMsg != 0 && msg == c->FTaskMsg) {
    c->TaskbarCreated();
    result = 1;
    return true;
  }
  if (hotkeys_.HandleMessage(msg, wParam)) {
    result = 0;
    return true;
  }
  switch (msg) {
  case win32::kMsgPass:
    c->RequestedPass();
    result = 0;
    return true;
  case WM_QUERYENDSESSION:
    result = c->WMQueryEndSession() ? TRUE : FALSE;
    return true;
  case WM_ENDSESSION:
    c->WMEndSession(wParam != FALSE);
    result = 0;
    return true;
  case WM_DISPLAYCHANGE:
    c->WMDisplayChange();
    return false;
  case WM_POWERBROADCAST:
    if (wParam == PBT_APMSUSPEND) c->PowerSuspend();
    if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) c->PowerResume();
    result = TRUE;
    return true;
  case WM_DPICHANGED: {
    c->WMDpiChanged();
    RECT suggested{};
    if (SuggestedRect(lParam, suggested))
      ::SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    view_.DpiChanged();
    result = 0;
    return true;
  }
  case WM_CLOSE:
    // Running: the settings window only hides. A job still running: the timer closes later.
    if (!c->FormClose()) {
      result = 0;
      return true;
    }
    return false;
  case WM_DESTROY: {
    // The message loop has to end even when the close handler fails. The timer's close comes
    // here directly; FormClose releases only once.
    struct QuitAfterwards {
      ~QuitAfterwards() { ::PostQuitMessage(0); }
    } quit;
    c->FormClose();
    result = 0;
    return true;
  }
  case win32::kMsgTrayCallback:
    // wParam is our icon's id and lParam the mouse message; a forged one carries anything and
    // must stay harmless.
    result = 0;
    if (wParam != win32::kTrayIconId) return true;
    switch (LOWORD(lParam)) {
    case WM_MOUSEMOVE:
      c->TrayIcon1MouseMove();
      break;
    case WM_LBUTTONUP:
      c->TrayIcon1Click();
      break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
      // The menu's modal loop must not run inside the shell's callback; one request at a time,
      // and none while the menu is open.
      if (!menuPosted_ && !menuOpen_)
        menuPosted_ = ::PostMessageW(window, win32::kMsgOpenMenu, 0, 0) != FALSE;
      break;
    }
    return true;
  case win32::kMsgOpenMenu: {
    // Honoured only as the request the tray callback posted; any other was forged.
    result = 0;
    if (!menuPosted_ || menuOpen_) return true;
    menuPosted_ = false;
    menuOpen_ = true;
    struct Closed {
      bool& open;
      ~Closed() { open = false; }
    } closed{menuOpen_};
    c->OpenMenu();
    return true;
  }
  default:
    return false;
  }
}

} // namespace lumivane::app
