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
  std::string bytes(length, '\0');
  if (!ports.monitors.CapabilitiesRequestAndCapabilitiesReply(m, bytes, length)) {
    ports.log.LogError(
        FillText(u"Error retrieving VCP data from physmon %d/%d: %s", {s, p, SystemMessage(ports)}));
    return;
  }
  const size_t end = bytes.find('\0');
  const std::u16string caps =
      CurrentLocale().DecodeAnsi(end == std::string::npos ? bytes : bytes.substr(0, end));
  record[u"name"] = Variant(ModelFromCapabilities(caps));
  record[u"vcp"] = Variant(caps);
}

// Physical monitor p of desktop monitor s. Returns whether a record now holds handle m; a
// handle no record holds is released here, as nothing else could.
bool DiscoverPhysical(DeviceEnv& env, MonitorHandle h, uint32_t s, uint32_t p, PhysicalMonitorHandle m) {
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
    return false;
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
    return false;
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
  record[u"brightness"] = Variant(UnsignedText(range.current));
  record[u"min"] = Variant(UnsignedText(range.minimum));
  record[u"max"] = Variant(UnsignedText(range.maximum));
  ClampRange(record, env.rangeMin, env.rangeMax);
  record[u"internal"] = Variant(u"false");
  record[u"active"] = Variant(u"true");
  record[u"pnp"] = Variant(pnp.name);
  if (env.detectModel && env.detectModel()) ReadCapabilities(env, record, m, sp, pp);
  return true;
}
} // namespace

void DiscoverExternalMonitors(DeviceEnv& env) {
  auto& ports = env.ports;
  const std::vector<MonitorHandle> monitors = ports.displays.EnumDisplayMonitors();
  for (uint32_t s = 0; s < monitors.size(); ++s) {
    const MonitorHandle h = monitors[s];
    const std::u16string sp = DecimalText(static_cast<int64_t>(s));
    uint32_t n = 0;
    if (!ports.monitors.GetNumberOfPhysicalMonitors(h, n)) {
      ports.log.LogError(FillText(u"Error retrieving the number of physical monitors for virtmon %d: %s",
                                  {sp, SystemMessage(ports)}));
      continue;
    }
    if (n == 0) {
      ports.log.LogLine(
          FillText(u"[%s] No physical monitors associated with virtmon %d", {ports.log.TimeText(), sp}));
      continue;
    }
    std::vector<PhysicalMonitorHandle> handles(n, 0);
    if (!ports.monitors.GetPhysicalMonitors(h, n, handles)) {
      ports.log.LogError(FillText(u"Error retrieving physical monitor information for virtmon %d: %s",
                                  {sp, SystemMessage(ports)}));
      continue;
    }
    for (uint32_t p = 0; p < n; ++p) {
      const PhysicalMonitorHandle m = p < handles.size() ? handles[p] : 0;
      if (!DiscoverPhysical(env, h, s, p, m) && m != 0) ports.monitors.DestroyPhysicalMonitor(m);
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
