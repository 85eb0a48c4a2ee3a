#include <algorithm>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "assoc/AssocArrays.h"
#include "devices/BufferedLog.h"
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

// The handles of one desktop monitor's physical monitors. Whatever a record does not take is
// released once the desktop's records are written, also when the walk leaves by an exception.
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

// What one physical monitor answered over DDC/CI, gathered by its own task. The system's error
// text is taken there too: the last error belongs to the thread that made the call.
struct Conversation {
  bool read = false;
  BrightnessRange range;
  std::u16string readError;
  enum class Caps { NotAsked, LengthFailed, Empty, ReplyFailed, Answered } caps = Caps::NotAsked;
  std::u16string capsError;
  std::string capsBytes;
  // Unexpected failures, raised again where the walk would have met them.
  std::exception_ptr readFailure, capsFailure;
};

// One monitor's own calls, in the order a walk makes them: the brightness read with its one
// retry, then the capabilities when asked for.
void Converse(const DevicePorts& ports, PhysicalMonitorHandle m, bool detectModel, Conversation& c) noexcept {
  try {
    bool read = ports.monitors.GetMonitorBrightness(m, c.range);
    if (!read) {
      ports.clock.SleepMs(100);
      read = ports.monitors.GetMonitorBrightness(m, c.range);
    }
    if (!read) {
      c.readError = SystemMessage(ports);
      return;
    }
    c.read = true;
  } catch (...) {
    c.readFailure = std::current_exception();
    return;
  }
  if (!detectModel) return;
  try {
    using Caps = Conversation::Caps;
    uint32_t length = 0;
    if (!ports.monitors.GetCapabilitiesStringLength(m, length)) {
      c.caps = Caps::LengthFailed;
    } else if (length == 0) {
      c.caps = Caps::Empty;
    } else if (!ports.monitors.CapabilitiesRequestAndCapabilitiesReply(m, c.capsBytes, length)) {
      // The adapter sizes the buffer after checking the length against its own limit.
      c.caps = Caps::ReplyFailed;
    } else {
      c.caps = Caps::Answered;
      return;
    }
    c.capsError = SystemMessage(ports);
  } catch (...) {
    c.capsFailure = std::current_exception();
  }
}

void RecordCapabilities(DeviceEnv& env, TAssoc& record, const Conversation& c, const std::u16string& s,
                        const std::u16string& p) {
  if (c.capsFailure) std::rethrow_exception(c.capsFailure);
  auto& ports = env.ports;
  using Caps = Conversation::Caps;
  switch (c.caps) {
  case Caps::NotAsked:
    return;
  case Caps::LengthFailed:
    ports.log.LogError(
        FillText(u"Error retrieving VCP data size from physmon %d/%d: %s", {s, p, c.capsError}));
    return;
  case Caps::Empty:
    ports.log.LogError(FillText(u"VCP data not received from physmon %d/%d: %s", {s, p, c.capsError}));
    return;
  case Caps::ReplyFailed:
    ports.log.LogError(FillText(u"Error retrieving VCP data from physmon %d/%d: %s", {s, p, c.capsError}));
    return;
  case Caps::Answered:
    break;
  }
  const size_t end = c.capsBytes.find('\0');
  const std::u16string caps =
      ports.locale.DecodeAnsi(end == std::string::npos ? c.capsBytes : c.capsBytes.substr(0, end));
  record[u"name"] = Variant(ModelFromCapabilities(caps));
  record[u"vcp"] = Variant(caps);
}

// Physical monitor p of a desktop monitor, from the name lookup to its answers.
struct Physical {
  Physical(uint32_t p, ILog& target) : p(p), log(target) {}
  uint32_t p;
  BufferedLog log; // what looking up its name logged
  PnpName pnp;
  std::u16string hardwareId, uid;
  std::exception_ptr lookupFailure, detectFailure;
  bool converse = false; // not a panel: talked to over DDC/CI
  bool detectModel = false;
  Conversation answer;
};

// Desktop monitor s: its physical monitors and the handles nobody has taken yet.
struct Desktop {
  Desktop(uint32_t s, MonitorHandle h, ILog& target) : s(s), h(h), log(target) {}
  uint32_t s;
  MonitorHandle h;
  BufferedLog log; // what asking for its physical monitors logged
  std::unique_ptr<HandleBatch> batch;
  std::vector<Physical> physical;
  std::exception_ptr failure;
};

// Everything short of talking to the monitors, in the walk's order: the physical monitors and
// their handles, names, and which of them are panels (the WMI pass marked those; the walk
// itself never makes a record internal, so the answer cannot change along the walk).
void PrepareDesktop(DeviceEnv& env, Desktop& d) {
  const DevicePorts ports = PortsLoggingTo(env.ports, d.log);
  const std::u16string sp = DecimalText(static_cast<int64_t>(d.s));
  uint32_t n = 0;
  if (!ports.monitors.GetNumberOfPhysicalMonitors(d.h, n)) {
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
  d.batch = std::make_unique<HandleBatch>(ports.monitors);
  if (!ports.monitors.GetPhysicalMonitors(d.h, n, d.batch->handles)) {
    ports.log.LogError(FillText(u"Error retrieving physical monitor information for virtmon %d: %s",
                                {sp, SystemMessage(ports)}));
    return;
  }
  const uint32_t count = std::min<uint32_t>(n, static_cast<uint32_t>(d.batch->handles.size()));
  d.physical.reserve(count);
  for (uint32_t p = 0; p < count; ++p) {
    Physical& x = d.physical.emplace_back(p, env.ports.log);
    try {
      const DevicePorts own = PortsLoggingTo(env.ports, x.log);
      x.pnp = ResolvePnpName(own, d.h, p);
      x.hardwareId = ResolveHardwareId(own, d.h, p);
      x.uid = DeviceUid(x.pnp.name);
      const TAssoc* known = FindChild(env.devices, Variant(x.uid));
      x.converse = !(known && RecordBool(*known, u"internal"));
    } catch (...) {
      x.lookupFailure = std::current_exception();
      continue;
    }
    // Asked before the monitor answers, but a failure to ask counts only once the record is
    // written, where the walk asks.
    try {
      x.detectModel = x.converse && env.detectModel && env.detectModel();
    } catch (...) {
      x.detectFailure = std::current_exception();
    }
  }
}

// Writes what physical monitor x answered into the table, as the walk does for one monitor.
void RecordPhysical(DeviceEnv& env, Desktop& d, Physical& x) {
  auto& ports = env.ports;
  auto& devices = env.devices;
  HandleBatch& batch = *d.batch;
  const PhysicalMonitorHandle m = batch.handles[x.p];
  x.log.Flush();
  if (x.lookupFailure) std::rethrow_exception(x.lookupFailure);
  const bool known = devices.IsSet(x.uid);
  if (known && x.pnp.mode) WriteMode(devices[x.uid], *x.pnp.mode);
  if (!x.converse) {
    // Panels are driven over WMI, never over DDC/CI.
    devices[x.uid][u"active"] = Variant(u"true");
    batch.Release(x.p);
    return;
  }
  const Conversation& c = x.answer;
  if (c.readFailure) std::rethrow_exception(c.readFailure);
  const std::u16string sp = DecimalText(d.s), pp = DecimalText(static_cast<int64_t>(x.p));
  if (!c.read) {
    ports.log.LogError(
        FillText(u"Error retrieving current brightness from physmon %d/%d: %s", {sp, pp, c.readError}));
    batch.Release(x.p);
    return;
  }
  if (!known) {
    TAssoc& fresh = AddDeviceRecord(devices, x.uid);
    fresh[u"errors"] = Variant(u"0");
    fresh[u"counter"] = Variant::Narrow(0);
    fresh[u"name"] = Variant(x.hardwareId);
    if (x.pnp.mode) WriteMode(fresh, *x.pnp.mode);
  }
  TAssoc& record = devices[x.uid];
  // Two physical monitors that resolve to one name share a record; the handle it held
  // before would otherwise be lost.
  const uint64_t previous = RecordUInt(record, u"monid");
  if (previous != 0 && previous != static_cast<uint32_t>(m))
    ports.monitors.DestroyPhysicalMonitor(static_cast<PhysicalMonitorHandle>(previous));
  record[u"monid"] = Variant(static_cast<uint32_t>(m));
  batch.Take(x.p);
  BrightnessRange range = c.range;
  ClampAnswer(ports, RecordText(record, u"number"), range);
  record[u"brightness"] = Variant(UnsignedText(range.current));
  record[u"min"] = Variant(UnsignedText(range.minimum));
  record[u"max"] = Variant(UnsignedText(range.maximum));
  ClampRange(record, env.rangeMin, env.rangeMax);
  record[u"internal"] = Variant(u"false");
  record[u"active"] = Variant(u"true");
  record[u"pnp"] = Variant(x.pnp.name);
  if (x.detectFailure) std::rethrow_exception(x.detectFailure);
  if (x.detectModel) RecordCapabilities(env, record, c, sp, pp);
}

void RecordDesktop(DeviceEnv& env, Desktop& d) {
  auto& ports = env.ports;
  d.log.Flush();
  if (d.failure) std::rethrow_exception(d.failure);
  const std::u16string sp = DecimalText(static_cast<int64_t>(d.s));
  for (Physical& x : d.physical) {
    // One monitor's unexpected failure costs only that monitor.
    try {
      RecordPhysical(env, d, x);
    } catch (const std::exception& e) {
      d.batch->Release(x.p);
      ports.log.LogError(FillText(u"Error discovering physmon %d/%d: %s",
                                  {sp, DecimalText(static_cast<int64_t>(x.p)), ExceptionText(e)}));
    }
  }
  d.batch.reset();
}
} // namespace

// The walk in three steps: the lookups in order, then every monitor's DDC/CI conversation at
// the same time (a monitor may take tens of milliseconds a call), then the records and log lines
// in order, so that the table and the log are those of a walk that talks to one monitor after
// the other.
void DiscoverExternalMonitors(DeviceEnv& env) {
  auto& ports = env.ports;
  const std::vector<MonitorHandle> monitors = ports.displays.EnumDisplayMonitors();
  std::vector<Desktop> desktops;
  desktops.reserve(monitors.size());
  for (uint32_t s = 0; s < monitors.size(); ++s) {
    Desktop& d = desktops.emplace_back(s, monitors[s], ports.log);
    try {
      PrepareDesktop(env, d);
    } catch (...) {
      d.failure = std::current_exception();
    }
  }

  std::vector<std::function<void()>> conversations;
  for (Desktop& d : desktops)
    for (Physical& x : d.physical)
      if (x.converse && !x.lookupFailure)
        conversations.push_back(
            [&ports, m = d.batch->handles[x.p], &x] { Converse(ports, m, x.detectModel, x.answer); });
  ports.pool.RunAll(std::move(conversations));

  for (Desktop& d : desktops) {
    try {
      RecordDesktop(env, d);
    } catch (const std::exception& e) {
      ports.log.LogError(FillText(u"Error discovering virtmon %d: %s",
                                  {DecimalText(static_cast<int64_t>(d.s)), ExceptionText(e)}));
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
