#pragma once
// Devices that stop responding again soon after a rescan brought them back (a monitor that
// answers reads but refuses every write would otherwise cycle every second). The first rescan
// after a device is disabled comes at once; a device disabled again within a minute of its
// return is held back, inactive in the table, for a wait that doubles from 5 s up to 5 min, and
// the rescan at the end of the wait may bring it back. Kept by UID, so it outlives the table
// that every rescan rebuilds.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace lumivane {

class TAssoc;

class RediscoveryBackOff {
 public:
  static constexpr uint64_t kFirstWaitMs = 5'000;
  static constexpr uint64_t kMaxWaitMs = 300'000;
  static constexpr uint64_t kSoonMs = 60'000;

  // The wall clock, once per pass. Only forward steps count, so a clock set back an hour
  // neither stretches a wait nor makes a return look recent.
  void Tick(uint64_t wallMs);
  // Nothing tracked: no time needs counting until the next device is disabled, so the caller
  // may skip reading the wall clock and Rest instead; the next Tick then starts from its reading.
  bool Idle() const { return entries_.empty(); }
  void Rest() { lastWall_.reset(); }
  // The device was just disabled. True when it is held back, so no rescan is needed for it.
  bool Disable(const std::u16string& uid);
  // After a rescan rebuilt the table: held devices it found again are made inactive; the
  // others that were disabled are noted as back.
  void Rediscovered(TAssoc& devices);
  bool Held(const std::u16string& uid) const;
  // A wait has ended: a rescan may bring its device back.
  bool RescanDue() const;
  size_t Tracked() const { return entries_.size(); }

 private:
  struct Entry {
    uint64_t waitMs = 0;
    bool held = false;
    uint64_t heldUntil = 0;
    bool back = false; // a rescan found it usable since it was disabled
    uint64_t backAt = 0;
  };

  uint64_t now_ = 0; // forward wall-clock time since the first tick
  std::optional<uint64_t> lastWall_;
  std::map<std::u16string, Entry> entries_;
};

} // namespace lumivane
