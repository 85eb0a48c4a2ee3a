#pragma once
// The DDC/CI simulator built next to the Windows tests (target ddcsim), loaded from a private
// copy so that the system's dxva2.dll stays what it is. Each Load starts a fresh copy, with new
// globals, from the monitor file and the writes log of a private folder.
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/Win32MonitorConfig.h"

namespace lumivane::win32 {

inline std::wstring ExeFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L"\\/") + 1);
}

inline std::string ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteAll(const std::wstring& path, const std::string& text) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out << text;
}

class DdcSimulator {
 public:
  DdcSimulator() : source_(ExeFolder() + L"dxva2.dll") {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    folder_ = std::wstring(temp) + L"lumivane-ddcsim-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
              std::to_wstring(++serial) + L"\\";
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    configPath_ = folder_ + L"monitors.ini";
    logPath_ = folder_ + L"writes.log";
    ::SetEnvironmentVariableW(L"LUMIVANE_DDCSIM_LOG", logPath_.c_str());
  }

  ~DdcSimulator() {
    config_.reset();
    ::SetEnvironmentVariableW(L"LUMIVANE_DDCSIM_CONFIG", nullptr);
    ::SetEnvironmentVariableW(L"LUMIVANE_DDCSIM_LOG", nullptr);
    for (const auto& dll : dlls_)
      ::DeleteFileW(dll.c_str());
    for (const wchar_t* name : {L"monitors.ini", L"writes.log", L"ddcsim-writes.log"})
      ::DeleteFileW((folder_ + name).c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }

  DdcSimulator(const DdcSimulator&) = delete;
  DdcSimulator& operator=(const DdcSimulator&) = delete;

  bool Built() const { return ::GetFileAttributesW(source_.c_str()) != INVALID_FILE_ATTRIBUTES; }

  // Loads a fresh copy; with withConfig the monitors come from ConfigPath(). Null on failure,
  // with the last error of the failing step.
  Win32MonitorConfig* Load(bool withConfig = true) {
    config_.reset();
    ::SetEnvironmentVariableW(L"LUMIVANE_DDCSIM_CONFIG", withConfig ? configPath_.c_str() : nullptr);
    const std::wstring copy = folder_ + L"ddcsim" + std::to_wstring(dlls_.size()) + L".dll";
    if (!::CopyFileW(source_.c_str(), copy.c_str(), FALSE)) return nullptr;
    dlls_.push_back(copy);
    HMODULE module = ::LoadLibraryW(copy.c_str());
    if (!module) return nullptr;
    config_ = std::make_unique<Win32MonitorConfig>(UniqueHmodule(module));
    return config_.get();
  }

  // Rewrites the monitor file under a running copy, which takes it over at its next call.
  void Edit(const std::string& text) {
    ::Sleep(20); // a distinct modification time
    WriteAll(configPath_, text);
  }

  Win32MonitorConfig* Config() const { return config_.get(); }
  const std::wstring& Folder() const { return folder_; }
  const std::wstring& ConfigPath() const { return configPath_; }
  void SetConfigPath(const std::wstring& path) { configPath_ = path; }
  const std::wstring& LogPath() const { return logPath_; }

 private:
  std::wstring source_, folder_, configPath_, logPath_;
  std::vector<std::wstring> dlls_;
  std::unique_ptr<Win32MonitorConfig> config_;
};

} // namespace lumivane::win32
