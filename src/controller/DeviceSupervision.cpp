#include <cstdint>
#include <stdexcept>

#include "controller/MainForm.h"
#include "devices/BrightnessWorker.h"
#include "devices/DeviceTable.h"
#include "devices/Devices.h"
#include "devices/TrackingReadJob.h"

namespace lumivane {

namespace {
constexpr int64_t kErrorLimit = 5;

int32_t ToInt32(int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) throw std::out_of_range("brightness out of range");
  return static_cast<int32_t>(v);
}
} // namespace

DevicePorts TController::MakeDevicePorts() {
  const Platform& p = platform_;
  return DevicePorts{*p.monitors, *p.displays, *p.wmi,    *p.services, *p.errors,
                     *p.clock,    log_,        *p.locale, *p.pool};
}

void TController::ReleaseDeviceHandles() {
  TAssoc* devices = DeviceTable();
  if (devices) ReleaseMonitorHandles(*platform_.monitors, *devices);
}

void TController::ErrorSweep() {
  TAssoc* devices = DeviceTable();
  if (!devices || !devices->All()) return;
  bool rescan = false;
  for (const auto& [key, child] : *devices->All()) {
    TAssoc& record = *child;
    if (!RecordFlag(record, u"active") || RecordInt(record, u"errors", 0) <= kErrorLimit) continue;
    record.Items(u"active") = Variant(false);
    LogLine(u"[" + log_.TimeText() + u"] ERROR! Device #" + RecordText(record, u"number") +
            u" stopped responding and was disabled");
    if (ActiveDevice == key.Text()) {
      ActiveDevice.clear();
      SaveActMon();
    }
    DeviceDisabled = true;
    // A device held back stays in the table, inactive, until its wait is over.
    if (backOff_.Idle()) backOff_.Tick(NowUnixMs()); // the tracker's time starts here
    if (!backOff_.Disable(key.Text())) rescan = true;
  }
  if (rescan)
    Rescan();
  else if (DeviceDisabled || !PendingDevice.empty())
    BuildMenu();
}

void TController::ActiveDeviceSteps() {
  TAssoc* devices = DeviceTable();
  TAssoc* active = ActiveRecord();
  if (!devices || !active) return;
  const uint64_t stamp = CommandStamp;

  if (OtherActiveCount > 0 && Form.SyncBox.Checked()) {
    for (const auto& [key, child] : *devices->All()) {
      // Neither a held-back device, before its wait is over, nor an inactive one (a monitor
      // without DDC/CI) can catch up: the job skips both, and one per pass would only skip them
      // again.
      if (key.Text() == ActiveDevice || backOff_.Held(key.Text()) || !RecordFlag(*child, u"active")) continue;
      if (RecordUInt(*child, u"counter") != stamp) {
        SendNeeded = true;
        break;
      }
    }
  }
  if (RecordUInt(*active, u"counter") != stamp) SendNeeded = true;

  if (!SendNeeded && Form.TrackBox.Checked() && TickPhase == 1 && RecordFlag(*active, u"internal") &&
      ShownBrightness >= 0)
    TrackingRead();
  else if (SendNeeded && ShownBrightness >= 0)
    HandOff(*active);
}

void TController::TrackingRead() {
  WorkerEnv env{MakeDevicePorts(), *platform_.mainThread, [this] { return DeviceTable(); },
                [this] { WorkerBusy = false; }};
  WorkerBusy = true;
  try {
    platform_.pool->Run(TrackingReadJob(env, ActiveDevice,
                                        [this, uid = ActiveDevice, from = NewestCommandStamp()](int64_t v) {
                                          TrackingResult(uid, v, from);
                                        }));
  } catch (...) {
    WorkerBusy = false;
    throw;
  }
}

// The value reaches a device that is still the active one and still in the table. Input that
// came while the panel was read is newer than the value read and keeps its place.
void TController::TrackingResult(const std::u16string& uid, int64_t v, std::optional<int64_t> readFrom) {
  TAssoc* active = ActiveRecord();
  if (!active || ActiveDevice != uid) return;
  if (v == -1) {
    CountError(*active);
    return;
  }
  if (v == RecordInt(*active, u"brightness", -1)) return;
  active->Items(u"brightness") = Variant::Narrow(v);
  active->Items(u"errors") = Variant::Narrow(int64_t{0});
  const std::optional<int64_t> newest = NewestCommandStamp();
  if (newest && readFrom && *newest > *readFrom) return;
  WriteFreshCommand(u"u", Saturate(v));
}

void TController::HandOff(TAssoc& active) {
  BrightnessJob job;
  job.MonitorHash = ActiveDevice;
  job.number = RecordText(active, u"number");
  job.monid = static_cast<uint32_t>(RecordUInt(active, u"monid") & 0xFFFFFFFFu);
  job.IsInternal = RecordFlag(active, u"internal");
  job.IsActive = RecordFlag(active, u"active");
  job.Brightness = ShownBrightness;
  job.SyncFlag = Form.SyncBox.Checked();
  job.CurrCounter = CommandStamp;
  job.CurrBrightness = ToInt32(RecordInt(active, u"brightness", 0));
  job.MyCounter = RecordUInt(active, u"counter");
  if (job.SyncFlag) job.dvs = DeviceTable()->JSONDump();

  WorkerEnv env{MakeDevicePorts(), *platform_.mainThread, [this] { return DeviceTable(); },
                [this] { WorkerBusy = false; }};
  WorkerBusy = true;
  try {
    platform_.pool->Run(SetBrightness(env, std::move(job)));
  } catch (...) {
    // A job that never started can never clear the flag itself.
    WorkerBusy = false;
    throw;
  }
}

} // namespace lumivane
