#pragma once
// Processes of one simulated machine: named mutexes shared by all of them, and each process's
// embedded font.
#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Host.h"
#include "platform/sim/SimRegistry.h"

namespace lumivane {

class SimClock;
class SimProcessServices;

// The kernel object namespace every simulated process of a test shares.
class SimMachine {
 public:
  // Lets processes end at a set time (SimProcessServices::ExitAt).
  explicit SimMachine(const SimClock* clock = nullptr) : clock_(clock) {}
  bool MutexExists(const std::u16string& fullName) const;
  // The current user's registry, shared by every process of the machine.
  SimRegistry registry;

 private:
  friend class SimProcessServices;
  void Attach(SimProcessServices* process);
  void Detach(SimProcessServices* process);
  void EndDueProcesses();
  // Create-or-open with initial ownership: false when the name already exists.
  bool CreateMutex(const std::u16string& fullName);
  void CloseMutex(const std::u16string& fullName);

  const SimClock* clock_;
  mutable std::recursive_mutex mutex_;
  std::map<std::u16string, int> handles_; // open handles per mutex name
  std::set<SimProcessServices*> processes_;
};

class SimProcessServices final : public IProcessServices {
 public:
  static constexpr uintptr_t kFirstFont = 0x5000;

  struct Probe {
    std::u16string name;
    bool keep = false;
    bool result = false;
    uint64_t atMs = 0; // the machine clock's local ms, 0 without a clock
  };

  explicit SimProcessServices(SimMachine& machine);
  ~SimProcessServices() override; // the process ends

  bool CheckSingleInstance(const std::u16string& name, bool keep) override;
  uintptr_t InstallEmbeddedFont(int resourceId) override;
  void RemoveFont(uintptr_t handle) override;
  std::u16string ExecutablePath() override { return executablePath_; }
  bool LaunchInstance(const std::u16string& path, const std::u16string& folder) override;
  std::optional<std::u16string> ForegroundProgramName() override;
  std::optional<std::array<uint16_t, 4>> FileVersion(const std::u16string& path) override;

  // The program in front: its file name; "" for one that cannot be opened (elevated); nothing
  // for no foreground window at all. Every query is counted.
  void SetForegroundProgram(std::optional<std::u16string> name) { foreground_ = std::move(name); }
  int ForegroundQueries() const { return foregroundQueries_; }
  // Version information of a file; files without it give nothing.
  void SetFileVersion(const std::u16string& path, std::array<uint16_t, 4> version) {
    versions_[path] = version;
  }

  // The next n checks fail as if the security descriptor could not be built.
  void FailNextChecks(int n) { failNext_ = n; }
  // The process ends now, or once the machine clock reaches localMs: its mutexes close.
  void Exit();
  void ExitAt(uint64_t localMs);
  bool Ended() const { return ended_; }

  // Without the font resource (RCDATA 1) every font load fails.
  void SetFontResourcePresent(bool present) { fontPresent_ = present; }

  struct Launch {
    std::u16string path, folder;
    bool operator==(const Launch&) const = default;
  };
  // The executable and the folders that exist; by default the executable's folder does.
  void SetExecutablePath(const std::u16string& path);
  void RemoveFolder(const std::u16string& folder) { folders_.erase(folder); }
  void FailLaunches(bool fail) { failLaunches_ = fail; }
  const std::vector<Launch>& Launches() const { return launches_; }

  const std::vector<Probe>& Probes() const { return probes_; }
  const std::set<uintptr_t>& InstalledFonts() const { return installed_; }
  const std::vector<uintptr_t>& RemovedFonts() const { return removed_; }
  int BadFontRemovals() const { return badRemovals_; } // handles that were not installed

 private:
  friend class SimMachine;

  SimMachine& machine_;
  std::vector<std::u16string> held_;
  int failNext_ = 0;
  bool ended_ = false;
  bool exitScheduled_ = false;
  uint64_t exitAtMs_ = 0;
  std::vector<Probe> probes_;
  bool fontPresent_ = true;
  uintptr_t nextFont_ = kFirstFont;
  std::set<uintptr_t> installed_;
  std::vector<uintptr_t> removed_;
  int badRemovals_ = 0;
  std::u16string executablePath_;
  std::set<std::u16string> folders_;
  bool failLaunches_ = false;
  std::vector<Launch> launches_;
  std::optional<std::u16string> foreground_;
  int foregroundQueries_ = 0;
  std::map<std::u16string, std::array<uint16_t, 4>> versions_;
};

} // namespace lumivane
