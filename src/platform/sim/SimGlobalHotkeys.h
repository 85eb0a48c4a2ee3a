#pragma once
// Hotkeys as the test's desktop has them: the combinations this process holds, those other
// programs hold, and key presses delivered by the test.
#include <map>
#include <set>
#include <utility>

#include "platform/GlobalHotkeys.h"

namespace lumivane {

class SimGlobalHotkeys final : public IGlobalHotkeys {
 public:
  void SetHandler(Handler handler) override { handler_ = std::move(handler); }
  Result Register(int id, const Hotkey& hotkey) override;
  void Unregister(int id) override;

  // Another program holds (or lets go of) a combination.
  void HoldElsewhere(const Hotkey& hotkey) { elsewhere_.insert(Key(hotkey)); }
  void ReleaseElsewhere(const Hotkey& hotkey) { elsewhere_.erase(Key(hotkey)); }
  // The next count registrations fail for a reason other than another program.
  void FailRegistrations(int count) { failRegistrations_ = count; }
  // The user presses a combination: the id holding it is reported; false when none here does.
  bool Press(const Hotkey& hotkey);

  const std::map<int, Hotkey>& Registered() const { return registered_; }
  int Registrations() const { return registrations_; } // successful ones

 private:
  static std::pair<int, int> Key(const Hotkey& h) { return {h.modifiers, static_cast<int>(h.key)}; }

  Handler handler_;
  std::map<int, Hotkey> registered_;
  std::set<std::pair<int, int>> elsewhere_;
  int failRegistrations_ = 0;
  int registrations_ = 0;
};

} // namespace lumivane
