#include <algorithm>
#include <exception>

#include "assoc/AssocArrays.h"
#include "devices/Devices.h"
#include "devices/LogText.h"
#include "platform/Locale.h"

namespace lumivane {

namespace {
void WriteMode(TAssoc& record, const DisplayMode& mode) {
  record[u"width"] = Variant(UnsignedText(mode.width));
  record[u"height"] = Variant(UnsignedText(mode.height));
  record[u"hz"] = Variant(UnsignedText(mode.frequency));
}

std::u16string SystemMessage(const DevicePorts& ports) {
  return ports.errors.MessageText(ports.errors.LastError());
}

void ReadCapabilities(DeviceEnv& env, TAssoc& record, PhysicalMonitorHandle m, const std::u16string& s,
                      const std::u16string& p) {
  auto& ports = env.ports;
  uint32_t length = 0;
  if (!ports.monitors.GetCapabilitiesStringLength(m, length)) {
    ports.log.LogError(
        FillText(u"Error retrieving VCP data size from physmon %d/%d: %s", {s, p, SystemMessage(ports)}));
    return;
  }
  if (length == 0) {
    ports.log.LogError(
        FillText(u"VCP data not received from physmon %d/%d: %s", {s, p, SystemMessage(ports)}));
    return;
  }
  // The adapter sizes the buffer after checking the length against its own limit.
  std::string bytes;
  if (!ports.monitors.CapabilitiesRequestAndCapabilitiesReply(m, bytes, length)) {
    ports.log.LogError(
        FillText(u"Error retrieving VCP data from physmon %d/%d: %s", {s, p, SystemMessage(ports)}));
    return;
  }
  const size_t end = bytes.find('\0');
  const std::u16string caps =
      ports.locale.DecodeAnsi(end == std::string::npos ? bytes : bytes.substr(0, end));
  record[u"name"] = Variant(ModelFromCapabilities(caps));
  record[u"vcp"] = Variant(caps);
}

// The handles of one desktop monitor's physical monitors. Whatever a record does not take is
// released when the walk leaves, also when it leaves by an exception.
class HandleBatch {
 public:
  explicit HandleBatch(IMonitorConfig& monitors) : monitors_(monitors) {}
  HandleBatch(const HandleBatch&) = delete;
  HandleBatch& operator=(const HandleBatch&) = delete;
  ~HandleBatch() {
    for (size_t p = 0; p < handles.size(); ++p)
      Release(p);
  }
  void Take(size_t p) { handles[p] = 0; }
  void Release(size_t p) {
    const PhysicalMonitorHandle m = handles[p];
    handles[p] = 0;
    if (m != 0) monitors_.DestroyPhysicalMonitor(m);
  }

  std::vector<PhysicalMonitorHandle> handles;

 private:
  IMonitorConfig& monitors_;
};

// DDC/CI answers brightness as unsigned 32-bit values; the rest of the program holds them in
// signed 32-bit fields.
constexpr uint32_t kMaxBrightness = INT32_MAX;

// A range with a value beyond what the program can hold is clamped, with one line.
void ClampAnswer(const DevicePorts& ports, const std::u16string& number, BrightnessRange& range) {
  if (range.minimum <= kMaxBrightness && range.current <= kMaxBrightness && range.maximum <= kMaxBrightness)
    return;
  ports.log.LogError(FillText(
      u"Device #%s reported out-of-range brightness values (min %s, current %s, max %s); clamped to %s",
      {number, UnsignedText(range.minimum), UnsignedText(range.current), UnsignedText(range.maximum),
       UnsignedText(kMaxBrightness)}));
  range.minimum = std::min(range.minimum, kMaxBrightness);
  range.current = std::min(range.current, kMaxBrightness);
  range.maximum = std::min(range.maximum, kMaxBrightness);
}

// Physical monitor p of desktop monitor s, whose handle batch.handles[p] either a record takes
// or the batch releases.
void DiscoverPhysical(DeviceEnv& env, MonitorHandle h, uint32_t s, uint32_t p, HandleBatch& batch) {
  const PhysicalMonitorHandle m = batch.handles[p];
  auto& ports = env.ports;
  auto& devices = env.devices;
  const PnpName pnp = ResolvePnpName(ports, h, p);
  const std::u16string hardwareId = ResolveHardwareId(ports, h, p);
  const std::u16string uid = DeviceUid(pnp.name);
  const bool known = devices.IsSet(uid);
  if (known && pnp.mode) WriteMode(devices[uid], *pnp.mode);
  if (known && RecordBool(devices[uid], u"internal")) {
    // Panels are driven over WMI, never over DDC/CI.
    devices[uid][u"active"] = Variant(u"true");
    batch.Release(p);
    return;
  }
  BrightnessRange range;
  bool read = ports.monitors.GetMonitorBrightness(m, range);
  if (!read) {
    ports.clock.SleepMs(100);
    read = ports.monitors.GetMonitorBrightness(m, range);
  }
  const std::u16string sp = DecimalText(s), pp = DecimalText(static_cast<int64_t>(p));
  if (!read) {
    ports.log.LogError(FillText(u"Error retrieving current brightness from physmon %d/%d: %s",
                                {sp, pp, SystemMessage(ports)}));
    batch.Release(p);
    return;
  }
  if (!known) {
    TAssoc& fresh = AddDeviceRecord(devices, uid);
    fresh[u"errors"] = Variant(u"0");
    fresh[u"counter"] = Variant::Narrow(0);
    fresh[u"name"] = Variant(hardwareId);
    if (pnp.mode) WriteMode(fresh, *pnp.mode);
  }
  TAssoc& record = devices[uid];
  // Two physical monitors that resolve to one name share a record; the handle it held
  // before would otherwise be lost.
  const uint64_t previous = RecordUInt(record, u"monid");
  if (previous != 0 && previous != static_cast<uint32_t>(m))
    ports.monitors.DestroyPhysicalMonitor(static_cast<PhysicalMonitorHandle>(previous));
  record[u"monid"] = Variant(static_cast<uint32_t>(m));
  batch.Take(p);
  ClampAnswer(ports, RecordText(record, u"number"), range);
  record[u"brightness"] = Variant(UnsignedText(range.current));
  record[u"min"] = Variant(UnsignedText(range.minimum));
  record[u"max"] = Variant(UnsignedText(range.maximum));
  ClampRange(record, env.rangeMin, env.rangeMax);
  record[u"internal"] = Variant(u"false");
  record[u"active"] = Variant(u"true");
  record[u"pnp"] = Variant(pnp.name);
  if (env.detectModel && env.detectModel()) ReadCapabilities(env, record, m, sp, pp);
}

// One desktop monitor s and its physical monitors.
void DiscoverDesktop(DeviceEnv& env, MonitorHandle h, uint32_t s) {
  auto& ports = env.ports;
  const std::u16string sp = DecimalText(static_cast<int64_t>(s));
  uint32_t n = 0;
  if (!ports.monitors.GetNumberOfPhysicalMonitors(h, n)) {
    ports.log.LogError(FillText(u"Error retrieving the number of physical monitors for virtmon %d: %s",
                                {sp, SystemMessage(ports)}));
    return;
  }
  if (n == 0) {
    ports.log.LogLine(
        FillText(u"[%s] No physical monitors associated with virtmon %d", {ports.log.TimeText(), sp}));
    return;
  }
  // The adapter checks the count against its own limit before it allocates the list.
  HandleBatch batch(ports.monitors);
  if (!ports.monitors.GetPhysicalMonitors(h, n, batch.handles)) {
    ports.log.LogError(FillText(u"Error retrieving physical monitor information for virtmon %d: %s",
                                {sp, SystemMessage(ports)}));
    return;
  }
  for (uint32_t p = 0; p < n && p < batch.handles.size(); ++p) {
    // One monitor's unexpected failure costs only that monitor.
    try {
      DiscoverPhysical(env, h, s, p, batch);
    } catch (const std::exception& e) {
      batch.Release(p);
      ports.log.LogError(FillText(u"Error discovering physmon %d/%d: %s",
                                  {sp, DecimalText(static_cast<int64_t>(p)), ExceptionText(e)}));
    }
  }
}
} // namespace

void DiscoverExternalMonitors(DeviceEnv& env) {
  auto& ports = env.ports;
  const std::vector<MonitorHandle> monitors = ports.displays.EnumDisplayMonitors();
  for (uint32_t s = 0; s < monitors.size(); ++s) {
    try {
      DiscoverDesktop(env, monitors[s], s);
    } catch (const std::exception& e) {
      ports.log.LogError(FillText(u"Error discovering virtmon %d: %s",
                                  {DecimalText(static_cast<int64_t>(s)), ExceptionText(e)}));
    }
  }
}

void ReleaseMonitorHandles(IMonitorConfig& monitors, const TAssoc& devices) {
  const TAssocTable* table = devices.All();
  if (!table) return;
  for (const auto& [uid, record] : *table) {
    if (RecordBool(*record, u"internal")) continue;
    const uint64_t monid = RecordUInt(*record, u"monid") & 0xFFFFFFFFu;
    if (monid != 0) monitors.DestroyPhysicalMonitor(static_cast<PhysicalMonitorHandle>(monid));
  }
}

} // namespace lumivane
