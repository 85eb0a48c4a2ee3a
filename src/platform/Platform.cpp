#include "platform/Platform.h"

namespace lumivane {

const char* Platform::MissingPort() const {
  const struct {
    const void* port;
    const char* name;
  } ports[] = {{clock, "clock"},
               {host, "host"},
               {process, "process"},
               {tray, "tray"},
               {textMetrics, "textMetrics"},
               {iconPainter, "iconPainter"},
               {mainThread, "mainThread"},
               {pool, "pool"},
               {errors, "errors"},
               {monitors, "monitors"},
               {displays, "displays"},
               {wmi, "wmi"},
               {services, "services"},
               {popup, "popup"},
               {mouseHook, "mouseHook"},
               {locale, "locale"},
               {registry, "registry"},
               {settingsView, "settingsView"},
               {panel, "panel"},
               {commands, "commands"},
               {hotkeys, "hotkeys"}};
  for (const auto& p : ports)
    if (!p.port) return p.name;
  return nullptr;
}

} // namespace lumivane
