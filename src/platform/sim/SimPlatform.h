#pragma once
// One simulated process: every simulated adapter, and the port bundle that points at them.
// Clock and machine are shared so that several processes can live on one machine.
#include "platform/Platform.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimCommandChannel.h"
#include "platform/sim/SimDisplayConfig.h"
#include "platform/sim/SimGlobalHotkeys.h"
#include "platform/sim/SimHost.h"
#include "platform/sim/SimIconPainter.h"
#include "platform/sim/SimMonitorConfig.h"
#include "platform/sim/SimMouseHook.h"
#include "platform/sim/SimPanelView.h"
#include "platform/sim/SimPopupMenu.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimProcessServices.h"
#include "platform/sim/SimServiceManager.h"
#include "platform/sim/SimSettingsView.h"
#include "platform/sim/SimSystemErrors.h"
#include "platform/sim/SimTextMetrics.h"
#include "platform/sim/SimThreads.h"
#include "platform/sim/SimTray.h"
#include "platform/sim/SimWmi.h"

namespace lumivane {

struct SimPlatform {
  SimPlatform(SimClock& clock, SimMachine& machine, SimThreadPool::Mode mode = SimThreadPool::Mode::Manual)
      : clock(clock), process(machine), tray(iconPainter), pool(mode), monitors(&clock), wmi(&clock), locale("C"), registry(machine.registry) {}

  Platform Ports() {
    Platform p;
    p.clock = &clock;
    p.host = &host;
    p.process = &process;
    p.tray = &tray;
    p.textMetrics = &textMetrics;
    p.iconPainter = &iconPainter;
    p.mainThread = &mainThread;
    p.pool = &pool;
    p.errors = &errors;
    p.monitors = &monitors;
    p.displays = &displays;
    p.wmi = &wmi;
    p.services = &services;
    p.popup = &popup;
    p.mouseHook = &mouseHook;
    p.locale = &locale;
    p.registry = &registry;
    p.settingsView = &settingsView;
    p.panel = &panel;
    p.commands = &commands;
    p.hotkeys = &hotkeys;
    return p;
  }

  SimClock& clock;
  SimHost host;
  SimProcessServices process;
  SimTextMetrics textMetrics;
  SimIconPainter iconPainter; // before the tray, which hands its icon back at the end
  SimTray tray;
  SimMainThread mainThread;
  SimThreadPool pool;
  SimSystemErrors errors;
  SimMonitorConfig monitors;
  SimDisplayConfig displays;
  SimWmi wmi;
  SimServiceManager services;
  SimPopupMenu popup;
  SimMouseHook mouseHook;
  StandInLocale locale;
  SimRegistry& registry; // the machine's: it outlives a process, as settings do
  SimSettingsView settingsView;
  SimPanelView panel;
  SimCommandChannel commands;
  SimGlobalHotkeys hotkeys;
};

} // namespace lumivane
