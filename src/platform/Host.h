#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace lumivane {

// The hidden main window and the process around it.
class IHost {
 public:
  // The log memo keeps the newest lines, one per AppendLogLine call: a program that runs for
  // weeks with a device that keeps failing must not fill the memory with its log.
  static constexpr size_t kLogLineLimit = 5000;

  virtual ~IHost() = default;
  virtual void SetTimerEnabled(bool enabled) = 0; // Timer1, 100 ms
  virtual bool TimerEnabled() const = 0;
  // Asks for one extra pass as soon as the main thread is free, never inside the caller (the
  // wheel hook must return at once). Requests made before it runs are that one pass; it runs only
  // while the timer is enabled.
  virtual void RequestPass() = 0;
  virtual void CloseMainForm() = 0; // leads to FormClose and the end of the message loop
  virtual void HideMainForm() = 0;  // the settings window goes out of sight; the program runs on
  // The message the shell broadcasts when its notification area is (re)created.
  virtual uint32_t TaskbarCreatedMessage() = 0;
  virtual void ShowErrorBox(const std::u16string& text) = 0; // modal, caption "Lumivane"
  // Main thread only. Beyond kLogLineLimit lines the oldest go first.
  virtual void AppendLogLine(const std::u16string& line) = 0;
  virtual void InitializeCom() = 0; // for the main thread
  virtual void UninitializeCom() = 0;
  // Shows the hidden main window, brings it to the foreground and restores it when minimised.
  virtual void ShowMainWindow() = 0;
};

// Kernel objects and resources.
class IProcessServices {
 public:
  static constexpr uintptr_t kInvalidFont = ~uintptr_t(0);
  virtual ~IProcessServices() = default;
  // Claims "Global\" + name; keep=false releases a successful probe at once.
  virtual bool CheckSingleInstance(const std::u16string& name, bool keep) = 0;
  // Installs, for this process only, the font embedded as the program's raw-data resource
  // resourceId; kInvalidFont on failure.
  virtual uintptr_t InstallEmbeddedFont(int resourceId) = 0;
  virtual void RemoveFont(uintptr_t handle) = 0;
  // The running executable's full path; empty when the system cannot tell.
  virtual std::u16string ExecutablePath() = 0;
  // Starts a new copy of path with the command line "\"path\" " in folder + "\", without
  // waiting for it. False, and nothing started, when a text is empty, folder is no directory
  // (links followed) or the process cannot be created.
  virtual bool LaunchInstance(const std::u16string& path, const std::u16string& folder) = 0;
  // The file name, without its folder, of the executable that owns the foreground window.
  // Empty text when that process cannot be opened or queried (an elevated one, for instance);
  // nothing when there is no foreground window.
  virtual std::optional<std::u16string> ForegroundProgramName() = 0;
  // The file version of an executable: major, minor, release, build. Nothing when the file has
  // no readable version information.
  virtual std::optional<std::array<uint16_t, 4>> FileVersion(const std::u16string& path) = 0;
};

// path without its last component and without trailing path delimiters; empty without one.
std::u16string FolderOf(const std::u16string& path);

} // namespace lumivane
