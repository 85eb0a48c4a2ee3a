#pragma once
// Brightness after sleep. Monitors often wake at another brightness, and many refuse DDC/CI for
// a few seconds after waking. Every device in use when the computer went to sleep is given its
// own value back once it answers again, unless the user changed it since the wake; a minute
// after the wake the program stops trying. This keeps the list and the time; the controller
// finds the devices, writes the values and tells it what happened.
//
// Time is the wall clock's forward steps only, taken from the wake on: neither the hours asleep
// nor a clock set back count.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace lumivane {

class ResumeRestore {
 public:
  static constexpr uint64_t kLimitMs = 60'000;
  // While a device that is waiting is missing from the table, rescans come this far apart.
  static constexpr uint64_t kRescanEveryMs = 3'000;

  // The values to give back, device key -> brightness. A value an earlier wake has not given
  // back yet stays: the device still shows what it woke with.
  void Suspend(const std::map<std::u16string, int>& values);
  // Starts the minute. False when there is nothing to give back, or this wake was reported
  // already (the system reports one wake twice).
  bool Resume(uint64_t wallMs);
  void Tick(uint64_t wallMs);

  // Whether devices are still waiting for their value within the minute.
  bool Running() const { return resumed_ && !waiting_.empty(); }
  bool OverTime() const { return resumed_ && now_ - resumedAt_ >= kLimitMs; }
  const std::map<std::u16string, int>& Waiting() const { return waiting_; }
  std::optional<int> Wanted(const std::u16string& uid) const;
  // The device has its value back, or the user changed it: it waits no longer.
  void Done(const std::u16string& uid) { waiting_.erase(uid); }
  void Clear();

  void Rescanned() {
    lastRescan_ = now_;
    rescanned_ = true;
  }
  // Whether the table was rebuilt since the wake; before that it holds the values of before sleep.
  bool RescannedSinceWake() const { return rescanned_; }

  // A device that refuses its write is tried again no sooner than a rescan would look again, so
  // that a monitor still waking does not collect an error every pass.
  bool JobDue(const std::u16string& uid) const;
  void JobStarted(const std::u16string& uid) { lastJob_[uid] = now_; }
  bool RescanDue() const { return Running() && now_ - lastRescan_ >= kRescanEveryMs; }

 private:
  std::map<std::u16string, int> waiting_;
  bool armed_ = false;   // a suspend not yet followed by its wake
  bool resumed_ = false; // the minute runs
  bool rescanned_ = false;
  uint64_t now_ = 0;     // forward time since the wake
  uint64_t resumedAt_ = 0;
  uint64_t lastRescan_ = 0;
  std::optional<uint64_t> lastWall_;
  std::map<std::u16string, uint64_t> lastJob_;
};

} // namespace lumivane
