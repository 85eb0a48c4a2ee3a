// DDC/CI simulator: a test double that stands in for dxva2.dll. It exports the Monitor
// Configuration functions the program calls and answers them from a small monitor file, so
// that the program can be run under Wine (whose dxva2 has no DDC/CI) and its writes observed.
//
// Where the monitors come from, first match wins:
//   1. the file named by the environment variable LUMIVANE_DDCSIM_CONFIG;
//   2. ddcsim.ini in the folder of this DLL;
//   3. no file at all: two built-in monitors on desktop monitor 0,
//        brightness 60, range 0-100, model "SIM 24A"; brightness 35, range 0-100, model "SIM 27B".
// A named file that cannot be read gives no monitors (and a debug-output line), not the
// built-in pair.
//
// File format: one item per line; blank lines and lines starting with '#' are ignored.
//   monitor [desktop=N] [brightness=N] [min=N] [max=N] [latency=MS] [error=CODE]
//           [flags=FLAG,FLAG,...] [caps=TEXT TO THE END OF THE LINE]
//   desktop index=N [error=CODE] [flags=fail_count,fail_list]
// Numbers are decimal or 0x-hex. Defaults: desktop 0, brightness 50, min 0, max 100,
// latency 0, error 31 (ERROR_GEN_FAILURE), no flags, no capabilities.
//   desktop    the desktop monitor (0-based, EnumDisplayMonitors order) the monitor belongs to;
//              several monitors may share one.
//   latency    milliseconds every DDC/CI exchange (brightness, capabilities) takes.
//   error      the last error set by the failures the flags script.
//   caps       the capabilities string; without one the length reported is 0.
// Monitor flags:
//   fail_first_read  the first GetMonitorBrightness through each handle fails, later ones work
//   fail_reads       every GetMonitorBrightness fails
//   fail_writes      every SetMonitorBrightness fails
//   fail_caps        GetCapabilitiesStringLength fails
//   fail_caps_reply  CapabilitiesRequestAndCapabilitiesReply fails
//   unplugged        not counted any more; its handles fail with
//                    ERROR_GRAPHICS_MONITOR_NO_LONGER_EXISTS
// Desktop flags: fail_count (GetNumberOfPhysicalMonitorsFromHMONITOR fails), fail_list
// (GetPhysicalMonitorsFromHMONITOR fails).
// A line that does not parse is ignored and reported through OutputDebugString.
//
// The monitors are numbered 0, 1, ... in file order ("monitor index"). Every successful
// SetMonitorBrightness appends "<monitor index> <value> <time>" and a line feed to the writes log,
// <time> being when the monitor holds the value (after its latency), as Unix seconds with six
// decimals (Wine's clock is the host's, so scripts compare it with `date +%s.%N`). Readers
// take the first two fields; lines without a time (older logs) replay the same. The log is
// the file named by LUMIVANE_DDCSIM_LOG, else ddcsim-writes.log next to the monitor file (next to
// this DLL for the built-in monitors). On load the log is replayed over the file's brightness,
// so a later process (a restarted program) sees what the monitor holds; delete the log to start
// from the file. The monitor file is re-read when it changes: flags, ranges, latency and
// capabilities take effect at the next call, and a brightness whose value was edited is taken
// over (an on-screen-menu change).
//
// Handles are small integers starting at 0x100, new ones for every GetPhysicalMonitorsFromHMONITOR,
// and unusable (ERROR_INVALID_HANDLE) after DestroyPhysicalMonitor(s).
//
// Each monitor is its own bus: exchanges with different monitors overlap, while one monitor's
// exchanges run one at a time, in the order they acquire it. The writes log is appended under a
// lock of its own, so lines from concurrent writers never mix.
#include <windows.h>

#include <highlevelmonitorconfigurationapi.h>
#include <physicalmonitorenumerationapi.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "../../src/platform/win32/UniqueHandles.h"

// Not declared by every mingw-w64 release.
extern "C" {
BOOL WINAPI GetCapabilitiesStringLength(HANDLE hMonitor, LPDWORD pdwCapabilitiesStringLengthInCharacters);
BOOL WINAPI CapabilitiesRequestAndCapabilitiesReply(HANDLE hMonitor, LPSTR pszASCIICapabilitiesString,
                                                    DWORD dwCapabilitiesStringLengthInCharacters);
}

namespace {

constexpr DWORD kMonitorNoLongerExists = 0xC026258D; // ERROR_GRAPHICS_MONITOR_NO_LONGER_EXISTS
constexpr uintptr_t kFirstHandle = 0x100;

struct SimMonitor {
  int desktop = 0;
  DWORD brightness = 50, minimum = 0, maximum = 100;
  DWORD configuredBrightness = 50; // as the file says, to notice edits on re-read
  DWORD latencyMs = 0;
  DWORD error = ERROR_GEN_FAILURE;
  bool failFirstRead = false, failReads = false, failWrites = false;
  bool failCaps = false, failCapsReply = false, unplugged = false;
  std::string caps;
};

struct SimDesktop {
  bool failCount = false, failList = false;
  DWORD error = ERROR_GEN_FAILURE;
};

struct HandleState {
  size_t monitor = 0;
  bool readBefore = false;
};

struct Config {
  std::vector<SimMonitor> monitors;
  std::map<int, SimDesktop> desktops;
};

struct State {
  bool loaded = false;
  std::wstring configPath; // empty: the built-in monitors
  FILETIME configTime{};
  std::wstring logPath;
  Config config;
  std::map<uintptr_t, HandleState> handles;
  uintptr_t nextHandle = kFirstHandle;
  // One per monitor index, never moved or removed (a deque keeps them in place as it grows):
  // a call may wait on one after the state lock is released.
  std::deque<SRWLOCK> busLocks;
};

// Lock order: a monitor's bus lock, then gLock, then gLogLock; gLock is never held while waiting
// for a bus lock, and only short work runs under it.
SRWLOCK gLock = SRWLOCK_INIT;
SRWLOCK gLogLock = SRWLOCK_INIT;
State gState;

class Guard {
 public:
  explicit Guard(SRWLOCK& lock = gLock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
  ~Guard() { ::ReleaseSRWLockExclusive(&lock_); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  SRWLOCK& lock_;
};

void Note(const std::string& text) {
  const std::string line = "ddcsim: " + text + "\n";
  ::OutputDebugStringA(line.c_str());
  std::fputs(line.c_str(), stderr);
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text)
    out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::wstring EnvVar(const wchar_t* name) {
  // A value that does not fit must not read as unset: a named file would give way to another.
  std::wstring value(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) return {};
    if (n < value.size()) {
      value.resize(n);
      return value;
    }
    value.assign(n, L'\0'); // n counts the terminator when the buffer was too small
  }
  return {};
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring ThisDllFolder() {
  HMODULE self = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ThisDllFolder), &self))
    return {};
  wchar_t path[MAX_PATH * 2];
  const DWORD n = ::GetModuleFileNameW(self, path, static_cast<DWORD>(std::size(path)));
  return n > 0 && n < std::size(path) ? FolderOf(std::wstring(path, n)) : std::wstring();
}

bool FileTime(const std::wstring& path, FILETIME& time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  time = data.ftLastWriteTime;
  return true;
}

bool ReadFileText(const std::wstring& path, std::string& text) {
  HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const lumivane::win32::UniqueHandle owned(file);
  text.clear();
  char buffer[4096];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ::ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0)
    text.append(buffer, got);
  return ok;
}

void AppendFileText(const std::wstring& path, const std::string& text) {
  HANDLE file =
      ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Note("cannot open the writes log " + Narrow(path));
    return;
  }
  const lumivane::win32::UniqueHandle owned(file);
  DWORD written = 0;
  if (!::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size())
    Note("cannot append to the writes log " + Narrow(path));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

bool ParseNumber(const std::string& text, DWORD& value) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long n = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || n > 0xFFFFFFFFull) return false;
  value = static_cast<DWORD>(n);
  return true;
}

bool SetFlags(const std::string& list, SimMonitor* monitor, SimDesktop* desktop, std::string& problem) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string flag = list.substr(start, end - start);
    start = end + 1;
    if (flag.empty()) continue;
    if (monitor && flag == "fail_first_read")
      monitor->failFirstRead = true;
    else if (monitor && flag == "fail_reads")
      monitor->failReads = true;
    else if (monitor && flag == "fail_writes")
      monitor->failWrites = true;
    else if (monitor && flag == "fail_caps")
      monitor->failCaps = true;
    else if (monitor && flag == "fail_caps_reply")
      monitor->failCapsReply = true;
    else if (monitor && flag == "unplugged")
      monitor->unplugged = true;
    else if (desktop && flag == "fail_count")
      desktop->failCount = true;
    else if (desktop && flag == "fail_list")
      desktop->failList = true;
    else {
      problem = "unknown flag '" + flag + "'";
      return false;
    }
  }
  return true;
}

// One line; false with a reason when it does not parse.
bool ParseLine(const std::string& line, Config& config, std::string& problem) {
  size_t pos = line.find_first_not_of(" \t");
  if (pos == std::string::npos || line[pos] == '#') return true;
  size_t end = line.find_first_of(" \t", pos);
  const std::string kind = line.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
  if (kind != "monitor" && kind != "desktop") {
    problem = "unknown item '" + kind + "'";
    return false;
  }
  SimMonitor monitor;
  SimDesktop desktop;
  DWORD desktopIndex = 0, monitorDesktop = 0;
  bool haveIndex = false;
  pos = end;
  while (pos != std::string::npos && (pos = line.find_first_not_of(" \t", pos)) != std::string::npos) {
    if (kind == "monitor" && line.compare(pos, 5, "caps=") == 0) {
      monitor.caps = line.substr(pos + 5);
      break;
    }
    end = line.find_first_of(" \t", pos);
    const std::string token = line.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end;
    const size_t eq = token.find('=');
    if (eq == std::string::npos) {
      problem = "expected key=value, found '" + token + "'";
      return false;
    }
    const std::string key = token.substr(0, eq), value = token.substr(eq + 1);
    if (key == "flags") {
      if (!SetFlags(value, kind == "monitor" ? &monitor : nullptr, kind == "desktop" ? &desktop : nullptr,
                    problem))
        return false;
      continue;
    }
    DWORD* target = nullptr;
    if (key == "error") target = &monitor.error;
    if (kind == "desktop" && key == "index") target = &desktopIndex, haveIndex = true;
    if (kind == "monitor" && key == "desktop") target = &monitorDesktop;
    if (kind == "monitor" && key == "brightness") target = &monitor.brightness;
    if (kind == "monitor" && key == "min") target = &monitor.minimum;
    if (kind == "monitor" && key == "max") target = &monitor.maximum;
    if (kind == "monitor" && key == "latency") target = &monitor.latencyMs;
    if (!target) {
      problem = "unknown key '" + key + "'";
      return false;
    }
    if (!ParseNumber(value, *target)) {
      problem = "'" + key + "' needs a number, found '" + value + "'";
      return false;
    }
  }
  if (kind == "desktop") {
    if (!haveIndex) {
      problem = "desktop needs index=N";
      return false;
    }
    desktop.error = monitor.error;
    config.desktops[static_cast<int>(desktopIndex)] = desktop;
  } else {
    monitor.desktop = static_cast<int>(monitorDesktop);
    monitor.configuredBrightness = monitor.brightness;
    config.monitors.push_back(monitor);
  }
  return true;
}

Config ParseConfig(const std::string& text, const std::wstring& path) {
  Config config;
  int number = 0;
  for (const std::string& line : Lines(text)) {
    ++number;
    std::string problem;
    if (!ParseLine(line, config, problem))
      Note(Narrow(path) + ":" + std::to_string(number) + ": " + problem + "; line ignored");
  }
  return config;
}

Config BuiltInConfig() {
  Config config;
  SimMonitor first;
  first.brightness = first.configuredBrightness = 60;
  first.caps = "(prot(monitor)type(lcd)model(SIM 24A)cmds(01 02 03)vcp(10 12))";
  SimMonitor second;
  second.brightness = second.configuredBrightness = 35;
  second.caps = "(prot(monitor)type(lcd)model(SIM 27B)cmds(01 02 03)vcp(10 12))";
  config.monitors = {first, second};
  return config;
}

void ReplayWritesLog(State& state) {
  std::string text;
  if (!ReadFileText(state.logPath, text)) return;
  for (const std::string& line : Lines(text)) {
    unsigned index = 0, value = 0;
    double time = 0;
    char extra = 0;
    const int fields = std::sscanf(line.c_str(), "%u %u %lf %c", &index, &value, &time, &extra);
    if (fields != 2 && fields != 3) continue;
    if (index < state.config.monitors.size()) state.config.monitors[index].brightness = value;
  }
}

void Load(State& state) {
  state.loaded = true;
  const std::wstring named = EnvVar(L"LUMIVANE_DDCSIM_CONFIG");
  const std::wstring folder = ThisDllFolder();
  std::wstring path = named;
  if (path.empty()) {
    FILETIME unused;
    if (FileTime(folder + L"ddcsim.ini", unused)) path = folder + L"ddcsim.ini";
  }
  state.configPath = path;
  if (path.empty()) {
    state.config = BuiltInConfig();
  } else {
    std::string text;
    FileTime(path, state.configTime);
    if (ReadFileText(path, text))
      state.config = ParseConfig(text, path);
    else
      Note("cannot read " + Narrow(path) + "; no monitors");
  }
  state.logPath = EnvVar(L"LUMIVANE_DDCSIM_LOG");
  if (state.logPath.empty()) state.logPath = (path.empty() ? folder : FolderOf(path)) + L"ddcsim-writes.log";
  ReplayWritesLog(state);
}

// Picks up edits of the monitor file; the simulated brightness survives unless the file's
// value for it changed.
void ReloadIfChanged(State& state) {
  FILETIME now;
  if (state.configPath.empty() || !FileTime(state.configPath, now) ||
      ::CompareFileTime(&now, &state.configTime) == 0)
    return;
  std::string text;
  if (!ReadFileText(state.configPath, text)) return;
  state.configTime = now;
  Config fresh = ParseConfig(text, state.configPath);
  for (size_t i = 0; i < fresh.monitors.size() && i < state.config.monitors.size(); ++i) {
    const SimMonitor& old = state.config.monitors[i];
    if (fresh.monitors[i].configuredBrightness == old.configuredBrightness)
      fresh.monitors[i].brightness = old.brightness;
  }
  state.config = std::move(fresh);
}

State& Current() {
  if (!gState.loaded)
    Load(gState);
  else
    ReloadIfChanged(gState);
  return gState;
}

BOOL Fail(DWORD error) {
  ::SetLastError(error);
  return FALSE;
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) noexcept {
  try {
    reinterpret_cast<std::vector<HMONITOR>*>(param)->push_back(monitor);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

int DesktopIndex(HMONITOR monitor) {
  std::vector<HMONITOR> monitors;
  ::EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  for (size_t i = 0; i < monitors.size(); ++i)
    if (monitors[i] == monitor) return static_cast<int>(i);
  return -1;
}

std::vector<size_t> PhysicalMonitorsOf(const State& state, int desktop) {
  std::vector<size_t> list;
  for (size_t i = 0; i < state.config.monitors.size(); ++i)
    if (state.config.monitors[i].desktop == desktop && !state.config.monitors[i].unplugged) list.push_back(i);
  return list;
}

// The monitor behind a handle, or null with the last error set.
SimMonitor* Resolve(State& state, HANDLE handle, HandleState** handleState = nullptr) {
  const auto found = state.handles.find(reinterpret_cast<uintptr_t>(handle));
  if (found == state.handles.end()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (found->second.monitor >= state.config.monitors.size() ||
      state.config.monitors[found->second.monitor].unplugged) {
    ::SetLastError(kMonitorNoLongerExists);
    return nullptr;
  }
  if (handleState) *handleState = &found->second;
  return &state.config.monitors[found->second.monitor];
}

// Now as Unix seconds with six decimals.
std::string UnixTimeText() {
  FILETIME now{};
  ::GetSystemTimePreciseAsFileTime(&now);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  constexpr unsigned long long kUnixEpochTicks = 116444736000000000ull; // 1970-01-01 in 100 ns since 1601
  const unsigned long long micros = ticks > kUnixEpochTicks ? (ticks - kUnixEpochTicks) / 10 : 0;
  char text[32];
  std::snprintf(text, sizeof text, "%llu.%06llu", micros / 1000000, micros % 1000000);
  return text;
}

SRWLOCK& BusLock(State& state, size_t monitor) {
  while (state.busLocks.size() <= monitor)
    state.busLocks.push_back(SRWLOCK_INIT);
  return state.busLocks[monitor];
}

// One DDC/CI exchange with the monitor behind a handle: its latency is spent holding that
// monitor's bus alone. `answer(state, monitor, handleState)` then runs under the state lock with
// the monitor as it is after the exchange (the file may have changed meanwhile); `afterwards`
// runs still holding the bus, outside the state lock. False with the last error set when the
// handle is unusable before or after the exchange.
template <typename Answer, typename Afterwards>
BOOL Exchange(HANDLE handle, Answer answer, Afterwards afterwards) {
  SRWLOCK* bus = nullptr;
  DWORD latencyMs = 0;
  {
    Guard guard;
    State& state = Current();
    HandleState* handleState = nullptr;
    SimMonitor* monitor = Resolve(state, handle, &handleState);
    if (!monitor) return FALSE;
    latencyMs = monitor->latencyMs;
    bus = &BusLock(state, handleState->monitor);
  }
  Guard busy(*bus);
  if (latencyMs) ::Sleep(latencyMs);
  BOOL result = FALSE;
  {
    Guard guard;
    State& state = Current();
    HandleState* handleState = nullptr;
    SimMonitor* monitor = Resolve(state, handle, &handleState);
    if (!monitor) return FALSE;
    result = answer(state, *monitor, *handleState);
  }
  if (result) afterwards();
  return result;
}

template <typename Answer> BOOL Exchange(HANDLE handle, Answer answer) {
  return Exchange(handle, answer, [] {});
}

} // namespace

extern "C" {

BOOL WINAPI GetNumberOfPhysicalMonitorsFromHMONITOR(HMONITOR hMonitor, LPDWORD pdwNumberOfPhysicalMonitors) {
  if (!pdwNumberOfPhysicalMonitors) return Fail(ERROR_INVALID_PARAMETER);
  const int desktop = DesktopIndex(hMonitor);
  if (desktop < 0) return Fail(ERROR_INVALID_HANDLE);
  try {
    Guard guard;
    State& state = Current();
    const auto scripted = state.config.desktops.find(desktop);
    if (scripted != state.config.desktops.end() && scripted->second.failCount)
      return Fail(scripted->second.error);
    *pdwNumberOfPhysicalMonitors = static_cast<DWORD>(PhysicalMonitorsOf(state, desktop).size());
    return TRUE;
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL WINAPI GetPhysicalMonitorsFromHMONITOR(HMONITOR hMonitor, DWORD dwPhysicalMonitorArraySize,
                                            LPPHYSICAL_MONITOR pPhysicalMonitorArray) {
  if (!pPhysicalMonitorArray) return Fail(ERROR_INVALID_PARAMETER);
  const int desktop = DesktopIndex(hMonitor);
  if (desktop < 0) return Fail(ERROR_INVALID_HANDLE);
  try {
    Guard guard;
    State& state = Current();
    const auto scripted = state.config.desktops.find(desktop);
    if (scripted != state.config.desktops.end() && scripted->second.failList)
      return Fail(scripted->second.error);
    const std::vector<size_t> list = PhysicalMonitorsOf(state, desktop);
    if (list.size() != dwPhysicalMonitorArraySize) return Fail(ERROR_INVALID_PARAMETER);
    for (size_t i = 0; i < list.size(); ++i) {
      const uintptr_t handle = state.nextHandle++;
      state.handles[handle] = HandleState{list[i], false};
      PHYSICAL_MONITOR& out = pPhysicalMonitorArray[i];
      out.hPhysicalMonitor = reinterpret_cast<HANDLE>(handle);
      std::swprintf(out.szPhysicalMonitorDescription, PHYSICAL_MONITOR_DESCRIPTION_SIZE, L"SIM monitor %u",
                    static_cast<unsigned>(list[i]));
    }
    return TRUE;
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL WINAPI DestroyPhysicalMonitor(HANDLE hMonitor) {
  Guard guard;
  return gState.handles.erase(reinterpret_cast<uintptr_t>(hMonitor)) ? TRUE : Fail(ERROR_INVALID_HANDLE);
}

BOOL WINAPI DestroyPhysicalMonitors(DWORD dwPhysicalMonitorArraySize,
                                    LPPHYSICAL_MONITOR pPhysicalMonitorArray) {
  if (dwPhysicalMonitorArraySize && !pPhysicalMonitorArray) return Fail(ERROR_INVALID_PARAMETER);
  BOOL all = TRUE;
  for (DWORD i = 0; i < dwPhysicalMonitorArraySize; ++i)
    if (!DestroyPhysicalMonitor(pPhysicalMonitorArray[i].hPhysicalMonitor)) all = FALSE;
  return all;
}

BOOL WINAPI GetMonitorBrightness(HANDLE hMonitor, LPDWORD pdwMinimumBrightness, LPDWORD pdwCurrentBrightness,
                                 LPDWORD pdwMaximumBrightness) {
  if (!pdwMinimumBrightness || !pdwCurrentBrightness || !pdwMaximumBrightness)
    return Fail(ERROR_INVALID_PARAMETER);
  try {
    return Exchange(hMonitor, [&](State&, SimMonitor& monitor, HandleState& handle) {
      const bool firstRead = !handle.readBefore;
      handle.readBefore = true;
      if (monitor.failReads || (monitor.failFirstRead && firstRead)) return Fail(monitor.error);
      *pdwMinimumBrightness = monitor.minimum;
      *pdwCurrentBrightness = monitor.brightness;
      *pdwMaximumBrightness = monitor.maximum;
      return TRUE;
    });
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL WINAPI SetMonitorBrightness(HANDLE hMonitor, DWORD dwNewBrightness) {
  try {
    std::wstring logPath;
    std::string record;
    return Exchange(
        hMonitor,
        [&](State& state, SimMonitor& monitor, HandleState& handle) {
          if (monitor.failWrites) return Fail(monitor.error);
          if (dwNewBrightness < monitor.minimum || dwNewBrightness > monitor.maximum)
            return Fail(ERROR_INVALID_PARAMETER);
          monitor.brightness = dwNewBrightness;
          logPath = state.logPath;
          record = std::to_string(handle.monitor) + " " + std::to_string(dwNewBrightness) + " ";
          return TRUE;
        },
        [&] {
          // Stamped under the log lock, so the log's lines are in time order.
          Guard appending(gLogLock);
          AppendFileText(logPath, record + UnixTimeText() + "\n");
        });
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL WINAPI GetCapabilitiesStringLength(HANDLE hMonitor, LPDWORD pdwCapabilitiesStringLengthInCharacters) {
  if (!pdwCapabilitiesStringLengthInCharacters) return Fail(ERROR_INVALID_PARAMETER);
  try {
    return Exchange(hMonitor, [&](State&, SimMonitor& monitor, HandleState&) {
      if (monitor.failCaps) return Fail(monitor.error);
      // The length includes the terminating zero, as the real API reports it.
      *pdwCapabilitiesStringLengthInCharacters =
          monitor.caps.empty() ? 0 : static_cast<DWORD>(monitor.caps.size() + 1);
      return TRUE;
    });
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL WINAPI CapabilitiesRequestAndCapabilitiesReply(HANDLE hMonitor, LPSTR pszASCIICapabilitiesString,
                                                    DWORD dwCapabilitiesStringLengthInCharacters) {
  if (!pszASCIICapabilitiesString) return Fail(ERROR_INVALID_PARAMETER);
  try {
    return Exchange(hMonitor, [&](State&, SimMonitor& monitor, HandleState&) {
      if (monitor.failCapsReply || monitor.caps.empty()) return Fail(monitor.error);
      if (dwCapabilitiesStringLengthInCharacters < monitor.caps.size() + 1)
        return Fail(ERROR_INVALID_PARAMETER);
      std::memcpy(pszASCIICapabilitiesString, monitor.caps.c_str(), monitor.caps.size() + 1);
      return TRUE;
    });
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

} // extern "C"
