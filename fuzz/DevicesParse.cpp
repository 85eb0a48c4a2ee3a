// ModelFromCapabilities and DeviceUid on arbitrary text; VariantToText and the WMI brightness
// pass of discovery on arbitrary arrays (any values, any dims).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "assoc/AssocArrays.h"
#include "devices/Devices.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimDisplayConfig.h"
#include "platform/sim/SimMonitorConfig.h"
#include "platform/sim/SimServiceManager.h"
#include "platform/sim/SimSystemErrors.h"
#include "platform/sim/SimThreads.h"
#include "platform/sim/SimWmi.h"

namespace lumivane {
namespace {

class NullLog final : public ILog {
 public:
  void LogLine(const std::u16string&) override {}
  void LogError(const std::u16string&) override {}
  std::u16string TimeText() override { return u"00:00:00"; }
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool Empty() const { return p_ == end_; }
  uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
  int64_t Int() {
    uint64_t v = 0;
    const int n = Byte() % 9;
    for (int i = 0; i < n; ++i)
      v = v << 8 | Byte();
    return static_cast<int64_t>(v);
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

// Elements of every kind, dims that may or may not fit them, arrays inside arrays.
WmiValue MakeValue(Reader& in, int depth) {
  const uint8_t kind = in.Byte() % 5;
  if (kind == 0 || depth > 3) return WmiValue::Int(in.Int());
  if (kind == 1) return WmiValue::Null();
  if (kind == 2)
    return WmiValue::Str(std::u16string(in.Byte() % 4, static_cast<char16_t>(u'0' + in.Byte() % 12)));
  WmiValue v;
  v.kind = WmiValue::Kind::Array;
  const size_t count = in.Byte() % 40;
  for (size_t i = 0; i < count && !in.Empty(); ++i)
    v.items.push_back(MakeValue(in, depth + 1));
  const size_t dims = in.Byte() % 5;
  for (size_t i = 0; i < dims; ++i)
    v.dims.push_back(in.Byte() % 4 == 0 ? SIZE_MAX / (in.Byte() + 1) : in.Byte() % 8);
  return v;
}

void WmiArrays(const uint8_t* data, size_t size) {
  Reader in(data, size);
  const WmiValue level = MakeValue(in, 0);
  VariantToText(level, u'|', u'\r');

  SimClock clock;
  SimMonitorConfig monitors(&clock);
  SimDisplayConfig displays;
  SimWmi wmi;
  SimServiceManager services;
  SimSystemErrors errors;
  NullLog log;
  SimThreadPool pool(SimThreadPool::Mode::Manual);
  TAssoc devices;
  SimWmiMonitor panel = SimWmiMonitor::Panel(u"DISPLAY\\FUZ0000\\1&UID1_0", in.Int(), {});
  panel.level = level;
  panel.manufacturerName = MakeValue(in, 0);
  panel.userFriendlyName = MakeValue(in, 0);
  panel.userFriendlyNameLength = MakeValue(in, 0);
  wmi.Add(panel);
  DeviceEnv env{DevicePorts{monitors, displays, wmi, services, errors, clock, log, CurrentLocale(), pool},
                devices, static_cast<int32_t>(in.Int()), static_cast<int32_t>(in.Int()), nullptr};
  // Whatever the arrays hold, discovery throws nothing and leaves only brightness values and
  // levels that the rest of the program can hold.
  DiscoverInternalDisplays(env);
  for (const Variant& uid : devices.Keys()) {
    const TAssoc& record = *FindChild(devices, uid);
    for (const char16_t* key : {u"brightness", u"min_orig", u"max_orig"}) {
      if (!record.IsSet(key)) continue;
      const int64_t v = RecordInt(record, key);
      if (v < 0 || v > INT32_MAX) std::abort();
    }
    if (const TAssoc* levels = FindChild(record, Variant(u"level")))
      for (const Variant& level : levels->Keys()) {
        const int64_t v = level.ToInt64();
        if (v < 0 || v > INT32_MAX) std::abort();
      }
  }
}

} // namespace
} // namespace lumivane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumivane;
  if (size == 0) return 0;
  if (data[0] & 1) {
    WmiArrays(data + 1, size - 1);
    return 0;
  }
  // Text: bytes as Latin-1 so that "UID", "_", "(" and ")" are easy to reach.
  std::u16string text(data + 1, data + size);
  ModelFromCapabilities(text);
  DeviceUid(text);
  return 0;
}
