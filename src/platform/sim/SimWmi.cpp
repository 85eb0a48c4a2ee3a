#include "platform/sim/SimWmi.h"

#include <stdexcept>

namespace lumivane {

WmiValue SimWmiMonitor::Chars(const std::string& text, size_t size) {
  std::vector<int64_t> codes;
  for (unsigned char c : text)
    codes.push_back(c);
  while (codes.size() < size)
    codes.push_back(0);
  return WmiValue::IntArray(codes);
}

SimWmiMonitor SimWmiMonitor::Identity(const std::u16string& instance, const std::string& manufacturer,
                                      const std::string& product, const std::string& friendly,
                                      WmiValue friendlyLength) {
  SimWmiMonitor m;
  m.instanceName = instance;
  m.manufacturerName = Chars(manufacturer);
  m.productCodeId = Chars(product);
  m.userFriendlyName = Chars(friendly, 14);
  m.userFriendlyNameLength = friendlyLength;
  return m;
}

SimWmiMonitor SimWmiMonitor::Panel(const std::u16string& instance, int64_t current,
                                   const std::vector<int64_t>& levels) {
  SimWmiMonitor m = Identity(instance, "LEN", "40A9", "", WmiValue::Int(0));
  m.hasBrightness = true;
  m.currentBrightness = current;
  if (!levels.empty()) m.level = WmiValue::IntArray(levels);
  m.methods = 1;
  return m;
}

class SimWmiObject final : public IWmiObject {
 public:
  SimWmiObject(SimWmi& wmi, size_t monitor, std::u16string className)
      : wmi_(wmi), monitor_(monitor), className_(std::move(className)) {}
  WmiValue Get(const std::u16string& property) override {
    return wmi_.Property(monitor_, className_, property);
  }
  int64_t CallMethod(const std::u16string& method,
                     const std::vector<std::pair<std::u16string, int32_t>>& args) override {
    return wmi_.Call(monitor_, className_, method, args);
  }

 private:
  SimWmi& wmi_;
  size_t monitor_;
  std::u16string className_;
};

class SimWmiObjectSet final : public IWmiObjectSet {
 public:
  SimWmiObjectSet(SimWmi& wmi, std::vector<size_t> monitors, std::u16string className)
      : wmi_(wmi), monitors_(std::move(monitors)), className_(std::move(className)) {}
  std::unique_ptr<IWmiObject> Next() override {
    {
      std::lock_guard lock(wmi_.mutex_);
      wmi_.Step(SimWmi::Stage::Next);
    }
    if (next_ >= monitors_.size()) return nullptr;
    return std::make_unique<SimWmiObject>(wmi_, monitors_[next_++], className_);
  }

 private:
  SimWmi& wmi_;
  std::vector<size_t> monitors_;
  std::u16string className_;
  size_t next_ = 0;
};

class SimWmiServices final : public IWmiServices {
 public:
  explicit SimWmiServices(SimWmi& wmi) : wmi_(wmi) {}
  std::unique_ptr<IWmiObjectSet> ExecQuery(const std::u16string& query) override {
    std::lock_guard lock(wmi_.mutex_);
    wmi_.Step(SimWmi::Stage::Query);
    wmi_.queries_.push_back(query);
    static const std::u16string prefix = u"SELECT * FROM ", suffix = u" WHERE Active=True";
    if (query.size() <= prefix.size() + suffix.size() || query.compare(0, prefix.size(), prefix) != 0 ||
        query.compare(query.size() - suffix.size(), suffix.size(), suffix) != 0)
      throw WmiError(u"Invalid query");
    const std::u16string className =
        query.substr(prefix.size(), query.size() - prefix.size() - suffix.size());
    std::vector<size_t> found;
    for (size_t i = 0; i < wmi_.monitors_.size(); ++i) {
      const SimWmiMonitor& m = wmi_.monitors_[i];
      if (!m.active) continue;
      if (className == u"WmiMonitorID") {
        if (m.hasId) found.push_back(i);
      } else if (className == u"WmiMonitorBrightness") {
        if (m.hasBrightness) found.push_back(i);
      } else if (className == u"WmiMonitorBrightnessMethods") {
        for (int k = 0; k < m.methods; ++k)
          found.push_back(i);
      } else {
        throw WmiError(u"Invalid class");
      }
    }
    return std::make_unique<SimWmiObjectSet>(wmi_, std::move(found), className);
  }

 private:
  SimWmi& wmi_;
};

size_t SimWmi::Add(const SimWmiMonitor& monitor) {
  std::lock_guard lock(mutex_);
  monitors_.push_back(monitor);
  return monitors_.size() - 1;
}

SimWmiMonitor SimWmi::State(size_t monitor) const {
  std::lock_guard lock(mutex_);
  return monitors_.at(monitor);
}

void SimWmi::Update(size_t monitor, const SimWmiMonitor& state) {
  std::lock_guard lock(mutex_);
  monitors_.at(monitor) = state;
}

void SimWmi::FailAt(Stage stage, size_t nth, const std::u16string& description) {
  std::lock_guard lock(mutex_);
  rules_.push_back({stage, nth, description, false});
}

void SimWmi::TimeOutAt(Stage stage, size_t nth) {
  std::lock_guard lock(mutex_);
  rules_.push_back({stage, nth, kWmiTimedOut, true});
}

void SimWmi::FailLocator(const std::string& what) {
  std::lock_guard lock(mutex_);
  locatorFailure_ = what;
}

void SimWmi::ClearFailures() {
  std::lock_guard lock(mutex_);
  rules_.clear();
  locatorFailure_.clear();
}

std::vector<SimWmi::MethodCall> SimWmi::MethodCalls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<std::u16string> SimWmi::Queries() const {
  std::lock_guard lock(mutex_);
  return queries_;
}

size_t SimWmi::Calls(Stage stage) const {
  std::lock_guard lock(mutex_);
  return counts_[static_cast<int>(stage)];
}

void SimWmi::Step(Stage stage) {
  const size_t n = ++counts_[static_cast<int>(stage)];
  for (const Rule& r : rules_) {
    if (r.stage != stage || (r.nth != 0 && r.nth != n)) continue;
    if (r.timeOut && clock_) clock_->AdvanceMs(kWmiWaitMs);
    throw WmiError(r.description);
  }
}

std::unique_ptr<IWmiServices> SimWmi::Connect(const std::u16string& nameSpace) {
  std::lock_guard lock(mutex_);
  if (!locatorFailure_.empty()) throw std::runtime_error(locatorFailure_);
  Step(Stage::Connect);
  if (nameSpace != u"root\\WMI") throw WmiError(u"Invalid namespace");
  return std::make_unique<SimWmiServices>(*this);
}

WmiValue SimWmi::Property(size_t monitor, const std::u16string& className, const std::u16string& property) {
  std::lock_guard lock(mutex_);
  Step(Stage::Get);
  const SimWmiMonitor& m = monitors_.at(monitor);
  if (property == u"InstanceName") return WmiValue::Str(m.instanceName);
  if (property == u"Active") return WmiValue::Int(m.active ? 1 : 0);
  if (className == u"WmiMonitorID") {
    if (property == u"ManufacturerName") return m.manufacturerName;
    if (property == u"ProductCodeID") return m.productCodeId;
    if (property == u"UserFriendlyName") return m.userFriendlyName;
    if (property == u"UserFriendlyNameLength") return m.userFriendlyNameLength;
  } else if (className == u"WmiMonitorBrightness") {
    if (property == u"CurrentBrightness")
      return m.brightnessAnswer.kind != WmiValue::Kind::Null ? m.brightnessAnswer
                                                             : WmiValue::Int(m.currentBrightness);
    if (property == u"Level") return m.level;
  }
  throw WmiError(u"Not found");
}

int64_t SimWmi::Call(size_t monitor, const std::u16string& className, const std::u16string& method,
                     const std::vector<std::pair<std::u16string, int32_t>>& args) {
  std::lock_guard lock(mutex_);
  Step(Stage::Method);
  // As on the platform: only the methods class has WmiSetBrightness, and an in-parameter it
  // does not declare cannot be put.
  if (className != u"WmiMonitorBrightnessMethods" || method != u"WmiSetBrightness")
    throw WmiError(u"Method not found");
  for (const auto& [name, value] : args)
    if (name != u"Timeout" && name != u"Brightness") throw WmiError(u"Not found");
  calls_.push_back({monitor, method, args, std::this_thread::get_id()});
  SimWmiMonitor& m = monitors_.at(monitor);
  if (m.setResult == 0)
    for (const auto& [name, value] : args)
      if (name == u"Brightness") m.currentBrightness = value;
  return m.setResult;
}

} // namespace lumivane
