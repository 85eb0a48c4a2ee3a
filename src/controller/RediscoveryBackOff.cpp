#include "controller/RediscoveryBackOff.h"

#include <algorithm>

#include "assoc/AssocArrays.h"
#include "devices/DeviceTable.h"

namespace lumivane {

void RediscoveryBackOff::Tick(uint64_t wallMs) {
  if (lastWall_ && wallMs > *lastWall_) now_ += wallMs - *lastWall_;
  lastWall_ = wallMs;
  // A device that has stayed usable for a while starts over with a rescan at once.
  for (auto it = entries_.begin(); it != entries_.end();) {
    const Entry& e = it->second;
    if (!e.held && e.back && now_ - e.backAt >= kSoonMs)
      it = entries_.erase(it);
    else
      ++it;
  }
}

bool RediscoveryBackOff::Disable(const std::u16string& uid) {
  Entry& e = entries_[uid];
  const bool soon = e.back && now_ - e.backAt < kSoonMs;
  e.back = false;
  if (!soon) {
    e = Entry{};
    return false;
  }
  e.waitMs = e.waitMs == 0 ? kFirstWaitMs : std::min(e.waitMs * 2, kMaxWaitMs);
  e.held = true;
  e.heldUntil = now_ + e.waitMs;
  return true;
}

void RediscoveryBackOff::Rediscovered(TAssoc& devices) {
  for (auto& [uid, e] : entries_) {
    const bool found = devices.IsSet(uid);
    if (Held(uid)) {
      if (found) devices.Items(uid).Items(u"active") = Variant(false);
      continue;
    }
    e.held = false;
    if (!e.back && found && RecordFlag(devices.Items(uid), u"active")) {
      e.back = true;
      e.backAt = now_;
    }
  }
}

bool RediscoveryBackOff::Held(const std::u16string& uid) const {
  const auto it = entries_.find(uid);
  return it != entries_.end() && it->second.held && now_ < it->second.heldUntil;
}

bool RediscoveryBackOff::RescanDue() const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const auto& entry) { return entry.second.held && now_ >= entry.second.heldUntil; });
}

} // namespace lumivane
