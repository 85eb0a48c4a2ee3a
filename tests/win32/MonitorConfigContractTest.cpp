// The monitor configuration contract against dxva2 as the DDC/CI simulator answers it: Wine's own
// dxva2 has no DDC/CI, so the simulator stands in for the monitors behind the real API.
#include "contract/MonitorConfigContract.h"

#include <windows.h>

#include <sstream>
#include <string>

#include "DdcSimulator.h"
#include "platform/win32/Win32DisplayConfig.h"

namespace lumivane::contract {
namespace {

using win32::DdcSimulator;
using win32::Win32DisplayConfig;
using win32::Win32MonitorConfig;

class Win32MonitorConfigBackend {
 public:
  Win32MonitorConfigBackend() {
    const auto desktops = Win32DisplayConfig().EnumDisplayMonitors();
    if (!desktops.empty()) desktop_ = desktops.front();
  }

  // Monitor lines of the simulator's file, all on desktop monitor 0 (Desktop()).
  void Install(const std::vector<ContractMonitor>& monitors) {
    lines_.clear();
    for (const ContractMonitor& m : monitors) {
      std::string line = "monitor brightness=" + std::to_string(m.current) +
                         " min=" + std::to_string(m.minimum) + " max=" + std::to_string(m.maximum);
      if (!m.capabilities.empty()) line += " caps=" + m.capabilities;
      lines_.push_back(line);
    }
    ::DeleteFileW(sim_.LogPath().c_str()); // start from the file, not from earlier writes
    win32::WriteAll(sim_.ConfigPath(), Text());
    if (!sim_.Load()) ADD_FAILURE() << "the DDC/CI simulator does not load: " << ::GetLastError();
  }

  IMonitorConfig& Config() { return *sim_.Config(); }
  MonitorHandle Desktop() const { return desktop_; }
  MonitorHandle NotADesktop() const { return desktop_ + 0x100; }

  void Unplug(size_t monitor) {
    lines_.at(monitor).insert(std::string("monitor").size(), " flags=unplugged");
    sim_.Edit(Text());
  }

  // The simulator's writes log: "<monitor> <value> <time>" per write.
  std::vector<ContractWrite> Received() const {
    std::istringstream log(win32::ReadAll(sim_.LogPath()));
    std::vector<ContractWrite> writes;
    std::string line;
    while (std::getline(log, line)) {
      std::istringstream fields(line);
      size_t monitor = 0;
      uint32_t value = 0;
      if (fields >> monitor >> value) writes.push_back({monitor, value});
    }
    return writes;
  }

  uint32_t LastError() const { return ::GetLastError(); }
  void ClearLastError() { ::SetLastError(0); }

 private:
  std::string Text() const {
    std::string text;
    for (const auto& line : lines_)
      text += line + "\n";
    return text;
  }

  DdcSimulator sim_;
  MonitorHandle desktop_ = 0;
  std::vector<std::string> lines_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, MonitorConfigContract, Win32MonitorConfigBackend);

} // namespace
} // namespace lumivane::contract
