#include "platform/sim/SimProcessServices.h"

#include "platform/sim/SimClock.h"

namespace lumivane {

bool SimMachine::MutexExists(const std::u16string& fullName) const {
  std::lock_guard lock(mutex_);
  auto it = handles_.find(fullName);
  return it != handles_.end() && it->second > 0;
}

void SimMachine::Attach(SimProcessServices* process) {
  std::lock_guard lock(mutex_);
  processes_.insert(process);
}

void SimMachine::Detach(SimProcessServices* process) {
  std::lock_guard lock(mutex_);
  processes_.erase(process);
}

void SimMachine::EndDueProcesses() {
  if (!clock_) return;
  std::lock_guard lock(mutex_);
  const uint64_t now = clock_->LocalMs();
  for (SimProcessServices* p : std::set<SimProcessServices*>(processes_))
    if (p->exitScheduled_ && !p->ended_ && p->exitAtMs_ <= now) p->Exit();
}

bool SimMachine::CreateMutex(const std::u16string& fullName) {
  std::lock_guard lock(mutex_);
  int& count = handles_[fullName];
  ++count;
  return count == 1;
}

void SimMachine::CloseMutex(const std::u16string& fullName) {
  std::lock_guard lock(mutex_);
  auto it = handles_.find(fullName);
  if (it == handles_.end()) return;
  if (--it->second <= 0) handles_.erase(it);
}

SimProcessServices::SimProcessServices(SimMachine& machine) : machine_(machine) {
  machine_.Attach(this);
  SetExecutablePath(u"C:\\Program Files\\Lumivane\\lumivane.exe");
}

void SimProcessServices::SetExecutablePath(const std::u16string& path) {
  executablePath_ = path;
  if (!FolderOf(path).empty()) folders_.insert(FolderOf(path));
}

bool SimProcessServices::LaunchInstance(const std::u16string& path, const std::u16string& folder) {
  if (path.empty() || folder.empty() || !folders_.count(folder) || failLaunches_) return false;
  launches_.push_back({path, folder});
  return true;
}

SimProcessServices::~SimProcessServices() {
  Exit();
  machine_.Detach(this);
}

bool SimProcessServices::CheckSingleInstance(const std::u16string& name, bool keep) {
  machine_.EndDueProcesses();
  Probe probe{name, keep, false, machine_.clock_ ? machine_.clock_->LocalMs() : 0};
  if (failNext_ > 0) {
    --failNext_;
  } else if (!ended_) {
    const std::u16string fullName = u"Global\\" + name;
    const bool created = machine_.CreateMutex(fullName);
    if (created && keep) {
      held_.push_back(fullName);
    } else {
      machine_.CloseMutex(fullName); // an existing mutex, or a probe that keeps nothing
    }
    probe.result = created;
  }
  probes_.push_back(probe);
  return probe.result;
}

void SimProcessServices::Exit() {
  if (ended_) return;
  ended_ = true;
  for (const std::u16string& name : held_)
    machine_.CloseMutex(name);
  held_.clear();
}

void SimProcessServices::ExitAt(uint64_t localMs) {
  exitScheduled_ = true;
  exitAtMs_ = localMs;
}

uintptr_t SimProcessServices::InstallEmbeddedFont(int resourceId) {
  if (!fontPresent_ || resourceId != 1) return kInvalidFont;
  const uintptr_t handle = nextFont_++;
  installed_.insert(handle);
  return handle;
}

void SimProcessServices::RemoveFont(uintptr_t handle) {
  removed_.push_back(handle);
  if (installed_.erase(handle) == 0) ++badRemovals_;
}

std::optional<std::u16string> SimProcessServices::ForegroundProgramName() {
  ++foregroundQueries_;
  return foreground_;
}

std::optional<std::array<uint16_t, 4>> SimProcessServices::FileVersion(const std::u16string& path) {
  auto it = versions_.find(path);
  if (it == versions_.end()) return std::nullopt;
  return it->second;
}

} // namespace lumivane
