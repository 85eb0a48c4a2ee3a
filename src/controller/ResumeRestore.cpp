#include "controller/ResumeRestore.h"

#include <utility>

namespace lumivane {

void ResumeRestore::Suspend(const std::map<std::u16string, int>& values) {
  std::map<std::u16string, int> merged = values;
  if (resumed_)
    for (const auto& [uid, value] : waiting_)
      merged[uid] = value;
  waiting_ = std::move(merged);
  armed_ = true;
  resumed_ = false;
}

bool ResumeRestore::Resume(uint64_t wallMs) {
  if (!armed_) return false;
  armed_ = false;
  if (waiting_.empty()) return false;
  resumed_ = true;
  lastWall_ = wallMs;
  now_ = 0;
  resumedAt_ = 0;
  lastRescan_ = 0;
  rescanned_ = false;
  lastJob_.clear();
  return true;
}

void ResumeRestore::Tick(uint64_t wallMs) {
  if (lastWall_ && wallMs > *lastWall_) now_ += wallMs - *lastWall_;
  lastWall_ = wallMs;
}

std::optional<int> ResumeRestore::Wanted(const std::u16string& uid) const {
  if (!Running()) return std::nullopt;
  const auto it = waiting_.find(uid);
  if (it == waiting_.end()) return std::nullopt;
  return it->second;
}

void ResumeRestore::Clear() {
  waiting_.clear();
  armed_ = false;
  resumed_ = false;
  lastWall_.reset();
}

bool ResumeRestore::JobDue(const std::u16string& uid) const {
  const auto it = lastJob_.find(uid);
  return it == lastJob_.end() || now_ - it->second >= kRescanEveryMs;
}

} // namespace lumivane
