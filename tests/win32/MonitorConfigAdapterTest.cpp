// The dxva2 adapter against Wine's own dxva2 and against the DDC/CI simulator built next to
// this test (loaded from a private copy, so that the system's dxva2.dll stays what it is).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "DdcSimulator.h"
#include "platform/win32/Win32DisplayConfig.h"
#include "platform/win32/Win32MonitorConfig.h"

namespace lumivane::win32 {
namespace {

constexpr DWORD kMonitorNoLongerExists = 0xC026258D;

double UnixSecondsNow() {
  FILETIME now{};
  ::GetSystemTimePreciseAsFileTime(&now);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<double>(ticks - 116444736000000000ull) / 1e7;
}

// The test data path is a Unix path; Wine's Z: drive is the Unix root.
std::wstring TestDataPath(const std::string& name) {
  std::string path = std::string(LUMIVANE_TEST_DATA) + "/" + name;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return std::wstring(path.begin(), path.end());
}

MonitorHandle FirstDesktopMonitor() {
  const auto monitors = Win32DisplayConfig().EnumDisplayMonitors();
  return monitors.empty() ? 0 : monitors.front();
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s)
    c = static_cast<wchar_t>(::towlower(c));
  return s;
}

TEST(MonitorConfigAdapterTest, LoadsDxva2FromSystem32EvenWithOneInTheProgramFolder) {
  Win32MonitorConfig config;
  HMODULE module = ::GetModuleHandleW(L"dxva2.dll");
  ASSERT_NE(module, nullptr);
  wchar_t path[MAX_PATH];
  ASSERT_GT(::GetModuleFileNameW(module, path, MAX_PATH), 0u);
  EXPECT_NE(Lower(path).find(L"\\system32\\dxva2.dll"), std::wstring::npos) << "loaded " << path;
}

// A loader as on Windows 7 without KB2533623: LOAD_LIBRARY_SEARCH_SYSTEM32 is an unknown flag.
struct OldLoader {
  static inline std::vector<std::pair<std::wstring, DWORD>> calls;
  static inline DWORD refusal = ERROR_INVALID_PARAMETER;
  static HMODULE WINAPI Load(LPCWSTR name, HANDLE file, DWORD flags) {
    calls.emplace_back(name, flags);
    if (flags & LOAD_LIBRARY_SEARCH_SYSTEM32) {
      ::SetLastError(refusal);
      return nullptr;
    }
    return ::LoadLibraryExW(name, file, flags);
  }
};

TEST(MonitorConfigAdapterTest, WithoutTheSystem32SearchFlagDxva2IsLoadedByItsFullSystem32Path) {
  OldLoader::calls.clear();
  OldLoader::refusal = ERROR_INVALID_PARAMETER;
  const UniqueHmodule module = LoadSystemLibrary(L"dxva2.dll", &OldLoader::Load);
  ASSERT_TRUE(module) << ::GetLastError();
  ASSERT_EQ(OldLoader::calls.size(), 2u);
  wchar_t system[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(Lower(OldLoader::calls[1].first), Lower(std::wstring(system, n) + L"\\dxva2.dll"));
  EXPECT_EQ(OldLoader::calls[1].second, static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH));
  wchar_t path[MAX_PATH];
  ASSERT_GT(::GetModuleFileNameW(module.get(), path, MAX_PATH), 0u);
  EXPECT_NE(Lower(path).find(L"\\system32\\dxva2.dll"), std::wstring::npos) << "loaded " << path;

  // Any other refusal is the answer: nothing is loaded from elsewhere.
  OldLoader::calls.clear();
  OldLoader::refusal = ERROR_MOD_NOT_FOUND;
  EXPECT_FALSE(LoadSystemLibrary(L"dxva2.dll", &OldLoader::Load));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(OldLoader::calls.size(), 1u);
}

// Wine's dxva2 has no DDC/CI: whatever it refuses must come back as a failure with a last
// error, never as a crash or an invented brightness.
TEST(MonitorConfigAdapterTest, SystemDxva2UnderWineFailsBrightnessCallsWithALastError) {
  Win32MonitorConfig config;
  const MonitorHandle monitor = FirstDesktopMonitor();
  ASSERT_NE(monitor, 0u);
  uint32_t count = 0;
  ::SetLastError(0);
  const bool counted = config.GetNumberOfPhysicalMonitors(monitor, count);
  std::cout << "GetNumberOfPhysicalMonitorsFromHMONITOR: " << counted << " count " << count << " error "
            << ::GetLastError() << "\n";
  std::vector<PhysicalMonitorHandle> handles;
  if (counted && count > 0) {
    ASSERT_TRUE(config.GetPhysicalMonitors(monitor, count, handles)) << ::GetLastError();
    ASSERT_EQ(handles.size(), count);
  } else {
    handles.push_back(0);
  }
  for (PhysicalMonitorHandle handle : handles) {
    BrightnessRange range;
    ::SetLastError(0);
    EXPECT_FALSE(config.GetMonitorBrightness(handle, range));
    const DWORD readError = ::GetLastError();
    ::SetLastError(0);
    EXPECT_FALSE(config.SetMonitorBrightness(handle, 50));
    const DWORD writeError = ::GetLastError();
    std::cout << "handle " << handle << ": GetMonitorBrightness error " << readError
              << ", SetMonitorBrightness error " << writeError << "\n";
    EXPECT_NE(readError, 0u);
    EXPECT_NE(writeError, 0u);
    config.DestroyPhysicalMonitor(handle);
  }
}

struct UnavailableCase {
  const char* name;
  bool loadKernel32; // a module without the functions, or none at all
  DWORD error;
};

class UnavailableDxva2Test : public ::testing::TestWithParam<UnavailableCase> {};

TEST_P(UnavailableDxva2Test, EveryCallFailsWithTheReason) {
  const UnavailableCase& c = GetParam();
  Win32MonitorConfig config(UniqueHmodule(c.loadKernel32 ? ::LoadLibraryW(L"kernel32.dll") : nullptr));
  uint32_t number = 0;
  BrightnessRange range;
  std::vector<PhysicalMonitorHandle> handles;
  std::string bytes;
  const std::pair<const char*, std::function<bool()>> calls[] = {
      {"count", [&] { return config.GetNumberOfPhysicalMonitors(1, number); }},
      {"list", [&] { return config.GetPhysicalMonitors(1, 1, handles); }},
      {"get", [&] { return config.GetMonitorBrightness(1, range); }},
      {"set", [&] { return config.SetMonitorBrightness(1, 10); }},
      {"caps length", [&] { return config.GetCapabilitiesStringLength(1, number); }},
      {"caps", [&] { return config.CapabilitiesRequestAndCapabilitiesReply(1, bytes, 10); }},
  };
  for (const auto& [what, call] : calls) {
    ::SetLastError(0);
    EXPECT_FALSE(call()) << what;
    EXPECT_EQ(::GetLastError(), c.error) << what;
  }
  config.DestroyPhysicalMonitor(1); // nothing to call; must not crash
}

INSTANTIATE_TEST_SUITE_P(Dxva2, UnavailableDxva2Test,
                         ::testing::Values(UnavailableCase{"MissingDll", false, ERROR_MOD_NOT_FOUND},
                                           UnavailableCase{"MissingFunctions", true, ERROR_PROC_NOT_FOUND}),
                         [](const auto& info) { return std::string(info.param.name); });

// The simulator from a private folder: its monitor file, its writes log and a copy of the DLL.
class SimulatedMonitorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!sim_.Built()) GTEST_SKIP() << "the DDC/CI simulator (target ddcsim) is not built";
  }

  // Loads a fresh copy of the simulator, which starts from the monitor file and the log.
  void Load(bool withConfig = true) {
    config_ = sim_.Load(withConfig);
    ASSERT_NE(config_, nullptr) << ::GetLastError();
  }

  void LoadFixture() {
    WriteAll(sim_.ConfigPath(), ReadAll(TestDataPath("ddcsim/monitors.ini")));
    Load();
  }

  std::vector<PhysicalMonitorHandle> PhysicalMonitors() {
    uint32_t count = 0;
    EXPECT_TRUE(config_->GetNumberOfPhysicalMonitors(FirstDesktopMonitor(), count)) << ::GetLastError();
    std::vector<PhysicalMonitorHandle> handles;
    EXPECT_TRUE(config_->GetPhysicalMonitors(FirstDesktopMonitor(), count, handles)) << ::GetLastError();
    return handles;
  }

  DdcSimulator sim_;
  Win32MonitorConfig* config_ = nullptr;
};

TEST_F(SimulatedMonitorsTest, ReadsBrightnessAndRangeWithScriptedReadFailures) {
  LoadFixture();
  const auto handles = PhysicalMonitors();
  ASSERT_EQ(handles.size(), 3u); // the monitor of desktop monitor 1 is not behind this one
  EXPECT_NE(handles[0], 0u);
  EXPECT_NE(handles[0], handles[1]);

  BrightnessRange range;
  ASSERT_TRUE(config_->GetMonitorBrightness(handles[0], range));
  EXPECT_EQ(range.minimum, 0u);
  EXPECT_EQ(range.current, 60u);
  EXPECT_EQ(range.maximum, 100u);

  ::SetLastError(0);
  EXPECT_FALSE(config_->GetMonitorBrightness(handles[1], range)) << "fail_first_read";
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
  ASSERT_TRUE(config_->GetMonitorBrightness(handles[1], range)) << "the retry succeeds";
  EXPECT_EQ(range.minimum, 10u);
  EXPECT_EQ(range.current, 35u);
  EXPECT_EQ(range.maximum, 90u);

  for (int attempt = 0; attempt < 2; ++attempt) {
    ::SetLastError(0);
    EXPECT_FALSE(config_->GetMonitorBrightness(handles[2], range));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
  }
}

TEST_F(SimulatedMonitorsTest, RecordsEverySuccessfulWriteInTheLogAndNothingElse) {
  const double before = UnixSecondsNow();
  LoadFixture();
  const auto handles = PhysicalMonitors();
  ASSERT_EQ(handles.size(), 3u);
  EXPECT_TRUE(config_->SetMonitorBrightness(handles[0], 75));
  EXPECT_TRUE(config_->SetMonitorBrightness(handles[1], 10));

  ::SetLastError(0);
  EXPECT_FALSE(config_->SetMonitorBrightness(handles[1], 95)) << "above the monitor's maximum";
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ::SetLastError(0);
  EXPECT_FALSE(config_->SetMonitorBrightness(handles[2], 50)) << "fail_writes";
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));

  BrightnessRange range;
  ASSERT_TRUE(config_->GetMonitorBrightness(handles[0], range));
  EXPECT_EQ(range.current, 75u);
  const double after = UnixSecondsNow();
  // "<monitor> <value> <Unix seconds>" per write, the time taken when the monitor holds the value.
  std::istringstream log(ReadAll(sim_.LogPath()));
  std::vector<std::pair<unsigned, unsigned>> writes;
  std::string line;
  double previous = before;
  while (std::getline(log, line)) {
    std::istringstream fields(line);
    unsigned monitor = 0, value = 0;
    double time = 0;
    std::string rest;
    ASSERT_TRUE(fields >> monitor >> value >> time) << line;
    EXPECT_FALSE(fields >> rest) << line;
    EXPECT_GE(time, previous - 0.001) << line; // in order, not before the test began
    EXPECT_LE(time, after + 0.001) << line;
    previous = time;
    writes.emplace_back(monitor, value);
  }
  EXPECT_EQ(writes, (std::vector<std::pair<unsigned, unsigned>>{{0, 75}, {1, 10}}));
}

TEST_F(SimulatedMonitorsTest, ReplaysLogLinesWithAndWithoutTheirTime) {
  LoadFixture();
  // An older log has no times; a line that does not parse is skipped.
  WriteAll(sim_.LogPath(), "0 42\n1 7 1700000000.250000\n0 x\n1 8 1700000001.000000 extra\n");
  Load();
  const auto handles = PhysicalMonitors();
  ASSERT_EQ(handles.size(), 3u);
  BrightnessRange range;
  ASSERT_TRUE(config_->GetMonitorBrightness(handles[0], range));
  EXPECT_EQ(range.current, 42u);
  config_->GetMonitorBrightness(handles[1], range); // fail_first_read
  ASSERT_TRUE(config_->GetMonitorBrightness(handles[1], range));
  EXPECT_EQ(range.current, 7u);
}

TEST_F(SimulatedMonitorsTest, ALaterProcessSeesWhatTheMonitorWasLeftAt) {
  LoadFixture();
  ASSERT_TRUE(config_->SetMonitorBrightness(PhysicalMonitors()[0], 42));
  Load(); // a fresh copy: new globals, as in a restarted program
  BrightnessRange range;
  ASSERT_TRUE(config_->GetMonitorBrightness(PhysicalMonitors()[0], range));
  EXPECT_EQ(range.current, 42u);
}

TEST_F(SimulatedMonitorsTest, AnswersTheCapabilitiesStringWithItsTerminatingZero) {
  LoadFixture();
  const auto handles = PhysicalMonitors();
  ASSERT_EQ(handles.size(), 3u);
  const std::string caps = "(prot(monitor)type(lcd)model(SIM 24A)cmds(01 02 03)vcp(10 12))";
  uint32_t length = 0;
  ASSERT_TRUE(config_->GetCapabilitiesStringLength(handles[0], length));
  EXPECT_EQ(length, caps.size() + 1);
  std::string bytes;
  ASSERT_TRUE(config_->CapabilitiesRequestAndCapabilitiesReply(handles[0], bytes, length));
  EXPECT_EQ(bytes, caps + '\0');

  ::SetLastError(0);
  EXPECT_FALSE(config_->GetCapabilitiesStringLength(handles[2], length)) << "fail_caps";
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
  ::SetLastError(0);
  EXPECT_FALSE(config_->CapabilitiesRequestAndCapabilitiesReply(handles[0], bytes, 5)) << "buffer too small";
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ::SetLastError(0);
  EXPECT_FALSE(config_->CapabilitiesRequestAndCapabilitiesReply(handles[0], bytes, 0));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "no zero-sized request";
  std::string unsized;
  ::SetLastError(0);
  EXPECT_FALSE(
      config_->CapabilitiesRequestAndCapabilitiesReply(handles[0], unsized, kMaxCapabilitiesLength + 1));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "beyond the limit";
  EXPECT_LE(unsized.capacity(), 64u) << "refused before allocating";
}

TEST_F(SimulatedMonitorsTest, HandlesAreDeadAfterDestroyAndWhenTheMonitorIsUnplugged) {
  LoadFixture();
  auto handles = PhysicalMonitors();
  ASSERT_EQ(handles.size(), 3u);
  config_->DestroyPhysicalMonitor(handles[0]);
  BrightnessRange range;
  ::SetLastError(0);
  EXPECT_FALSE(config_->GetMonitorBrightness(handles[0], range));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ::SetLastError(0);
  EXPECT_FALSE(config_->SetMonitorBrightness(0xDEAD, 10)) << "a handle never handed out";
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  // Unplug the second monitor while the program holds its handle.
  std::string text = ReadAll(sim_.ConfigPath());
  const std::string marker = "flags=fail_first_read";
  text.replace(text.find(marker), marker.size(), "flags=unplugged");
  ::Sleep(20); // a distinct modification time
  WriteAll(sim_.ConfigPath(), text);
  ::SetLastError(0);
  EXPECT_FALSE(config_->GetMonitorBrightness(handles[1], range));
  EXPECT_EQ(::GetLastError(), kMonitorNoLongerExists);
  EXPECT_EQ(PhysicalMonitors().size(), 2u);
}

// An edit of the monitor file is an on-screen-menu change: an edited brightness is taken over,
// the others keep what the program wrote.
TEST_F(SimulatedMonitorsTest, AnEditedBrightnessInTheFileIsTakenOver) {
  LoadFixture();
  const auto handles = PhysicalMonitors();
  ASSERT_EQ(handles.size(), 3u);
  ASSERT_TRUE(config_->SetMonitorBrightness(handles[0], 75));
  ASSERT_TRUE(config_->SetMonitorBrightness(handles[1], 50));
  std::string text = ReadAll(sim_.ConfigPath());
  text.replace(text.find("brightness=60"), 13, "brightness=80");
  ::Sleep(20); // a distinct modification time
  WriteAll(sim_.ConfigPath(), text);
  BrightnessRange range;
  ASSERT_TRUE(config_->GetMonitorBrightness(handles[0], range));
  EXPECT_EQ(range.current, 80u);
  EXPECT_FALSE(config_->GetMonitorBrightness(handles[1], range)) << "fail_first_read";
  ASSERT_TRUE(config_->GetMonitorBrightness(handles[1], range));
  EXPECT_EQ(range.current, 50u);
}

TEST_F(SimulatedMonitorsTest, EveryExchangeTakesTheConfiguredLatency) {
  WriteAll(sim_.ConfigPath(), "monitor brightness=30 latency=60 caps=(vcp(10))\n");
  Load();
  const auto handles = PhysicalMonitors();
  ASSERT_EQ(handles.size(), 1u);
  BrightnessRange range;
  uint32_t length = 0;
  const std::pair<const char*, std::function<bool()>> exchanges[] = {
      {"get", [&] { return config_->GetMonitorBrightness(handles[0], range); }},
      {"set", [&] { return config_->SetMonitorBrightness(handles[0], 40); }},
      {"caps length", [&] { return config_->GetCapabilitiesStringLength(handles[0], length); }},
  };
  for (const auto& [what, exchange] : exchanges) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(exchange()) << what;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50)) << what;
  }
}

// Each monitor is a bus of its own: two threads writing two monitors take the time of one, two
// threads writing one monitor take turns; either way every write lands in the log as one whole
// line, and each monitor's writes in the order they were made.
TEST_F(SimulatedMonitorsTest, DifferentMonitorsOverlapAndOneMonitorsCallsTakeTurns) {
  constexpr int kLatencyMs = 100, kWritesEach = 4;
  WriteAll(sim_.ConfigPath(), "monitor latency=100\nmonitor latency=100\n");
  Load();
  const auto handles = PhysicalMonitors();
  ASSERT_EQ(handles.size(), 2u);
  struct Case {
    const char* what;
    size_t secondThreadsMonitor;
    int minMs, maxMs; // wall time of both threads' writes
  };
  const int serialMs = 2 * kWritesEach * kLatencyMs;
  const Case cases[] = {
      {"two monitors", 1, kWritesEach * kLatencyMs - 10, serialMs * 3 / 4},
      {"one monitor", 0, serialMs - 10, serialMs * 2},
  };
  for (const Case& c : cases) {
    WriteAll(sim_.LogPath(), "");
    const size_t monitors[2] = {0, c.secondThreadsMonitor};
    bool ok[2] = {false, false};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (size_t t = 0; t < 2; ++t)
      threads.emplace_back([&, t] {
        bool all = true;
        // Thread t writes 10t+1, 10t+2, ...: values that tell the threads' writes apart.
        for (int i = 1; i <= kWritesEach; ++i)
          all = config_->SetMonitorBrightness(handles[monitors[t]], static_cast<uint32_t>(10 * t + i)) && all;
        ok[t] = all;
      });
    for (auto& thread : threads)
      thread.join();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    EXPECT_TRUE(ok[0] && ok[1]) << c.what;
    EXPECT_GE(ms, c.minMs) << c.what;
    EXPECT_LE(ms, c.maxMs) << c.what;

    std::istringstream log(ReadAll(sim_.LogPath()));
    std::string line;
    std::vector<std::vector<unsigned>> byThread(2);
    double previous = 0;
    while (std::getline(log, line)) {
      std::istringstream fields(line);
      unsigned monitor = 9, value = 0;
      double time = 0;
      std::string rest;
      ASSERT_TRUE(fields >> monitor >> value >> time) << c.what << ": " << line;
      EXPECT_FALSE(fields >> rest) << c.what << ": " << line;
      EXPECT_GE(time, previous) << c.what << ": " << line;
      previous = time;
      const size_t thread = value / 10;
      ASSERT_LT(thread, 2u) << c.what << ": " << line;
      EXPECT_EQ(monitor, monitors[thread]) << c.what << ": " << line;
      byThread[thread].push_back(value % 10);
    }
    for (size_t t = 0; t < 2; ++t)
      EXPECT_EQ(byThread[t], (std::vector<unsigned>{1, 2, 3, 4})) << c.what << ", thread " << t;
  }
}

TEST_F(SimulatedMonitorsTest, ListingAskedForTheWrongCountFails) {
  LoadFixture();
  std::vector<PhysicalMonitorHandle> handles;
  ::SetLastError(0);
  EXPECT_FALSE(config_->GetPhysicalMonitors(FirstDesktopMonitor(), 2, handles));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ::SetLastError(0);
  EXPECT_FALSE(config_->GetPhysicalMonitors(FirstDesktopMonitor(),
                                            Win32MonitorConfig::kMaxPhysicalMonitors + 1, handles));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SimulatedMonitorsTest, ScriptedDesktopFailuresAndIgnoredBadLines) {
  WriteAll(sim_.ConfigPath(), "desktop index=0 flags=fail_list error=0x15\n"
                              "monitor brightness=abc\n"
                              "monitor brightness=30 colour=red\n"
                              "gadget\n"
                              "monitor brightness=30\n");
  Load();
  uint32_t count = 0;
  ASSERT_TRUE(config_->GetNumberOfPhysicalMonitors(FirstDesktopMonitor(), count));
  EXPECT_EQ(count, 1u) << "only the last line describes a monitor";
  std::vector<PhysicalMonitorHandle> handles;
  ::SetLastError(0);
  EXPECT_FALSE(config_->GetPhysicalMonitors(FirstDesktopMonitor(), count, handles));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
}

// However long its name, a named file that cannot be read gives no monitors rather than the
// built-in pair.
TEST_F(SimulatedMonitorsTest, ANamedFileThatCannotBeReadGivesNoMonitors) {
  const std::wstring missing[] = {sim_.Folder() + L"missing.ini",
                                  sim_.Folder() + std::wstring(600, L'x') + L".ini"};
  for (const std::wstring& path : missing) {
    sim_.SetConfigPath(path);
    Load();
    uint32_t count = 99;
    ASSERT_TRUE(config_->GetNumberOfPhysicalMonitors(FirstDesktopMonitor(), count)) << ::GetLastError();
    EXPECT_EQ(count, 0u) << "a name of " << path.size() << " characters";
  }
}

TEST_F(SimulatedMonitorsTest, WithoutAMonitorFileTwoBuiltInMonitorsAnswer) {
  Load(/*withConfig=*/false);
  const auto handles = PhysicalMonitors();
  ASSERT_EQ(handles.size(), 2u);
  const uint32_t expected[] = {60, 35};
  const char* models[] = {"model(SIM 24A)", "model(SIM 27B)"};
  for (size_t i = 0; i < 2; ++i) {
    BrightnessRange range;
    ASSERT_TRUE(config_->GetMonitorBrightness(handles[i], range));
    EXPECT_EQ(range.current, expected[i]);
    EXPECT_EQ(range.maximum, 100u);
    uint32_t length = 0;
    std::string bytes;
    ASSERT_TRUE(config_->GetCapabilitiesStringLength(handles[i], length));
    ASSERT_TRUE(config_->CapabilitiesRequestAndCapabilitiesReply(handles[i], bytes, length));
    EXPECT_NE(bytes.find(models[i]), std::string::npos) << bytes;
  }
}

} // namespace
} // namespace lumivane::win32
