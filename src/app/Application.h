#pragma once
#include <windows.h>

#include <memory>

#include "controller/MainForm.h"
#include "platform/win32/ChildWindowGuard.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32CommandChannel.h"
#include "platform/win32/Win32DisplayConfig.h"
#include "platform/win32/Win32GlobalHotkeys.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32IconPainter.h"
#include "platform/win32/Win32Locale.h"
#include "platform/win32/Win32MainThread.h"
#include "platform/win32/Win32MonitorConfig.h"
#include "platform/win32/Win32MouseHook.h"
#include "platform/win32/Win32PanelView.h"
#include "platform/win32/Win32PopupMenu.h"
#include "platform/win32/Win32ProcessServices.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32ServiceManager.h"
#include "platform/win32/Win32SettingsView.h"
#include "platform/win32/Win32SystemErrors.h"
#include "platform/win32/Win32TextMetrics.h"
#include "platform/win32/Win32ThreadPool.h"
#include "platform/win32/Win32Tray.h"
#include "platform/win32/Win32Wmi.h"

namespace lumivane::app {

// The program: the Win32 adapters, the controller built on them, and the routing of the main
// window's messages to the controller's handlers.
class Application {
 public:
  explicit Application(HINSTANCE instance);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Start-up, then the message loop until the main window is gone. Returns the exit code.
  int Run();

 private:
  bool OnMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Declared in construction order; the controller goes first at the end, the window last.
  // Guards every control made on this thread, so it comes before the windows.
  win32::ChildWindowGuard guard_;
  win32::Win32Locale locale_;
  win32::Win32Clock clock_;
  win32::Win32SystemErrors errors_;
  win32::Win32ThreadPool pool_;
  win32::Win32ProcessServices process_;
  win32::Win32Registry registry_;
  win32::Win32MonitorConfig monitors_;
  win32::Win32DisplayConfig displays_;
  win32::Win32Wmi wmi_;
  win32::Win32ServiceManager services_;
  win32::Win32Host host_;
  win32::Win32SettingsView view_;
  win32::Win32MainThread mainThread_;
  win32::Win32CommandChannel commands_{mainThread_};
  win32::Win32Tray tray_;
  win32::Win32PopupMenu popup_;
  win32::Win32PanelView panel_;
  win32::Win32MouseHook mouseHook_;
  win32::Win32TextMetrics textMetrics_;
  win32::Win32IconPainter iconPainter_;
  win32::Win32GlobalHotkeys hotkeys_;
  std::unique_ptr<TController> controller_;
  // The tray menu is asked for by a posted message of our own, and is open.
  bool menuPosted_ = false;
  bool menuOpen_ = false;
  bool quitIgnored_ = false;
  int exitCode_ = 0;
};

} // namespace lumivane::app
