#pragma once
// Simulated WMI in root\WMI: WmiMonitorID, WmiMonitorBrightness and
// WmiMonitorBrightnessMethods instances per monitor, WmiSetBrightness that changes the
// instance's CurrentBrightness, and WmiError or a time-out scripted at any stage.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Wmi.h"
#include "platform/sim/SimClock.h"

namespace lumivane {

struct SimWmiMonitor {
  std::u16string instanceName;
  bool active = true; // inactive instances are filtered by WHERE Active=True
  bool hasId = true;  // has a WmiMonitorID instance
  WmiValue manufacturerName, productCodeId, userFriendlyName, userFriendlyNameLength;
  bool hasBrightness = false; // has a WmiMonitorBrightness instance
  int64_t currentBrightness = 0;
  WmiValue brightnessAnswer; // when not null, what CurrentBrightness reads as instead
  WmiValue level;            // null or an array of the accepted levels
  int methods = 0;           // WmiMonitorBrightnessMethods instances carrying this name
  int64_t setResult = 0;     // WmiSetBrightness's ReturnValue; 0 also sets CurrentBrightness

  // Character codes of text, padded with zeros to size elements.
  static WmiValue Chars(const std::string& text, size_t size = 16);
  // A monitor's identity: friendlyLength null gives a null UserFriendlyNameLength.
  static SimWmiMonitor Identity(const std::u16string& instance, const std::string& manufacturer,
                                const std::string& product, const std::string& friendly,
                                WmiValue friendlyLength);
  // A laptop panel: identity plus brightness (levels may be empty for null) and one methods object.
  static SimWmiMonitor Panel(const std::u16string& instance, int64_t current,
                             const std::vector<int64_t>& levels);
};

class SimWmi final : public IWmi {
 public:
  enum class Stage { Connect, Query, Next, Get, Method };
  struct MethodCall {
    size_t monitor;
    std::u16string method;
    std::vector<std::pair<std::u16string, int32_t>> args;
    std::thread::id thread;
  };

  // A time-out takes kWmiWaitMs of clock's time, when there is a clock.
  explicit SimWmi(SimClock* clock = nullptr) : clock_(clock) {}

  size_t Add(const SimWmiMonitor& monitor); // instances list in the order added
  SimWmiMonitor State(size_t monitor) const;
  void Update(size_t monitor, const SimWmiMonitor& state);
  // The nth call (1-based) of the stage throws WmiError(description); nth 0: every call.
  void FailAt(Stage stage, size_t nth, const std::u16string& description);
  // The nth call (1-based, 0: every call) of the stage gets no answer within kWmiWaitMs: it
  // throws WmiError(kWmiTimedOut) once that time has passed.
  void TimeOutAt(Stage stage, size_t nth);
  void ClearFailures();
  // Every Connect throws std::runtime_error(what), as when the locator cannot be made; empty
  // text ends that.
  void FailLocator(const std::string& what);

  std::vector<MethodCall> MethodCalls() const;
  std::vector<std::u16string> Queries() const;
  size_t Calls(Stage stage) const;

  std::unique_ptr<IWmiServices> Connect(const std::u16string& nameSpace) override;

 private:
  friend class SimWmiServices;
  friend class SimWmiObjectSet;
  friend class SimWmiObject;
  struct Rule {
    Stage stage;
    size_t nth;
    std::u16string description;
    bool timeOut = false;
  };
  void Step(Stage stage); // counts the call and throws when a rule says so (lock held)
  WmiValue Property(size_t monitor, const std::u16string& className, const std::u16string& property);
  int64_t Call(size_t monitor, const std::u16string& className, const std::u16string& method,
               const std::vector<std::pair<std::u16string, int32_t>>& args);

  SimClock* clock_;
  mutable std::mutex mutex_;
  std::vector<SimWmiMonitor> monitors_;
  std::vector<Rule> rules_;
  std::string locatorFailure_;
  size_t counts_[5] = {};
  std::vector<MethodCall> calls_;
  std::vector<std::u16string> queries_;
};

} // namespace lumivane
