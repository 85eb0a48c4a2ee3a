#pragma once
// Every port the program uses, bundled. The app fills it with the Win32 adapters, tests with
// the simulated ones.
#include "platform/Clock.h"
#include "platform/CommandChannel.h"
#include "platform/DisplayConfig.h"
#include "platform/GlobalHotkeys.h"
#include "platform/Host.h"
#include "platform/IconPainter.h"
#include "platform/Locale.h"
#include "platform/MonitorConfig.h"
#include "platform/MouseHook.h"
#include "platform/PanelView.h"
#include "platform/PopupMenu.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/SettingsView.h"
#include "platform/SystemErrors.h"
#include "platform/Threads.h"
#include "platform/Tray.h"
#include "platform/Wmi.h"

namespace lumivane {

// Every port is required: the controller checks the bundle once, when it is made, and relies
// on each pointer from then on.
struct Platform {
  IClock* clock = nullptr;
  IHost* host = nullptr;
  IProcessServices* process = nullptr;
  ITray* tray = nullptr;
  ITextMetrics* textMetrics = nullptr;
  IIconPainter* iconPainter = nullptr;
  IMainThread* mainThread = nullptr;
  IThreadPool* pool = nullptr;
  ISystemErrors* errors = nullptr;
  IMonitorConfig* monitors = nullptr;
  IDisplayConfig* displays = nullptr;
  IWmi* wmi = nullptr;
  IServiceManager* services = nullptr;
  IPopupMenu* popup = nullptr;
  IMouseHook* mouseHook = nullptr;
  ILocale* locale = nullptr;
  IRegistry* registry = nullptr;
  ISettingsView* settingsView = nullptr;
  IPanelView* panel = nullptr;
  ICommandChannel* commands = nullptr;
  IGlobalHotkeys* hotkeys = nullptr;

  // The name of the first port that is missing, or null when every port is there.
  const char* MissingPort() const;
};

} // namespace lumivane
