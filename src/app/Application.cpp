#include "app/Application.h"

#include <commctrl.h>

#include "platform/win32/Messages.h"

namespace lumivane::app {

Application::Application(HINSTANCE instance)
    : host_(instance), mainThread_(host_.Window()), tray_(host_.Window(), instance),
      textMetrics_(host_.Window()) {
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
  controller_ = std::make_unique<TController>(platform);
  host_.SetMessageHandler([this](HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return OnMessage(window, msg, wParam, lParam, result);
  });
}

Application::~Application() {
  host_.SetMessageHandler(nullptr);
  controller_.reset();
  SetCurrentLocale(nullptr);
}

int Application::Run() {
  controller_->Startup();
  MSG msg{};
  for (;;) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool Application::OnMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  TController* c = controller_.get();
  if (!c) return false;
  if (c->FTaskMsg != 0 && msg == c->FTaskMsg) {
    // A restarted shell has a new notification area that knows nothing of the icon.
    tray_.OnTaskbarCreated();
    tray_.Refresh();
    result = 1;
    return true;
  }
  switch (msg) {
  case WM_TIMER:
    if (wParam != win32::kTimer1Id) return false;
    c->Timer1Timer();
    result = 0;
    return true;
  case WM_QUERYENDSESSION:
    // The end of the session also ends a pending restart, so no new copy starts. The program
    // consents and leaves through its own exit path at the next timer pass.
    c->RunState = 0;
    result = TRUE;
    return true;
  case WM_ENDSESSION:
    if (wParam) c->RunState = 0;
    result = 0;
    return true;
  case WM_DISPLAYCHANGE:
    if (c->RunState > 0) c->RescanRequested = true;
    return false;
  case WM_DPICHANGED: {
    c->WMDpiChanged();
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    ::SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    result = 0;
    return true;
  }
  case WM_CLOSE:
    // The user closing the settings window only hides it while the program runs.
    if (c->RunState > 0) {
      ::ShowWindow(window, SW_HIDE);
      result = 0;
      return true;
    }
    // A job still writes the monitors and reports into the device table that the close handler
    // frees; the timer closes the window once it has ended.
    if (c->WorkerBusy) {
      result = 0;
      return true;
    }
    return false;
  case WM_DESTROY: {
    // The message loop has to end even when the close handler fails.
    struct QuitAfterwards {
      ~QuitAfterwards() { ::PostQuitMessage(0); }
    } quit;
    c->FormClose();
    result = 0;
    return true;
  }
  case win32::kMsgTrayCallback:
    result = 0;
    return true;
  default:
    return false;
  }
}

} // namespace lumivane::app
